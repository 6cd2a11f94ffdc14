// The layer commands change the current layer set's tables; nothing is drawn until a script
// asks for the picture to be shown.

#include "graphics/layer_set.hpp"
#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

struct LayerCommandsTest : ::testing::Test {
    std::unique_ptr<GameRun> play(const std::string& init) {
        game.layout();
        game.script("INIT", init + "\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game);
        EXPECT_TRUE(run->start()) << run->boxes();
        run->runFor(200);
        return run;
    }
    LayerSet& set(GameRun& run) { return *run.engine->display.currentLayerSet; }
    TestGame game;
};

TEST_F(LayerCommandsTest, CommandsFillTheTables) {
    game.picture("BG.PNG", 4, 3, 10);
    auto run = play("call SetLayerCount(3)\ncall SetMaskCount(2)\n"
                    "call LoadLayer(1, \"bg\")\ncall SetLayerSourceRect(1, 2, 1, -1, -1)\n"
                    "call SetLayerPosition(1, -50, 7)\ncall SetLayerVisible(1, 5)\n"
                    "call SetLayerMask(1, 0)\ncall SetLayerBlend(1, 0, -255)\n"
                    "call SetClipRect(0, 100, 640, 280)\ncall SetScreenTone(0, -80)\n"
                    "call SetEffectInterval(40)\n"
                    "call SetLayerVisible(9, 1)\ncall SetLayerPosition(-1, 1, 1)"); // ignored
    LayerSet& s = set(*run);
    EXPECT_EQ(s.layerCount(), 3);
    EXPECT_EQ(s.maskCount(), 2);
    const Layer* layer = s.layer(1);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->name, "BG");
    EXPECT_EQ(layer->surface->width(), 4);
    // A negative size is the picture's, whatever the source position.
    EXPECT_EQ(layer->srcX, 2);
    EXPECT_EQ(layer->srcY, 1);
    EXPECT_EQ(layer->width, 4);
    EXPECT_EQ(layer->height, 3);
    EXPECT_EQ(layer->x, -50);
    EXPECT_EQ(layer->y, 7);
    EXPECT_TRUE(layer->visible);
    EXPECT_EQ(layer->maskIndex, 0);
    EXPECT_EQ(layer->blendMode, 0);
    EXPECT_EQ(layer->blendLevel, -255);
    EXPECT_EQ(s.clipRect.y, 100);
    EXPECT_EQ(s.clipRect.height, 280);
    EXPECT_EQ(s.screenTone.mode, 0);
    EXPECT_EQ(s.screenTone.level, -80);
    EXPECT_EQ(s.screenTone.shownMode, -1); // takes effect with a composition
    EXPECT_EQ(s.stepTimer.intervalMs, 40u);
    EXPECT_EQ(run->boxes(), "");
}

TEST_F(LayerCommandsTest, ANameDifferingOnlyInCaseIsNotLoadedAgain) {
    game.picture("CHARA.PNG", 2, 2, 50);
    game.picture("OTHER.PNG", 3, 3, 90);
    game.layout();
    game.script("INIT", "call SetLayerCount(1)\ncall LoadLayer(0, \"chara\")\n"
                        "call WaitClick(0)\ncall LoadLayer(0, \"Chara\")\n"
                        "call WaitClick(0)\ncall LoadLayer(0, \"other\")\ncall WaitClick(0)");
    GameRun run(game, "100 click 5 5\n200 click 5 5\n");
    ASSERT_TRUE(run.start());
    run.runFor(50);
    Layer* layer = set(run).layer(0);
    ASSERT_NE(layer, nullptr);
    layer->surface->row(0)[0] = 1; // marks the picture in memory
    run.runFor(100);               // past the first click: "Chara" is the same picture
    EXPECT_EQ(layer->surface->row(0)[0], 1);
    EXPECT_EQ(layer->name, "CHARA");
    run.runFor(100); // past the second: another name loads
    EXPECT_EQ(layer->name, "OTHER");
    EXPECT_EQ(layer->surface->width(), 3);
}

TEST_F(LayerCommandsTest, AFailedLoadEmptiesThePictureAndKeepsTheName) {
    game.picture("FIRST.PNG", 5, 5, 1);
    auto run = play("call SetLayerCount(1)\ncall LoadLayer(0, \"first\")\n"
                    "call LoadLayer(0, \"missing\")\ncall SetLayerSourceRect(0, 0, 0, -1, -1)\n"
                    "call LoadLayer(0, \"missing\")"); // the same name is not tried again
    const Layer* layer = set(*run).layer(0);
    EXPECT_TRUE(layer->surface->empty());
    EXPECT_EQ(layer->name, "MISSING");
    EXPECT_EQ(layer->width, 0);
    EXPECT_EQ(layer->height, 0);
    EXPECT_EQ(run->boxes(), "error: missing.PNG&BMPが見つかりません\n"
                            "error: 画像読み込みに失敗 in LoadLayer()\n");
}

TEST_F(LayerCommandsTest, ReleasingAPictureAllowsItToLoadAgain) {
    game.picture("BG.PNG", 4, 4, 1);
    game.picture("RULE.PNG", 4, 4, 2);
    auto run = play("call SetLayerCount(1)\ncall SetMaskCount(1)\ncall LoadLayer(0, \"bg\")\n"
                    "call SetLayerVisible(0, 1)\ncall LoadMask(0, \"rule\")\n"
                    "call ReleaseLayerPicture(0)\ncall ReleaseMaskPicture(0)");
    LayerSet& s = set(*run);
    EXPECT_TRUE(s.layer(0)->surface->empty());
    EXPECT_EQ(s.layer(0)->name, "");
    EXPECT_FALSE(s.layer(0)->visible);
    EXPECT_TRUE(s.mask(0)->surface->empty());
    EXPECT_EQ(s.mask(0)->name, "");
}

TEST_F(LayerCommandsTest, AnAbsurdLayerCountEndsTheGameWithAMessage) {
    auto run = play("call SetLayerCount(100000000)");
    EXPECT_EQ(run->boxes(), "error: レイヤー数が多すぎます in SetLayerCount()\n");
    EXPECT_FALSE(run->platform->hasMainWindow());
}

} // namespace
} // namespace vura
