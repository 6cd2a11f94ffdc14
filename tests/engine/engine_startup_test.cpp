#include "base/sjis.hpp"
#include "graphics/screen.hpp"
#include "support/engine_harness.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::EngineHarness;

TEST(EngineStartup, OpensTheCaptionedWindowAndTheSurfaces) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    EXPECT_TRUE(h.platform.hasMainWindow());
    EXPECT_EQ(h.platform.className(), "VURA");
    EXPECT_EQ(h.platform.captionSjis(), "RO-VivereVirezo ver1.0");
    EXPECT_EQ(h.platform.screenWidth(), 640);
    EXPECT_EQ(h.platform.screenHeight(), 480);
    Engine& e = h.engine;
    EXPECT_TRUE(e.app.appState->active);
    EXPECT_EQ(e.app.appState->input, e.app.input.get());
    EXPECT_EQ(e.display.screenWidth, 640);
    EXPECT_EQ(e.display.screenHeight, 480);
    EXPECT_EQ(e.script.savedCommandTop, -1);
    EXPECT_EQ(e.display.currentLayerSet, e.display.mainLayerSet.get());
    for (Surface* s : {e.display.screenSurface.get(), e.display.workSurface.get(),
                       e.display.previousSurface.get(), e.display.backdropSurface.get()}) {
        EXPECT_EQ(s->width(), 640);
        EXPECT_EQ(s->height(), 480);
        EXPECT_EQ(s->pitch(), 1920);
    }
    EXPECT_TRUE(e.display.thumbnailSurface->empty());
    EXPECT_EQ(e.display.mainLayerSet->workSurface, e.display.workSurface.get());
    EXPECT_EQ(e.display.rightClickLayerSet->screenSurface, e.display.screenSurface.get());
    EXPECT_TRUE(e.app.systemInfo->programDirectory.is_absolute());
    EXPECT_FALSE(e.app.systemInfo->programDirectory.has_filename()); // ends with a separator
}

TEST(EngineStartup, RandomGeneratorSeededFromTheCalendarTime) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    CrtRandom expected;
    expected.seed(static_cast<std::uint32_t>(HeadlessPlatform::kCalendarStart));
    EXPECT_EQ(h.engine.script.random.next(), expected.next());
}

TEST(EngineStartup, ProcessorWithoutVectorUnitRefusesToStart) {
    EngineConfig config;
    config.processorCheck = [] { return false; };
    EngineHarness h("", 1, config);
    EXPECT_FALSE(h.init());
    EXPECT_FALSE(h.platform.hasMainWindow());
    ASSERT_EQ(h.platform.messageBoxes().size(), 1u);
    EXPECT_EQ(h.platform.messageBoxes()[0].captionUtf8, "error");
    EXPECT_EQ(h.platform.messageBoxes()[0].textUtf8,
              "MMX機能が搭載されていません。起動を中止します");
    ShutdownEngine(h.engine);
    EXPECT_FALSE(h.engine.app.displayMode);
}

TEST(EngineStartup, ShutdownDestroysEverythingAndIsSafeTwice) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    SetWindowMode(h.platform, *h.engine.app.appState, *h.engine.app.displayMode, true);
    ShutdownEngine(h.engine);
    EXPECT_FALSE(h.platform.hasMainWindow());
    EXPECT_FALSE(h.engine.app.appState);
    EXPECT_FALSE(h.engine.display.screenSurface);
    EXPECT_EQ(h.engine.display.currentLayerSet, nullptr);
    ShutdownEngine(h.engine);
}

TEST(EngineStartup, PresentScreenShowsTheSurfaceTopRowFirst) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    Surface& screen = *h.engine.display.screenSurface;
    // Row 0 of the picture is the last row in memory.
    screen.row(0)[0] = 0x11; // blue of (0, 0)
    screen.row(0)[1] = 0x22; // green
    screen.row(0)[2] = 0x33; // red
    screen.row(479)[639 * 3 + 2] = 0xFF;
    presentScreen(h.engine);
    EXPECT_EQ(h.platform.screenPixel(0, 0), 0x332211u);
    EXPECT_EQ(h.platform.screenPixel(639, 479), 0xFF0000u);
    EXPECT_EQ(h.platform.screenPixel(1, 0), 0u);
}

TEST(EngineStartup, PaintingTheWindowAgainPresentsTheScreen) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    int before = h.platform.presentCount();
    h.engine.app.appState->OnPaint();
    EXPECT_EQ(h.platform.presentCount(), before + 1);
}

TEST(WindowMode, SwitchesAndReshowsWithoutChangingTheMode) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    Engine& e = h.engine;
    int shows = h.platform.showCount();
    SetWindowMode(h.platform, *e.app.appState, *e.app.displayMode, false);
    EXPECT_EQ(h.platform.showCount(), shows + 1); // the mode in force: only shown again
    EXPECT_FALSE(h.platform.fullScreen());
    SetWindowMode(h.platform, *e.app.appState, *e.app.displayMode, true);
    EXPECT_TRUE(h.platform.fullScreen());
    EXPECT_TRUE(e.app.displayMode->isFullScreen);
    SetWindowMode(h.platform, *e.app.appState, *e.app.displayMode, false);
    EXPECT_FALSE(h.platform.fullScreen());
    EXPECT_EQ(e.app.appState->width, 640);
    EXPECT_EQ(e.app.appState->height, 480);
}

} // namespace
} // namespace vura
