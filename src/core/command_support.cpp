#include "core/command_support.hpp"

#include "core/engine.hpp"
#include "core/sjis.hpp"

#include <string>

namespace vura {

int FailFatal(Engine& engine, std::string_view whatSjis, std::string_view operation) {
    std::string text(whatSjis);
    text += " in ";
    text += operation;
    text += "()";
    engine.platform.messageBox(BoxOwner::MainWindow, text, "error", MessageBoxButtons::Ok);
    engine.engineState = 1;
    return 0;
}

} // namespace vura
