#pragma once
// The engine's modal panels on a backend that shows them itself: message boxes drawn in the
// engine's look (installed as the platform's painter at start-up), and the name dialog.

#include "platform/platform.hpp"

#include <memory>
#include <optional>

namespace vura {

class Engine;

// The painter the platform draws message boxes with, for this engine.
std::unique_ptr<BoxPainter> MakeBoxPainter(Engine& engine);

// The fields as the name dialog leaves them.
struct NameFields {
    std::string family; // UTF-8
    std::string given;
};

// The name dialog, shown over the game's picture until the player presses OK; the fields then.
// It stays drawn (the boxes that follow go over it) until CloseNameDialog.
class NameDialogRun {
public:
    NameDialogRun(Engine& engine, PanelSurface& surface, const NameFields& defaults);
    ~NameDialogRun();
    NameDialogRun(const NameDialogRun&) = delete;
    NameDialogRun& operator=(const NameDialogRun&) = delete;

    NameFields waitForOk();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace vura
