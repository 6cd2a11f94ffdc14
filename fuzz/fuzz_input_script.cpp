// Feeds arbitrary text to the input-script parser, then plays any script it accepts through the
// headless backend and the engine's input polls.

#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"
#include "platform/input_state.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace {

class IgnoreWindowEvents : public vura::WindowEventHandler {
public:
    void OnClose() override {}
    void OnActivateApp(bool) override {}
    void OnMouseMove(int, int) override {}
    void OnMove(int, int) override {}
    void OnPaint() override {}
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vura::InputScriptResult r = vura::parseInputScript(text, "fuzz");
    if (!r.ok) {
        // A rejected script names where it went wrong and gives nothing back.
        check(r.error.rfind("fuzz:", 0) == 0);
        check(r.script.events.empty() && r.script.answers.empty() && r.script.names.empty());
        return 0;
    }
    check(r.error.empty());
    const auto& events = r.script.events;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const vura::InputEvent& e = events[i];
        check(i == 0 || events[i - 1].ms <= e.ms);
        check(e.line >= 1);
        check(e.x >= 0 && e.x < 640 && e.y >= 0 && e.y < 480);
        check(e.button >= 0 && e.button < 4);
        check(e.wheel >= -10000 && e.wheel <= 10000);
    }

    // Play it: 64 passes of 2^26 ms cover every time a script can name.
    std::ostringstream log;
    vura::HeadlessConfig config;
    config.tickMs = 1u << 26;
    config.script = std::move(r.script);
    config.log = &log;
    vura::HeadlessPlatform platform(std::move(config));
    platform.registerWindowClass("VURA");
    platform.openMainWindow("x", 1, 1);
    vura::InputState input(platform);
    IgnoreWindowEvents handler;
    for (int i = 0; i <= 64; ++i) {
        platform.pumpEvents(handler);
        input.PollKeyboard();
        input.PollMouse();
        (void)input.IsAdvanceReleased();
        (void)input.IsSkipHeld();
    }
    platform.messageBox(vura::BoxOwner::NoWindow, "t", "c", vura::MessageBoxButtons::YesNo);
    return 0;
}
