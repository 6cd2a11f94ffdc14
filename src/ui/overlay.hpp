#pragma once
// The overlay seam: everything drawn over the composed picture and everything that takes the
// player's clicks before the script does. Every screen rebuild calls DrawOverlays once, after
// the layers are composed into the work surface, and DrawWindowsOnTop once, after the picture
// is on the screen surface; every waiting command asks ProcessSystemButton and, on a right
// click, ReadyToJumpRClickProcess whether they take over.
//
// System buttons, clickable maps, the choice menu and the save/load screen fill the functions
// below; until they exist, there is nothing to draw and nothing takes a click.

namespace vura {

class Engine;

enum class OverlayDraw {
    All,
    // Restoring a shown picture leaves the save/load screen out.
    WithoutSaveLoadScreen,
};

// Draws the overlays onto the work surface in their order: the system buttons, the items of the
// current clickable map, and the save/load screen.
void DrawOverlays(Engine& engine, OverlayDraw which = OverlayDraw::All);
void DrawSystemButtons(Engine& engine);
void DrawClickableMapItems(Engine& engine);
void DrawSaveLoadScreen(Engine& engine);

// Draws again over the screen surface what stays above the picture: the choice menu when one is
// active, otherwise every message window whose page shows text.
void DrawWindowsOnTop(Engine& engine);
// Draws the active choice menu over the screen surface; false when none is active.
bool DrawActiveChoiceMenu(Engine& engine);
// A choice menu is on the screen, waiting for the player.
bool ChoiceMenuShowing(Engine& engine);

// Called by every command that waits for the player. Each reports true when it has taken over:
// a system button's script or the right-click script runs, and the waiting command resumes in
// its phase when that script returns.
bool ProcessSystemButton(Engine& engine);
bool ReadyToJumpRClickProcess(Engine& engine);
// The right button or Escape was released while the right-click screen may open.
bool RightClickRequested(Engine& engine);

} // namespace vura
