#pragma once
// The display subsystem's record: the engine surfaces, the two layer sets and the one the
// commands work on, and the flags of a running transition.

#include "graphics/layer_set.hpp"
#include "graphics/surface.hpp"

#include <memory>

namespace vura {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

struct DisplayState {
    bool pictureShown = false; // the window has shown a picture of the game
    std::unique_ptr<LayerSet> mainLayerSet;
    std::unique_ptr<LayerSet> rightClickLayerSet;
    // What the window shows; the composed picture without text; the old picture of a
    // crossfade; the layers alone, without the overlays; the picture saves keep.
    std::unique_ptr<Surface> screenSurface;
    std::unique_ptr<Surface> workSurface;
    std::unique_ptr<Surface> previousSurface;
    std::unique_ptr<Surface> backdropSurface;
    std::unique_ptr<Surface> thumbnailSurface;
    LayerSet* currentLayerSet = nullptr;
    int screenWidth = 0;
    int screenHeight = 0;
    // A transition is running, and whether the command handlers run while it does.
    bool effectRunning = false;
    bool scriptRunsDuringEffect = false;
    // The message windows (or the choice menu) are drawn again over every screen change.
    bool windowsOnTop = false;
};

} // namespace vura
