// Command 78 asks for the hero's family and given names: the player types them into the dialog
// the engine draws (or, headless, the input script's "name" lines press OK for them), OK checks
// them with the dialog's rules, a refusal shows its box and the dialog stays, and "はい" to the
// confirmation stores them. The command runs in one tick; nothing else moves meanwhile.
//
// A dialog that cannot be shown, or a script with no answer left that the rules refuse, ends in
// "Dialog表示失敗 in NameEntryDialog()" with both variables as they were. Only game string
// variables are written; texts are cut to 6 bytes on whole characters.

#include "ui/name_entry_commands.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "ui/modal_panels.hpp"
#include "ui/name_rules.hpp"

#include <optional>

namespace vura {

namespace {

// The texts are resolved whole and then cut, so the cut never splits a character.
constexpr std::size_t kResolveBytes = 1024;

// Where OK presses come from: the player at the dialog, or the input script.
class Presses {
public:
    virtual ~Presses() = default;
    // The fields at the next press of OK; nothing when there will be none.
    virtual std::optional<NameFields> next() = 0;
};

class ScriptedPresses final : public Presses {
public:
    ScriptedPresses(Platform& platform, const NameFields& defaults)
        : platform_(platform), defaults_(defaults), fields_(defaults) {}
    std::optional<NameFields> next() override {
        std::optional<NameAnswer> a = platform_.nextNameAnswer();
        if (!a) {
            // No line left: OK once with the fields as they stand, then the dialog gives up.
            if (exhausted_)
                return std::nullopt;
            exhausted_ = true;
            return fields_;
        }
        fields_ = a->defaults ? defaults_ : NameFields{a->family, a->given};
        return fields_;
    }

private:
    Platform& platform_;
    NameFields defaults_;
    NameFields fields_;
    bool exhausted_ = false;
};

class PlayerPresses final : public Presses {
public:
    PlayerPresses(Engine& engine, PanelSurface& surface, const NameFields& defaults)
        : run_(engine, surface, defaults) {}
    std::optional<NameFields> next() override { return run_.waitForOk(); }

private:
    NameDialogRun run_;
};

MessageBoxAnswer show(Engine& engine, const NameBox& box, MessageBoxButtons buttons) {
    return engine.platform.messageBox(BoxOwner::MainWindow, box.textSjis, box.captionSjis, buttons);
}

// The names the player confirms, or nothing when the dialog ends without them.
std::optional<NameCheck> askNames(Engine& engine, Presses& presses) {
    while (std::optional<NameFields> press = presses.next()) {
        NameCheck check = checkNames(press->family, press->given);
        if (check.refusal) {
            show(engine, *check.refusal, MessageBoxButtons::Ok);
            continue;
        }
        if (show(engine, confirmationBox(check.familySjis, check.givenSjis),
                 MessageBoxButtons::YesNo) == MessageBoxAnswer::Yes)
            return check;
    }
    return std::nullopt;
}

std::string currentText(Engine& engine, const Value& v) {
    return std::string(sjisPrefix(resolveString(engine, v, kResolveBytes), kNameBytesMax));
}

void store(Engine& engine, const Value& variable, const std::string& text) {
    auto& strings = engine.script.vm->gameStrings;
    if (variable.type == kGameStrRef && variable.value >= 0 &&
        static_cast<std::size_t>(variable.value) < strings.size())
        strings[static_cast<std::size_t>(variable.value)] = text;
}

} // namespace

namespace commands {

int NameEntryDialog(Engine& engine) {
    engine.app.skipMode = false;
    const Value givenVariable = popRaw(engine);
    const Value familyVariable = popRaw(engine);
    const std::string defaultGiven = currentText(engine, popRaw(engine));
    const std::string defaultFamily = currentText(engine, popRaw(engine));
    const NameFields defaults{cp932ToUtf8(defaultFamily), cp932ToUtf8(defaultGiven)};

    std::optional<NameCheck> names;
    if (engine.platform.scriptsNameEntry()) {
        ScriptedPresses presses(engine.platform, defaults);
        names = askNames(engine, presses);
    } else if (PanelSurface* surface = engine.platform.mainPanelSurface()) {
        PlayerPresses presses(engine, *surface, defaults);
        names = askNames(engine, presses);
    }
    if (names) {
        store(engine, familyVariable, names->familySjis);
        store(engine, givenVariable, names->givenSjis);
    } else {
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("Dialog表示失敗") + " in NameEntryDialog()", "error",
                                   MessageBoxButtons::Ok);
    }
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
