// Where scripts and the layout are found: beside the game, in its pack, in sqx/, and the
// messages when they are nowhere.

#include "audio/sound_buffer.hpp"
#include "base/sjis.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "pack_tool.hpp"
#include "resources/resource_lookup.hpp"
#include "script_asm.hpp"
#include "support/sound_files.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

// A script that stores `value` in game int 0 and waits.
std::string storing(int value) {
    return "PushRef 0 0\nPushConst 0 " + std::to_string(value) + "\nAssign\nPop\ncall WaitClick(0)";
}

struct LookupTest : ::testing::Test {
    // Packs the game's loose INIT.SQX and NECEMEM.SQI (and any other files given) into GAME,
    // then removes the loose files that were packed.
    void pack(const std::vector<std::string>& names = {"INIT.SQX", "NECEMEM.SQI"}) {
        std::vector<std::filesystem::path> files;
        for (const std::string& n : names)
            files.push_back(game.path() / n);
        std::string error;
        ASSERT_TRUE(
            tools::writePack(files, game.path() / "GAME", kPackIndexKey, kPackContentKey, error))
            << error;
        for (const auto& f : files)
            std::filesystem::remove(f);
    }
    std::unique_ptr<GameRun> start(bool expectStarted = true) {
        auto run = std::make_unique<GameRun>(game);
        EXPECT_EQ(run->start(), expectStarted) << run->boxes();
        if (expectStarted)
            run->runFor(20);
        return run;
    }
    TestGame game;
};

TEST_F(LookupTest, TheGameRunsFromItsPack) {
    game.layout();
    game.script("INIT", storing(1));
    pack();
    auto run = start();
    EXPECT_EQ(run->vm().gameInts[0], 1);
    ASSERT_TRUE(run->engine->app.defaultPack);
    EXPECT_EQ(run->engine->app.systemInfo->baseName, "GAME");
}

TEST_F(LookupTest, ALooseScriptWinsOverThePack) {
    game.layout();
    game.script("INIT", storing(1));
    pack();
    game.script("INIT", storing(2));
    EXPECT_EQ(start()->vm().gameInts[0], 2);
}

TEST_F(LookupTest, WithAPackSqxIsNotConsultedAndNothingIsSaid) {
    game.layout();
    game.script("INIT", "call CallSQX(\"ONLYSQX\")\n" + storing(1));
    pack();
    game.script("ONLYSQX", storing(5), "sqx");
    auto run = start();
    // The pack's answer is final: no lookup message, only the command's own.
    EXPECT_EQ(run->boxes(), "error: SQXファイルロードに失敗 in CallSQX()\n");
}

TEST_F(LookupTest, WithoutAPackSqxIsUsed) {
    game.layout();
    game.script("INIT", "call CallSQX(\"ONLYSQX\")\n" + storing(1));
    game.script("ONLYSQX", "PushRef 1 0\nPushConst 0 5\nAssign\nPop\nReturn", "sqx");
    auto run = start();
    EXPECT_EQ(run->vm().gameInts[1], 5);
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(LookupTest, MixedCaseAndShiftJisFileNamesAreFound) {
    game.layout();
    std::filesystem::rename(game.path() / "NECEMEM.SQI", game.path() / "necemem.sqi");
    game.script("Init", "call CallSQX(\"第二話\")\n" + storing(1));
    game.script("第二話", "PushRef 1 0\nPushConst 0 7\nAssign\nPop\nReturn", "SQX");
    auto run = start();
    EXPECT_EQ(run->vm().gameInts[1], 7);
    EXPECT_EQ(run->vm().scriptName, "INIT");
}

TEST_F(LookupTest, ThePackIsChosenByNameOrAsTheOnlyIndex) {
    game.layout();
    game.script("INIT", storing(1));
    pack();
    // A second archive: neither is the game's pack unless --name picks one.
    std::filesystem::copy_file(game.path() / "GAME", game.path() / "OTHER");
    std::filesystem::copy_file(game.path() / "GAME.lst", game.path() / "OTHER.lst");
    EXPECT_EQ(detectPackBaseName(game.path()), "");
    start(false);
    GameRun named(game);
    named.engine->config.baseName = "OTHER";
    ASSERT_TRUE(named.start()) << named.boxes();
    named.runFor(10);
    EXPECT_EQ(named.vm().gameInts[0], 1);
    // An index whose data file is missing names no pack.
    std::filesystem::remove(game.path() / "OTHER");
    EXPECT_EQ(detectPackBaseName(game.path()), "GAME");
}

TEST_F(LookupTest, ADamagedIndexHidesSqxLikeAnEmptyPack) {
    game.layout();
    game.script("INIT", storing(1), "sqx");
    game.write("GAME", "data");
    game.write("GAME.lst", std::string(81, 'x')); // not 4 + 76 k bytes
    auto run = start(false);
    EXPECT_EQ(run->boxes(), "error: INIT.SQXの読み込みに失敗\n");
    EXPECT_TRUE(run->engine->app.defaultPack->present);
    EXPECT_TRUE(run->engine->app.defaultPack->indexRefused);
}

TEST_F(LookupTest, PicturesAndSoundsFollowTheSameOrder) {
    game.layout();
    game.script("INIT", storing(1));
    game.write("BG.BMP", "bmp");
    game.write("grp/BG.PNG", "png");
    game.write("TITLE.PNG", "png");
    game.write("TITLE.BMP", "bmp");
    game.write("snd/BGM01.ogg", "ogg");
    auto run = start();
    Engine& e = *run->engine;
    // Beside the game every extension is tried before grp/; PNG before BMP.
    auto bg = FindResource(e, ResourceKind::Picture, "BG", DefaultPack(e));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->file.filename(), "BG.BMP");
    auto title = FindResource(e, ResourceKind::Picture, "title", nullptr);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->file.filename(), "TITLE.PNG");
    auto bgm = FindResource(e, ResourceKind::Sound, "BGM01", nullptr);
    ASSERT_TRUE(bgm);
    EXPECT_EQ(bgm->file.parent_path().filename(), "snd");
    EXPECT_FALSE(FindResource(e, ResourceKind::Sound, "VOICE", nullptr));
    EXPECT_FALSE(FindResource(e, ResourceKind::Picture, "NONE", nullptr));
    EXPECT_EQ(run->boxes(), "error: VOICE.OGG&WAVが見つかりません\n"
                            "error: NONE.PNG&BMPが見つかりません\n");
}

// A one-pixel 24-bit BMP file of the given blue, green and red.
std::string onePixelBmp(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::string f = "BM";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f += static_cast<char>(v >> (8 * i));
    };
    put32(58);
    put32(0);
    put32(54);
    put32(40);
    put32(1);
    put32(1);
    put32(1 | (24 << 16)); // planes, bits per pixel
    for (int i = 0; i < 6; ++i)
        put32(i == 1 ? 4 : 0);
    f += static_cast<char>(b);
    f += static_cast<char>(g);
    f += static_cast<char>(r);
    f += '\0';
    return f;
}

TEST_F(LookupTest, LoadPictureDecodesLooseAndPackedPictures) {
    game.layout();
    game.script("INIT", storing(1));
    game.write("PACKED.BMP", onePixelBmp(1, 2, 3));
    pack({"INIT.SQX", "NECEMEM.SQI", "PACKED.BMP"});
    Surface png;
    ASSERT_TRUE(png.create(2, 1, 24));
    png.row(0)[3] = 200;
    std::FILE* f = std::fopen((game.path() / "LOOSE.PNG").c_str(), "wb");
    ASSERT_TRUE(savePng(png, f));
    std::fclose(f);
    auto run = start();
    Surface picture;
    ASSERT_TRUE(LoadPicture(*run->engine, "loose", picture));
    EXPECT_EQ(picture.width(), 2);
    EXPECT_EQ(picture.row(0)[3], 200);
    ASSERT_TRUE(LoadPicture(*run->engine, "packed", picture));
    EXPECT_EQ(picture.width(), 1);
    EXPECT_EQ(picture.row(0)[2], 3);
    EXPECT_EQ(DefaultPack(*run->engine)->stream(), nullptr);
    EXPECT_FALSE(LoadPicture(*run->engine, "missing", picture)); // the pack says no, silently
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(LookupTest, APackedPictureIsStreamedAndTheStreamClosedOnEveryPath) {
    game.layout();
    game.script("INIT", storing(1));
    game.write("CG01.PNG", "picture bytes");
    pack({"INIT.SQX", "NECEMEM.SQI", "CG01.PNG"});
    game.write("grp/ONLYGRP.PNG", "x");
    auto run = start();
    Engine& e = *run->engine;
    PackArchive* pack = DefaultPack(e);
    ASSERT_TRUE(pack);
    auto found = FindResource(e, ResourceKind::Picture, "cg01", pack);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pack, pack);
    {
        PackStream stream(*pack, 0);
        ASSERT_TRUE(stream.ok());
        char bytes[7] = {};
        ASSERT_EQ(std::fread(bytes, 1, 7, pack->stream()), 7u);
        EXPECT_EQ(std::string(bytes, 7), "picture");
        {
            PackStream second(*pack, 0); // already open: refused, and it closes nothing
            EXPECT_FALSE(second.ok());
        }
        EXPECT_NE(pack->stream(), nullptr);
    }
    EXPECT_EQ(pack->stream(), nullptr);
    // With the pack present, grp/ is not consulted and nothing is said.
    EXPECT_FALSE(FindResource(e, ResourceKind::Picture, "ONLYGRP", pack));
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(LookupTest, LoadSoundPicksTheLoaderByExtensionAndTheStreamingFlag) {
    game.layout();
    game.script("INIT", "call InitSoundChannels(2)\ncall SetChannelStream(1, 1)\n" + storing(1));
    // Told apart by their channel counts: the Ogg is stereo, the WAVs mono.
    game.write("X.OGG", test::encodeOgg(2, 44100, test::testSignal(4410, 2, 44100)));
    game.write("X.WAV", test::wav16(1, 44100, test::testSignal(4410, 1, 44100)));
    game.write("snd/Y.WAV", test::wav16(1, 44100, test::testSignal(4410, 1, 44100)));
    auto run = start();
    Engine& e = *run->engine;
    SoundBuffer& whole = *e.sound.manager->channel(0);
    SoundBuffer& streamed = *e.sound.manager->channel(1);
    ASSERT_TRUE(LoadSound(e, "x", 0));
    EXPECT_EQ(whole.buffer->format().channels, 2);
    EXPECT_FALSE(whole.streaming);
    ASSERT_TRUE(LoadSound(e, "x", 1));
    EXPECT_TRUE(streamed.streaming && streamed.oggSource);
    ASSERT_TRUE(LoadSound(e, "y", 1));
    EXPECT_TRUE(streamed.streaming && streamed.waveSource);
    EXPECT_EQ(streamed.buffer->format().channels, 1);
    // Channels outside the tables load nothing and say nothing.
    EXPECT_FALSE(LoadSound(e, "x", 2));
    EXPECT_FALSE(LoadSound(e, "x", -1));
    EXPECT_EQ(run->boxes(), "");
}

} // namespace
} // namespace vura
