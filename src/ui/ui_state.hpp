#pragma once
// The records of what is drawn over the composed picture and takes the player's clicks before
// the script: the system buttons, the two clickable maps (the main one and the right-click
// screen's own), the choice menu, the save/load screen, the history viewer, and whether the right
// button opens the right-click screen.

#include "platform/platform.hpp"
#include "ui/choice_menu.hpp"
#include "ui/clickable_map.hpp"
#include "ui/history_view.hpp"
#include "ui/save_load_map.hpp"
#include "ui/system_buttons.hpp"

#include <array>
#include <memory>

namespace vura {

class Surface;

// As deep as commands can be suspended one inside another.
inline constexpr int kSuspendedMenuDepth = 8;

struct UiState {
    SystemButtons systemButtons;
    ClickableMap mainMap;
    ClickableMap rightClickMap;
    // The right-click map is the current one while the right-click layer set is current.
    bool rightClickMapCurrent = false;
    ChoiceMenu choiceMenu;
    SaveLoadMap saveLoadMap;
    HistoryViewer history;
    // A menu waiting under a suspension, one per saved command, given back when its command
    // resumes: a menu script may show a menu of its own meanwhile.
    std::array<ChoiceMenu, kSuspendedMenuDepth> suspendedMenus;
    // The right button and Escape start the right-click process while this is set.
    bool rightClickEnabled = false;
    // Draws the platform's message boxes in the engine's look, from start-up to shut-down.
    std::unique_ptr<BoxPainter> boxPainter;
    // The picture a message box goes over while another panel (the name dialog) is open.
    const Surface* panelBackdrop = nullptr;

    ClickableMap& currentMap() { return rightClickMapCurrent ? rightClickMap : mainMap; }
    const ClickableMap& currentMap() const {
        return rightClickMapCurrent ? rightClickMap : mainMap;
    }
};

} // namespace vura
