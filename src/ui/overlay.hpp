#pragma once
// The overlay seam: everything drawn over the composed picture and everything that takes the
// player's clicks before the script does. Every screen rebuild calls DrawOverlays once, after
// the layers are composed into the work surface, and DrawWindowsOnTop once, after the picture
// is on the screen surface; every command that waits for the player asks ProcessSystemButton
// and, on a right click, ReadyToJumpRClickProcess whether they take over.

#include "base/rect.hpp"

#include <string_view>

namespace vura {

class Engine;
class Surface;
struct ClickableMap;

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
// shown, otherwise every message window whose page shows text.
void DrawWindowsOnTop(Engine& engine);
// Draws the shown choice menu over the screen surface: the page it was shown under, then every
// line; false when no menu is shown.
bool DrawActiveChoiceMenu(Engine& engine);
// A choice menu is on the screen, waiting for the player.
bool ChoiceMenuShowing(Engine& engine);

// The picture a map's or the buttons' looks are taken from, found through their layer at each
// draw: the layer's picture and its mask's, either null when missing.
struct LookPictures {
    const Surface* picture = nullptr;
    const Surface* mask = nullptr;
};
LookPictures MapPictures(Engine& engine, const ClickableMap& map);
LookPictures ButtonPictures(Engine& engine);

// Puts the backdrop (the layers without the overlays) back on the screen surface over `area`.
void RestoreFromBackdrop(Engine& engine, const Rect& area);

// Called every tick by the commands that wait for the player. True when a button fired: its
// script runs now, and the waiting command, suspended in its phase, resumes when the script
// returns; the caller returns 1 at once.
bool ProcessSystemButton(Engine& engine);
// Starts the right-click process: the script "RCLICK" runs on the right-click layer set and
// map, the waiting command suspended as above. False (and the command waits on) when it cannot
// start: the right-click screen is already open, the suspensions are 8 deep, or the script
// cannot be loaded.
bool ReadyToJumpRClickProcess(Engine& engine);
// The right button or Escape was released while the right-click screen may open.
bool RightClickRequested(Engine& engine);

// The waits for a pick on a map or on the save/load screen (70, 99, 109) keep the same words.
enum PickWaitScratch { kPickMayCancel = 0, kPickResultVariable = 1 };
// The first tick of such a wait: skip mode ends, the may-cancel flag and the result variable
// are popped. False when the wait has already started (the caller goes on to wait).
bool StartPickWait(Engine& engine);
// Stores the pick (-1 for none) in the wait's result variable and completes the command.
int FinishPickWait(Engine& engine, std::int32_t result);

// 0: the main layer set and map are current; 1: the right-click ones, the set given the engine
// surfaces. Anything else says "illigal Switch in SwitchObjectsRC()" and changes nothing.
void SwitchObjectsRC(Engine& engine, int which);
// Back from the right-click screen (command 85): the main layer set and map, and the screen
// drawn again exactly as it was last shown.
void ReturnFromRClickScreen(Engine& engine);

// Suspends the waiting command and calls the script as a subroutine that returns to it: the
// call frame keeps the command's call where it stands (not stepped over, no result pushed),
// the script is loaded, and the command's state and its choice menu are saved. When the script
// cannot be loaded, "SQXCallに失敗 in <operation>()" is shown and nothing is suspended.
bool SuspendForScript(Engine& engine, std::string_view scriptSjis, std::string_view operation);
// Whether one more command can be suspended (8 at most, one inside another).
bool CanSuspend(const Engine& engine);
// A suspended command resumes (its saved state is already back): its choice menu comes back,
// drawn again when a menu of the script replaced it.
void ResumeSuspended(Engine& engine);

} // namespace vura
