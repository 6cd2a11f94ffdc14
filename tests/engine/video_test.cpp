// Movies as games play them, headless: the picture due at each moment stretched to the screen,
// the movie's sound at full scale in the recording, WaitAVI released by the end or a click, a
// repeating movie, a second movie replacing the first, and files that are missing, broken or
// cut short.

#include "audio/sound_state.hpp"
#include "support/test_game.hpp"
#include "video/movie_writer.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// Ten 160 x 120 pictures at 10 per second, picture n all of blue 20 n + 10, and a second of
// sound at 8000 on the left and -8000 on the right.
void writeTestMovie(const std::filesystem::path& path, MovieSpec::Codec codec, bool sound = true,
                    int frames = 10) {
    MovieSpec spec;
    spec.codec = codec;
    spec.frames = frames;
    spec.paint = [](int n, std::vector<std::uint8_t>& bgr) {
        for (std::size_t i = 0; i < bgr.size(); i += 3)
            bgr[i] = static_cast<std::uint8_t>(20 * n + 10), bgr[i + 1] = 0, bgr[i + 2] = 0;
    };
    if (sound) {
        spec.soundSamples = 44100 * frames / 10;
        spec.sound = [](std::int64_t, std::int16_t& l, std::int16_t& r) { l = 8000, r = -8000; };
    }
    std::string error;
    ASSERT_TRUE(writeMovie(path, spec, error)) << error;
}

struct Video : ::testing::Test {
    Video() { game.layout(); }
    // INIT plays the movie, waits, sets game int 0 to 1 and waits for a click.
    std::unique_ptr<GameRun> play(const std::string& body, const std::string& input = "") {
        game.script("INIT", body + "PushRef 0 0\nPushConst 0 1\nAssign\nPop\ncall WaitClick(0)\n");
        auto run = std::make_unique<GameRun>(game, input, 1, 978307200, true);
        EXPECT_TRUE(run->start()) << run->boxes();
        return run;
    }
    static std::uint32_t blue(GameRun& run) { return run.platform->screenPixel(320, 240) & 0xFF; }
    // The recorded sound's left and right at a moment.
    static std::pair<int, int> heard(GameRun& run, int ms) {
        const auto& a = run.platform->recordedAudio();
        const std::size_t at = static_cast<std::size_t>(ms) * 441 / 10 * 2;
        return at + 1 < a.size() ? std::pair<int, int>{a[at], a[at + 1]} : std::pair<int, int>{};
    }
    TestGame game;
};

TEST_F(Video, PicturesOnTimeSoundAtFullScaleAndTheEndReleasesTheWait) {
    writeTestMovie(game.path() / "OP.AVI", MovieSpec::Codec::Raw);
    auto run = play("call InitSoundChannels(1)\ncall PlayAVI(\"op\", 0)\ncall WaitAVI()\n");
    Engine& e = *run->engine;
    run->runFor(50);
    EXPECT_FALSE(e.sound.manager); // the movie owns the sound output
    EXPECT_EQ(blue(*run), 10u);
    run->runFor(300); // 350 ms: the fourth picture
    EXPECT_EQ(blue(*run), 70u);
    EXPECT_EQ(heard(*run, 200), (std::pair<int, int>{8000, -8000}));
    EXPECT_EQ(run->vm().gameInts[0], 0);
    run->runFor(750); // past the end: the device closed, the game's picture back
    EXPECT_EQ(run->vm().gameInts[0], 1);
    ASSERT_TRUE(e.video.player); // kept for the next movie until command 102
    EXPECT_FALSE(e.video.player->isOpen());
    EXPECT_EQ(blue(*run), 0u);
    EXPECT_EQ(heard(*run, 1050), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(Video, AClickReleasesARepeatingMovieWhich102Stops) {
    writeTestMovie(game.path() / "OP.AVI", MovieSpec::Codec::Mjpeg, false, 5);
    auto run = play("call PlayAVI(\"op\", 1)\ncall WaitAVI()\n"
                    "call WaitTimer(0)\ncall StartTimer()\ncall WaitTimer(700)\n"
                    "call InitDirectSound()\n",
                    "1200 click 10 10\n");
    Engine& e = *run->engine;
    run->runFor(1150); // the half-second movie has gone round twice
    EXPECT_TRUE(e.video.playing());
    EXPECT_EQ(run->vm().gameInts[0], 0);
    run->runFor(300); // released by the click, the picture still moving
    EXPECT_TRUE(e.video.playing());
    run->runFor(1000); // 102: the movie closed, the sound device back
    EXPECT_FALSE(e.video.player);
    EXPECT_TRUE(e.sound.manager);
    EXPECT_EQ(run->vm().gameInts[0], 1);
}

TEST_F(Video, ASecondMovieReplacesTheFirstAndBadFilesAreReported) {
    writeTestMovie(game.path() / "A.AVI", MovieSpec::Codec::Raw, false);
    writeTestMovie(game.path() / "B.AVI", MovieSpec::Codec::Mpeg4, true, 5);
    // Broken: bytes that are no movie; cut: the first third of a good file.
    game.write("BROKEN.AVI", std::string(4000, 'x'));
    // Playlists dressed as movies: FFmpeg would follow them to other files and addresses.
    game.write("LIST.AVI", "ffconcat version 1.0\nfile 'A.AVI'\n");
    game.write("HLS.AVI", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nA.AVI\n#EXT-X-ENDLIST\n");
    std::ifstream in(game.path() / "A.AVI", std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    game.write("CUT.AVI", whole.substr(0, whole.size() / 3));
    // Damaged: a Motion JPEG movie with its middle overwritten; the broken pictures are skipped.
    writeTestMovie(game.path() / "MJ.AVI", MovieSpec::Codec::Mjpeg, false);
    std::ifstream mj(game.path() / "MJ.AVI", std::ios::binary);
    std::string damaged((std::istreambuf_iterator<char>(mj)), std::istreambuf_iterator<char>());
    std::fill_n(damaged.begin() + static_cast<std::ptrdiff_t>(damaged.size() / 2), 600, '\xFF');
    game.write("DAMAGED.AVI", damaged);
    auto run = play("call PlayAVI(\"missing\", 0)\ncall PlayAVI(\"broken\", 0)\n"
                    "call PlayAVI(\"list\", 0)\ncall PlayAVI(\"hls\", 0)\n"
                    "call PlayAVI(\"a\", 1)\ncall StartTimer()\ncall WaitTimer(300)\n"
                    "call PlayAVI(\"b\", 0)\ncall WaitAVI()\ncall PlayAVI(\"cut\", 0)\n"
                    "call WaitAVI()\ncall PlayAVI(\"damaged\", 0)\ncall WaitAVI()\n");
    run->runFor(100);
    const std::string refused = "error: DeviceOpenに失敗 in PlayAVI()\n";
    EXPECT_EQ(run->boxes(), refused + refused + refused + refused);
    run->runFor(300); // B replaced A
    EXPECT_NE(run->engine->video.player->fileName().find("B.AVI"), std::string::npos);
    run->runFor(600);  // B ended; the cut file plays what it holds and ends too, and so does
    run->runFor(2400); // the damaged one
    EXPECT_EQ(run->vm().gameInts[0], 1);
    EXPECT_FALSE(run->engine->video.playing());
}

TEST_F(Video, SoundCommandsWithoutASoundDeviceAndALoadDuringAMovie) {
    writeTestMovie(game.path() / "OP.AVI", MovieSpec::Codec::Raw, true, 20);
    game.write("SE.WAV", std::string()); // never loaded: the device is gone
    // Common int 0 (which a load leaves alone) tells the second pass through from the first.
    auto run = play("call InitSoundChannels(2)\ncall SaveNow(1)\nLoadVar 0 12\n"
                    "JumpIfTrue 0 loaded\nPushRef 0 12\nPushConst 0 1\nAssign\nPop\n"
                    "call PlayAVI(\"op\", 1)\ncall PlayDSB(1, \"se\", 0)\ncall StopDSB(1)\n"
                    "call SetChannelVolumePercent(1, 50)\ncall InitSystemButtons(1)\n"
                    "call SetSystemButtonSound(0, 1, \"se\", 1, \"se\")\n"
                    "call SetMessageWindowCount(1)\ncall SetMessageWindowInstant(0, 1)\n"
                    "call SetMessageWindowVoiceChannel(0, 1)\n"
                    "call MessageFlowReady(0, \"VOICE\", \"a\", 3, 0)\ncall ReplayMsgBoxSound(0)\n"
                    "call Load(1)\nloaded:\n");
    run->runFor(300);
    Engine& e = *run->engine;
    // The load closed the movie and made the sound device again.
    EXPECT_FALSE(e.video.player);
    EXPECT_TRUE(e.sound.manager);
    EXPECT_EQ(run->vm().gameInts[0], 1);
    EXPECT_EQ(run->boxes(), "");
}

} // namespace
} // namespace vura
