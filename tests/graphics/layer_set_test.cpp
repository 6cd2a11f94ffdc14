#include "graphics/layer_set.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace vura {
namespace {

using View = LayerSet::View;
using Table = LayerSet::Table;

class StillClock : public Clock {
public:
    std::uint32_t milliseconds() override { return 1000; }
    std::optional<std::int64_t> performanceFrequency() override { return std::nullopt; }
    std::int64_t performanceCounter() override { return 0; }
};

// Every byte of the picture set to value.
void fill(Surface& s, int w, int h, std::uint8_t value) {
    s.create(w, h, 24);
    for (int y = 0; y < h; ++y)
        std::memset(s.row(y), value, static_cast<std::size_t>(w) * 3);
}

std::uint8_t at(const Surface& s, int x, int y) {
    return s.row(y)[x * 3];
}

// A 640 x 480 set with three layers and two masks; the work surface starts a flat 10.
struct Fixture : ::testing::Test {
    StillClock clock;
    Surface screen, work, previous;
    LayerSet set{clock};

    void SetUp() override {
        fill(screen, 640, 480, 10);
        fill(work, 640, 480, 10);
        set.setSurfaces(&screen, &work, &previous);
        set.resizeLayers(3, Table::Layers);
        set.resizeLayers(2, Table::Masks);
    }
    // Layer i shows a w x h picture of one value at (x, y).
    Layer& place(int i, int x, int y, int w, int h, std::uint8_t value) {
        Layer& e = *set.layer(i);
        fill(*e.surface, w, h, value);
        e.x = x, e.y = y, e.srcX = 0, e.srcY = 0, e.width = w, e.height = h, e.visible = true;
        return e;
    }
};

using LayerSetCompose = Fixture;
using LayerSetClip = Fixture;
using LayerSetBlend = Fixture;
using LayerSetTone = Fixture;
using LayerSetTables = Fixture;

TEST_F(LayerSetCompose, LayerZeroEndsOnTop) {
    place(2, 0, 0, 300, 300, 200);
    place(1, 0, 0, 200, 200, 100);
    place(0, 0, 0, 100, 100, 50);
    set.compose();
    EXPECT_EQ(at(work, 50, 50), 50);
    EXPECT_EQ(at(work, 150, 150), 100);
    EXPECT_EQ(at(work, 250, 250), 200);
    EXPECT_EQ(at(work, 350, 350), 10);
}

TEST_F(LayerSetCompose, LayersWithNothingToDrawAreSkipped) {
    set.resizeLayers(6, Table::Layers);
    place(0, 0, 0, 50, 50, 50).surface->release(); // the picture failed to load
    place(1, 100, 0, 50, 50, 60).maskIndex = 5;    // no such mask
    place(2, 200, 0, 50, 50, 70).maskIndex = 1;    // a mask that never loaded
    place(3, 300, 0, 50, 50, 80).blendMode = 1;    // a fade without a mask
    place(4, 400, 0, 50, 50, 90).blendMode = 2;    // no such mode
    place(5, 500, 0, 50, 50, 99).blendMode = 0;    // brightness 0 without a mask: opaque
    set.compose();
    for (int x = 0; x < 500; x += 100)
        EXPECT_EQ(at(work, x, 0), 10) << x;
    EXPECT_EQ(at(work, 500, 0), 99);
}

TEST_F(LayerSetClip, NegativeXDrawsSourceColumns50To199AtScreenColumns0To149) {
    Layer& e = place(0, -50, 20, 200, 10, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 200; ++x)
            e.surface->row(y)[x * 3] = static_cast<std::uint8_t>(x);
    set.compose();
    EXPECT_EQ(at(work, 0, 20), 50);
    EXPECT_EQ(at(work, 149, 29), 199);
    EXPECT_EQ(at(work, 150, 20), 10);
}

TEST_F(LayerSetClip, ClipRectCutsALayerAfterRow379AndBoundsTheTone) {
    set.setClipRect(0, 100, 640, 280);
    place(0, 0, 300, 640, 200, 90);
    set.screenTone.mode = 0, set.screenTone.level = 5;
    set.compose();
    set.compose();
    EXPECT_EQ(at(work, 0, 379), 95);
    EXPECT_EQ(at(work, 0, 380), 10);
    EXPECT_EQ(at(work, 0, 99), 10);
    EXPECT_EQ(at(work, 0, 200), 15); // under the clip rectangle, toned by the second one
    // Entirely outside the clip rectangle: nothing left.
    set.layer(0)->y = 380;
    EXPECT_FALSE(set.clipLayer(0, View::Current));
}

TEST_F(LayerSetClip, SourceRectanglesBeyondThePictureOrExtremeLoseOnlyTheirOutsidePart) {
    Layer& e = place(0, 0, 0, 100, 100, 77);
    e.width = 400, e.blendMode = 0, e.blendLevel = 3; // wider than the picture
    set.compose();
    EXPECT_EQ(at(work, 99, 99), 80);
    EXPECT_EQ(at(work, 100, 0), 10);
    e.blendMode = -1, e.x = -1000, e.width = 2000;
    e.srcX = INT_MAX - 10; // moving it by 1000 passes the int range
    ASSERT_TRUE(set.clipLayer(0, View::Current));
    EXPECT_EQ(set.clipped.sx, INT_MAX);
    set.compose(); // nothing of the picture there to read
    EXPECT_EQ(at(work, 0, 0), 80);
    // A mask shorter than the picture bounds the drawn rows too.
    fill(*set.mask(1)->surface, 100, 20, 0);
    place(1, 0, 200, 100, 50, 33).maskIndex = 1;
    set.compose();
    EXPECT_EQ(at(work, 0, 219), 33);
    EXPECT_EQ(at(work, 0, 220), 10);
}

TEST_F(LayerSetBlend, ModesDrawThroughTheMaskAtTheSourcePosition) {
    // A mask whose left half is opaque (0) and right half transparent (255).
    Surface& m = *set.mask(0)->surface;
    fill(m, 200, 50, 255);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 300; ++x)
            m.row(y)[x] = 0;
    Layer& e = place(0, 300, 0, 200, 50, 110);
    e.maskIndex = 0, e.srcX = 50, e.width = 100; // the mask is read from column 50 too
    set.compose();
    EXPECT_EQ(at(work, 300, 0), 110);
    EXPECT_EQ(at(work, 350, 0), 110 + ((10 - 110) * 255 >> 8)); // transparent mask area
    e.blendMode = 0, e.blendLevel = -20;
    set.compose();
    EXPECT_EQ(at(work, 300, 0), 90);
    e.blendMode = 1, e.blendLevel = 255;
    set.compose();
    EXPECT_EQ(at(work, 300, 0), 110);
}

TEST_F(LayerSetTone, ShowsOneCompositionLateButAtOnceWhenTheShownPictureIsRedrawn) {
    place(0, 0, 0, 640, 480, 100);
    set.screenTone.mode = 0, set.screenTone.level = -80;
    set.compose();
    EXPECT_EQ(at(work, 5, 5), 100);
    set.compose();
    EXPECT_EQ(at(work, 5, 5), 20);
    set.screenTone.level = -30;
    set.compose();
    EXPECT_EQ(at(work, 5, 5), 20); // still the level of the composition before
    set.screenTone.level = -40;
    set.redrawShown(work);
    EXPECT_EQ(at(work, 5, 5), 60);
    set.screenTone.mode = -1;
    set.compose();
    EXPECT_EQ(at(work, 5, 5), 100);
}

TEST_F(LayerSetTone, RedrawShownDrawsTheShadowAndLeavesHiddenLayersOffTheScreen) {
    place(0, 0, 0, 10, 10, 40).hideInPeek = true;
    place(1, 100, 0, 10, 10, 50);
    set.compose();
    set.layer(1)->x = 200; // the script moves on before the change is shown
    fill(*set.layer(1)->surface, 10, 10, 99);
    set.shownLayer(1)->surface = std::make_unique<Surface>();
    fill(*set.shownLayer(1)->surface, 10, 10, 55); // a private copy of the shown picture
    set.redrawShown(screen);
    EXPECT_EQ(at(screen, 0, 0), 10);
    EXPECT_EQ(at(screen, 100, 0), 55);
    EXPECT_EQ(at(screen, 200, 0), 10);
    set.releaseShownSurfaces();
    set.redrawShown(work);
    EXPECT_EQ(at(work, 0, 0), 40);
    EXPECT_EQ(at(work, 100, 0), 99);
}

TEST_F(LayerSetTables, AnIndexOutsideTheTableIsNoEntry) {
    for (int i : {-1, INT_MIN, 3, 4}) {
        EXPECT_EQ(set.layer(i), nullptr);
        EXPECT_EQ(set.shownLayer(i), nullptr);
        EXPECT_FALSE(set.clipLayer(i, View::Shown));
        set.drawBlended(i, View::Current, work);
    }
    EXPECT_EQ(set.mask(2), nullptr);
    EXPECT_NE(set.shownMask(1), nullptr);
}

TEST_F(LayerSetTables, ResizingReplacesBothArraysOfOneTableWhole) {
    place(0, 5, 6, 10, 10, 1).name = "BG01";
    set.compose();
    set.resizeLayers(2, Table::Layers);
    ASSERT_EQ(set.layerCount(), 2);
    EXPECT_EQ(set.maskCount(), 2);
    const Layer& fresh = *set.layer(0);
    EXPECT_TRUE(fresh.surface && fresh.surface->empty());
    EXPECT_TRUE(fresh.x == 0 && fresh.maskIndex == -1 && !fresh.visible && fresh.name.empty());
    EXPECT_EQ(set.shownLayer(0)->surface, nullptr);
    EXPECT_TRUE(set.shownLayer(0)->name.empty());
    set.resizeLayers(0, Table::Layers);
    EXPECT_EQ(set.layer(0), nullptr);
    set.resizeLayers(-4, Table::Masks);
    EXPECT_EQ(set.maskCount(), 0);
    set.compose(); // empty tables draw nothing over the last picture
    EXPECT_EQ(at(work, 5, 6), 1);
}

} // namespace
} // namespace vura
