#pragma once
// A set of layers and masks with its own transition state. The engine has two: the main set
// and the set the right-click screen draws with.
//
// Script commands only change entries of the layer and mask tables; nothing reaches the screen
// until `compose` draws the tables into the work surface. Each table has a shadow holding the
// entries as they were at the last composition, so that the picture last shown can be drawn
// again (`redrawShown`) after the script has moved on. Shadow entries normally have no picture
// of their own and then use the primary entry's.

#include "base/rect.hpp"
#include "graphics/blend.hpp"
#include "graphics/surface.hpp"
#include "platform/frame_timer.hpp"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace vura {

// One entry of a layer or a mask table.
struct Layer {
    // The picture. Every primary entry owns one (empty until loaded); a shadow entry normally
    // has none and then means "the primary entry's".
    std::unique_ptr<Surface> surface;
    // Index into the mask table of the mask drawn with this layer; -1 is none.
    int maskIndex = -1;
    // Screen position of the layer's top-left corner.
    int x = 0;
    int y = 0;
    // The rectangle of the picture that is drawn. Scripts keep it inside the picture; drawing
    // leaves out whatever part of it is not.
    int srcX = 0;
    int srcY = 0;
    int width = 0;
    int height = 0;
    // Picture name last requested for this entry, upper-cased.
    std::string name;
    // -1 plain, 0 brightness-shifted, 1 masked fade; any other value draws nothing.
    int blendMode = -1;
    // Level for blend modes 0 and 1.
    int blendLevel = 0;
    bool visible = false;
    // Left out when the shown picture is redrawn for the message-window peek and the history.
    bool hideInPeek = false;
};

// Brightening or darkening of the whole clip rectangle. A change shows one composition late:
// `compose` applies the mode and level recorded at the composition before.
struct ScreenTone {
    int mode = -1; // 0 shifts the brightness; -1 is off
    int level = -1;
    int shownMode = -1; // as at the last composition
    int shownLevel = -1;
};

// A running screen transition: its type (-1 before the first), where it stands, where it ends,
// how far each step goes, the mask entry whose picture rules a rule crossfade, and the progress
// of each strip of the staggered types.
struct TransitionState {
    int type = -1;
    int progress = 0;
    int limit = 0;
    int step = 0;
    int ruleIndex = 0;
    std::array<int, 40> strips{};
};

class LayerSet {
public:
    enum class Table { Layers, Masks };
    // The tables as the script has set them, or their shadows as at the last composition.
    enum class View { Current, Shown };

    explicit LayerSet(Clock& clock) : stepTimer(clock) {}

    // Discards both arrays of one table, every picture and setting with them, and makes count
    // fresh entries in each (none for a count of 0 or less).
    void resizeLayers(int count, Table table);

    int layerCount() const { return static_cast<int>(layers_.size()); }
    int maskCount() const { return static_cast<int>(masks_.size()); }

    // The entry at index, or null when there is none (negative, or at or beyond the count).
    Layer* layer(int index) { return entryOf(layers_, index); }
    Layer* shownLayer(int index) { return entryOf(shownLayers_, index); }
    Layer* mask(int index) { return entryOf(masks_, index); }
    Layer* shownMask(int index) { return entryOf(shownMasks_, index); }
    const Layer* layer(int index) const { return entryOf(layers_, index); }
    const Layer* shownLayer(int index) const { return entryOf(shownLayers_, index); }
    const Layer* mask(int index) const { return entryOf(masks_, index); }
    const Layer* shownMask(int index) const { return entryOf(shownMasks_, index); }

    // Attaches the engine surfaces (null detaches them) and resets the clip rectangle to the
    // whole work surface.
    void setSurfaces(Surface* screen, Surface* work, Surface* previous);
    void setClipRect(int x, int y, int width, int height) { clipRect = {x, y, width, height}; }

    // Cuts the layer's rectangle to the clip rectangle into `clipped`; true when something is
    // left. An index with no entry leaves nothing.
    bool clipLayer(int index, View view);
    // Draws the layer in `clipped` (see clipLayer) whose blend mode is not -1 onto destination.
    void drawBlended(int index, View view, Surface& destination);

    // Draws the current tables into the work surface, applies the tone recorded at the previous
    // composition and records the tables and the tone as shown.
    void compose();
    // Draws the shadow tables again onto destination, the work or the screen surface; for the
    // screen the layers marked hideInPeek are left out. The current tone applies at once.
    // Records nothing.
    void redrawShown(Surface& destination);

    // Releases the pictures that shadow entries were given of their own, so that they use the
    // primary entries' again.
    void releaseShownSurfaces();

    // Paces the steps of a running transition; 16 ms until a script sets another interval.
    FrameTimer stepTimer;
    // The engine surfaces this set composes into and presents from (not owned).
    Surface* screenSurface = nullptr;
    Surface* workSurface = nullptr;
    Surface* previousSurface = nullptr;
    Rect clipRect;
    ScreenTone screenTone;
    // Scratch: the rectangle of the layer being drawn, as clipLayer left it.
    BlendRect clipped;
    TransitionState transition;

private:
    template <typename Entries>
    static auto entryOf(Entries& entries, int index) -> decltype(&entries[0]) {
        if (index < 0 || index >= static_cast<int>(entries.size()))
            return nullptr;
        return &entries[static_cast<std::size_t>(index)];
    }

    // The layer table the view reads, and the picture of an entry of either view.
    std::vector<Layer>& layersFor(View view) {
        return view == View::Shown ? shownLayers_ : layers_;
    }
    const Surface* pictureOf(int index, View view) const;
    const Surface* maskPictureOf(int index, View view) const;
    // Step 1 of a composition: every visible layer, the highest index first.
    void drawLayers(View view, Surface& destination, bool leaveOutHidden);
    void applyTone(Surface& destination, int level);

    std::vector<Layer> layers_;
    std::vector<Layer> shownLayers_;
    std::vector<Layer> masks_;
    std::vector<Layer> shownMasks_;
};

} // namespace vura
