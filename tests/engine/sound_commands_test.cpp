// The sound commands: channels set up, played and stopped by scripts, their volumes, the extra
// packs sounds come from, and the rebuilt sound device.

#include "audio/sound_buffer.hpp"
#include "core/state_dump.hpp"
#include "pack_tool.hpp"
#include "support/sound_files.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// Common int 1 = value: the master volume the tests give their channels.
std::string master(int value) {
    return "PushRef 1 12\nPushConst 0 " + std::to_string(value) + "\nAssign\nPop\n";
}

int openDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator{}));
}

struct SoundCommandsTest : ::testing::Test {
    SoundCommandsTest() {
        game.layout();
        game.write("SE.WAV", test::wav16(2, 44100, signal));
        game.write("BGM.WAV", test::wav16(2, 44100, test::testSignal(22050, 2, 44100, 2)));
    }
    // Runs `init`, which ends waiting for a click, with channels 0 to count - 1 at full master
    // volume.
    std::unique_ptr<GameRun> play(int count, const std::string& init, const std::string& input = "",
                                  bool keepAudio = false) {
        std::string source =
            master(100) + "call InitSoundChannels(" + std::to_string(count) + ")\n";
        for (int c = 0; c < count; ++c)
            source += "call SetChannelVolumeVariable(" + std::to_string(c) + ", 1)\n";
        game.script("INIT", source + init + "\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game, input, 1, 978307200, keepAudio);
        EXPECT_TRUE(run->start()) << run->boxes();
        baselineDescriptors = openDescriptors();
        run->runFor(200);
        return run;
    }
    static SoundBuffer& buffer(GameRun& run, int channel) {
        return *run.engine->sound.manager->channel(channel);
    }
    std::vector<std::int16_t> signal = test::testSignal(4410, 2, 44100);
    TestGame game;
    int baselineDescriptors = 0;
};

TEST_F(SoundCommandsTest, PlayDsbPlaysStopsAndKeepsTheNameOfTheLastSoundLoaded) {
    auto run = play(3,
                    "call PlayDSB(0, \"se\", 0)\ncall PlayDSB(1, \"se\", 1)\n"
                    "call PlayDSB(0, \"missing\", 0)\n"
                    // Numbers outside the tables are ignored.
                    "call PlayDSB(7, \"se\", 0)\ncall StopDSB(-1)\ncall SetChannelStream(3, 1)\n"
                    "call SetChannelPack(99, 0)\ncall SetChannelVolumePercent(-2, 5)\n"
                    "call ApplyChannelVolume(5)\ncall SetChannelVolumeVariable(3, 1)\n"
                    "call WaitClick(0)\ncall StopDSB(1)",
                    "300 click 5 5\n");
    Engine& e = *run->engine;
    EXPECT_TRUE(buffer(*run, 0).empty());
    EXPECT_EQ(e.sound.channels[0].name, "se");
    EXPECT_EQ(buffer(*run, 1).status(), kStatusPlaying | kStatusLooping);
    EXPECT_EQ(run->boxes(), "error: missing.OGG&WAVが見つかりません\n"
                            "error: ファイルロードに失敗 in PlayDSB()\n");
    run->runFor(200);
    EXPECT_EQ(buffer(*run, 1).status(), 0u);
    EXPECT_TRUE(buffer(*run, 1).empty());
    EXPECT_EQ(e.sound.channels[1].name, "se");
}

TEST_F(SoundCommandsTest, TheVolumeIsTheMasterVariableTimesThePercent) {
    auto run = play(5, master(50) +
                           "call PlayDSB(0, \"se\", 1)\ncall SetChannelVolumePercent(0, 50)\n"
                           "call PlayDSB(1, \"se\", 1)\ncall SetChannelVolumePercent(1, 150)\n"
                           "call PlayDSB(2, \"se\", 1)\ncall SetChannelVolumePercent(2, -5)\n"
                           // No volume variable: the percent of full scale, after the message.
                           "call SetChannelVolumeVariable(3, -1)\ncall PlayDSB(3, \"se\", 1)\n"
                           "call SetChannelVolumePercent(3, 10)\n" +
                           master(-40) + "call PlayDSB(4, \"se\", 1)\n" + master(100) +
                           "call ApplyChannelVolume(1)");
    Engine& e = *run->engine;
    EXPECT_EQ(buffer(*run, 0).volume, -1204); // a level of 25
    EXPECT_EQ(e.sound.channels[1].volumePercent, 100);
    EXPECT_EQ(buffer(*run, 1).volume, 0);
    EXPECT_EQ(e.sound.channels[2].volumePercent, 0);
    EXPECT_EQ(buffer(*run, 2).volume, -10000);
    EXPECT_EQ(buffer(*run, 3).volume, -2000);
    EXPECT_EQ(buffer(*run, 4).volume, -10000); // a negative master volume is silence
    EXPECT_EQ(run->boxes(), "err: アクセスバイオレーションしてます＞＜\n"
                            "err: アクセスバイオレーションしてます＞＜\n");
}

TEST_F(SoundCommandsTest, ASecondInitStopsEveryChannelAndStartsAfresh) {
    auto run = play(2, "call SetChannelStream(1, 1)\ncall SetChannelPack(1, 3)\n"
                       "call SetChannelVolumePercent(1, 40)\ncall PlayDSB(1, \"bgm\", 1)\n"
                       "call PlayDSB(0, \"se\", 1)\ncall InitSoundChannels(3)\n"
                       "call SetChannelVolumeVariable(2, 1)\ncall PlayDSB(2, \"se\", 1)");
    Engine& e = *run->engine;
    ASSERT_EQ(e.sound.manager->channelCount, 3);
    ASSERT_EQ(e.sound.channels.size(), 3u);
    EXPECT_TRUE(buffer(*run, 0).empty());
    EXPECT_TRUE(buffer(*run, 1).empty());
    EXPECT_TRUE(e.sound.channels[1] == SoundChannel{});
    EXPECT_EQ(e.sound.channels[1].volumeVariable, -1);
    EXPECT_EQ(buffer(*run, 2).status(), kStatusPlaying | kStatusLooping);
}

TEST_F(SoundCommandsTest, InitDirectSoundReloadsEveryNamedChannelSilently) {
    auto run = play(3,
                    "call SetChannelStream(1, 1)\ncall PlayDSB(0, \"se\", 1)\n"
                    "call PlayDSB(1, \"bgm\", 1)\ncall WaitClick(0)\ncall InitDirectSound()",
                    "300 click 5 5\n");
    ASSERT_TRUE(buffer(*run, 1).streaming);
    std::filesystem::remove(game.path() / "SE.WAV");
    run->runFor(200);
    EXPECT_TRUE(buffer(*run, 0).empty()); // its file is gone; the others are reloaded
    EXPECT_FALSE(buffer(*run, 1).empty());
    EXPECT_TRUE(buffer(*run, 1).streaming);
    EXPECT_EQ(buffer(*run, 1).status(), 0u);
    EXPECT_TRUE(buffer(*run, 2).empty());
    EXPECT_EQ(run->engine->sound.channels[0].name, "se");
    EXPECT_EQ(run->boxes(), "error: se.OGG&WAVが見つかりません\n"
                            "error: Soundファイルロードに失敗 in LoadDataSet()\n");
}

TEST_F(SoundCommandsTest, SoundsComeFromTheChannelsPack) {
    std::filesystem::path packed = game.path() / "in";
    game.write("in/VOICE.WAV", test::wav16(1, 22050, test::testSignal(22050, 1, 22050)));
    game.write("snd/ONLYSND.WAV", test::wav16(2, 44100, signal));
    game.write("in/MUSIC.OGG", test::encodeOgg(2, 44100, test::testSignal(8820, 2, 44100)));
    std::string error;
    // Also the game's default pack, which a channel of pack -1 never consults.
    ASSERT_TRUE(tools::writePack({packed / "VOICE.WAV", packed / "MUSIC.OGG"},
                                 game.path() / "SOUND", kPackIndexKey, kPackContentKey, error))
        << error;
    auto run = play(6,
                    "call InitPackFiles(2)\ncall SetPackFileName(0, \"sound\")\n"
                    "call SetPackFileName(1, \"nothere\")\n"
                    "call SetChannelPack(0, 0)\ncall PlayDSB(0, \"music\", 1)\n"
                    "call SetChannelPack(1, 0)\ncall SetChannelStream(1, 1)\n"
                    "call PlayDSB(1, \"music\", 0)\n"
                    // Two streams out of one pack, each with its own handle.
                    "call SetChannelPack(2, 0)\ncall SetChannelStream(2, 1)\n"
                    "call PlayDSB(2, \"voice\", 1)\n"
                    "call SetChannelPack(3, 0)\ncall SetChannelStream(3, 1)\n"
                    "call PlayDSB(3, \"voice\", 1)\n"
                    "call PlayDSB(4, \"voice\", 0)\n"
                    // A pack that is not there, or not in the array, is no pack: snd/ is used.
                    "call SetChannelPack(5, 1)\ncall PlayDSB(5, \"onlysnd\", 1)\n"
                    "call SetChannelPack(5, 9)\ncall PlayDSB(5, \"onlysnd\", 1)\n"
                    "call WaitClick(0)\ncall StopDSB(2)\ncall StopDSB(3)",
                    "300 click 5 5\n");
    Engine& e = *run->engine;
    EXPECT_EQ(buffer(*run, 0).status(), kStatusPlaying | kStatusLooping);
    EXPECT_TRUE(buffer(*run, 1).empty());
    EXPECT_EQ(buffer(*run, 2).status(), kStatusPlaying | kStatusLooping);
    EXPECT_EQ(buffer(*run, 3).status(), kStatusPlaying | kStatusLooping);
    EXPECT_TRUE(buffer(*run, 4).empty());
    EXPECT_EQ(buffer(*run, 5).status(), kStatusPlaying | kStatusLooping);
    EXPECT_NE(stateDumpJson(e).find("{\"name\": \"onlysnd\", \"pack\": 9, \"volumePercent\": "
                                    "100, \"volumeVariable\": 1, \"streaming\": false}"),
              std::string::npos);
    EXPECT_EQ(e.sound.packs[0]->handle(), -1); // the streams own the handles
    EXPECT_GE(buffer(*run, 2).fileHandle, 0);
    EXPECT_GE(buffer(*run, 3).fileHandle, 0);
    EXPECT_EQ(openDescriptors(), baselineDescriptors + 2);
    EXPECT_EQ(run->boxes(),
              "warning: nothereパックファイルがみつかりません (非エラー) in SetPackFileName()\n"
              "err: Packfile中のOggのストリーミング再生はできません\n"
              "error: ファイルロードに失敗 in PlayDSB()\n"
              "error: voice.OGG&WAVが見つかりません\n"
              "error: ファイルロードに失敗 in PlayDSB()\n");
    run->runFor(200);
    EXPECT_EQ(buffer(*run, 2).fileHandle, -1);
    EXPECT_EQ(openDescriptors(), baselineDescriptors);
}

TEST_F(SoundCommandsTest, APlayedSoundIsHeardSampleForSample) {
    auto run = play(1, "call PlayDSB(0, \"se\", 0)", "", true);
    run->runFor(300);
    const std::vector<std::int16_t>& heard = run->platform->recordedAudio();
    auto start = std::search(heard.begin(), heard.end(), signal.begin(), signal.end());
    ASSERT_NE(start, heard.end());
    // Once is once: silence after the sound.
    EXPECT_TRUE(std::all_of(start + static_cast<std::ptrdiff_t>(signal.size()), heard.end(),
                            [](std::int16_t s) { return s == 0; }));
}

} // namespace
} // namespace vura
