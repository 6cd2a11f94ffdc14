#pragma once
// Putting the picture on the screen: presenting the screen surface in the window, the screen
// rebuilds that compose the current layer set and draw the overlays and the windows kept on
// top (through ui/overlay), and the tick's step of a running transition.

#include "base/rect.hpp"
#include "platform/platform.hpp"

namespace vura {

class Engine;

// Paints the whole screen surface into the window.
void presentScreen(Engine& engine);
// Paints one rectangle of the screen surface at the same place in the window.
void presentScreenRect(Engine& engine, const Rect& area);
// Paints `area` of any picture into the window (the screen surface, or a movie's picture).
void presentPicture(Engine& engine, const BgrImageView& picture, const Rect& area);

// Composes the current layer set into the work surface, keeps the layers alone in the backdrop
// surface (unless copyBackdrop is false) and draws the overlays onto the work surface: the
// first part of every screen rebuild.
void composeWithOverlays(Engine& engine, bool copyBackdrop = true);

// Shows the composed picture: the work surface onto the screen, the message windows or the
// choice menu over it when they stay on top, and the window.
void showComposedPicture(Engine& engine);

// Shows the current layer set at once: composeWithOverlays, then showComposedPicture.
void refreshScreen(Engine& engine);

// Before the script's changes are redrawn over (the message-window peek, the history, the end
// of the right-click screen): every shadow entry whose name differs from its current entry's
// gets a picture of its own, loaded by the shown name, so the picture on screen can be drawn
// again although the script has already changed the tables.
void freezeShown(Engine& engine);

// Draws the last shown picture again: the shadow tables into the work surface, the backdrop,
// the overlays, the screen, the message windows or choice menu, the window; then the shadow
// entries' own pictures are released.
void restoreScreen(Engine& engine);

// The end of the message-window peek: the picture composed again without touching the
// backdrop, which still holds the layers as they were before the peek, and the windows back
// on top whatever windowsOnTop says.
void rebuildAfterPeek(Engine& engine);

// The tick's part of a running transition: Ctrl or skip mode finishes it at once; otherwise a
// step is drawn when the layer set's step timer is due. False when the transition holds the
// script in this tick, so that the command handler is not called.
bool AdvanceTransition(Engine& engine);

} // namespace vura
