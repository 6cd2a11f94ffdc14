#include "core/sjis.hpp"
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
    EXPECT_TRUE(e.appState->active);
    EXPECT_EQ(e.appState->input, e.input.get());
    EXPECT_EQ(e.screenWidth, 640);
    EXPECT_EQ(e.screenHeight, 480);
    EXPECT_EQ(e.savedCommandTop, -1);
    EXPECT_EQ(e.currentLayerSet, e.mainLayerSet.get());
    for (Surface* s : {e.screenSurface.get(), e.workSurface.get(), e.previousSurface.get(),
                       e.backdropSurface.get()}) {
        EXPECT_EQ(s->width(), 640);
        EXPECT_EQ(s->height(), 480);
        EXPECT_EQ(s->pitch(), 1920);
    }
    EXPECT_TRUE(e.thumbnailSurface->empty());
    EXPECT_EQ(e.mainLayerSet->workSurface, e.workSurface.get());
    EXPECT_EQ(e.rightClickLayerSet->screenSurface, e.screenSurface.get());
    EXPECT_TRUE(e.systemInfo->programDirectory.is_absolute());
    EXPECT_FALSE(e.systemInfo->programDirectory.has_filename()); // ends with a separator
}

TEST(EngineStartup, RandomGeneratorSeededFromTheCalendarTime) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    CrtRandom expected;
    expected.seed(static_cast<std::uint32_t>(HeadlessPlatform::kCalendarStart));
    EXPECT_EQ(h.engine.random.next(), expected.next());
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
    EXPECT_FALSE(h.engine.displayMode);
}

TEST(EngineStartup, ShutdownDestroysEverythingAndIsSafeTwice) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    SetWindowMode(h.platform, *h.engine.appState, *h.engine.displayMode, true);
    ShutdownEngine(h.engine);
    EXPECT_FALSE(h.platform.hasMainWindow());
    EXPECT_FALSE(h.engine.appState);
    EXPECT_FALSE(h.engine.screenSurface);
    EXPECT_EQ(h.engine.currentLayerSet, nullptr);
    ShutdownEngine(h.engine);
}

TEST(EngineStartup, PresentScreenShowsTheSurfaceTopRowFirst) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    Surface& screen = *h.engine.screenSurface;
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
    h.engine.appState->OnPaint();
    EXPECT_EQ(h.platform.presentCount(), before + 1);
}

TEST(WindowMode, SwitchesAndReshowsWithoutChangingTheMode) {
    EngineHarness h;
    ASSERT_TRUE(h.init());
    Engine& e = h.engine;
    int shows = h.platform.showCount();
    SetWindowMode(h.platform, *e.appState, *e.displayMode, false);
    EXPECT_EQ(h.platform.showCount(), shows + 1); // the mode in force: only shown again
    EXPECT_FALSE(h.platform.fullScreen());
    SetWindowMode(h.platform, *e.appState, *e.displayMode, true);
    EXPECT_TRUE(h.platform.fullScreen());
    EXPECT_TRUE(e.displayMode->isFullScreen);
    SetWindowMode(h.platform, *e.appState, *e.displayMode, false);
    EXPECT_FALSE(h.platform.fullScreen());
    EXPECT_EQ(e.appState->width, 640);
    EXPECT_EQ(e.appState->height, 480);
}

} // namespace
} // namespace vura
