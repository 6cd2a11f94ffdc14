#pragma once
// Showing what the layer commands prepared: at once, or through one of six transitions that
// the tick advances step by step.

#include <array>

namespace vura {

class Engine;
class LayerSet;

enum TransitionType : int {
    kCrossfade = 0,
    kRuleCrossfade = 1,
    kVerticalStripes = 2,
    kHorizontalStripes = 3,
    kStaggeredVerticalStripes = 4,
    kStaggeredHorizontalStripes = 5,
};

// Sets the layer set's transition going from progress 0: its limit and step from the type and
// duration (in steps). False for a type outside 0 to 5. A crossfade longer than 256 steps
// steps by 1, and a rule crossfade of duration 1 behaves like duration 0, rather than never
// moving or dividing by zero.
bool startTransition(LayerSet& set, int type, int duration, int ruleIndex);

// Draws the transition at its progress, then advances it; true once the step at the limit has
// been drawn. Crossfades mix the old and the new picture over the clip rectangle; stripes copy
// columns or rows of the new picture onto the screen.
bool stepTransitionOnce(LayerSet& set);

// Composes the current layer set into the work surface, keeps the layers alone in the backdrop
// surface (unless copyBackdrop is false) and draws the overlays (system buttons, clickable-map
// items, the save/load screen) onto the work surface: the first part of every screen rebuild.
void composeWithOverlays(Engine& engine, bool copyBackdrop = true);

// Shows the current layer set at once: composeWithOverlays, then the work surface onto the
// screen, the message windows or choice menu over it when they stay on top, and the window.
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

namespace commands {
int StartupGraphicEffect(Engine& engine); // 26
} // namespace commands

} // namespace vura
