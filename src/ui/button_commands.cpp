// The system-button commands: the buttons made, their picture, their flags, their places and
// scripts, their sounds; and command 85, which closes the right-click screen.
//
// Button, layer and channel numbers come from the scripts unchecked: a number outside its table
// leaves everything as it is, and the command completes with 0 as usual.

#include "ui/button_commands.hpp"

#include "audio/sound_commands.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "ui/overlay.hpp"

#include <string>

namespace vura {

namespace {

// More buttons than any screen shows by far; a larger count is a broken script.
constexpr std::int32_t kMaxSystemButtons = 65536;
constexpr std::size_t kNameArg = 64;

SystemButtons& buttons(Engine& engine) {
    return engine.ui.systemButtons;
}

// Commands 56 and 57: one flag of a button. A hovered button that can no longer hover is not
// the hovered one any more.
template <typename Setter>
int setFlag(Engine& engine, Setter set) {
    bool on = popValue(engine) != 0;
    const int number = popValue(engine);
    if (SystemButton* b = buttons(engine).button(number)) {
        set(*b, on);
        if (buttons(engine).hovered == number && !b->live())
            buttons(engine).hovered = -1;
    }
    return completeCommand(engine);
}

// A button's sound loaded into its channel. Channels above 0 carry a sound; one outside the
// channel table plays nothing. False when the sound cannot be loaded.
bool loadButtonSound(Engine& engine, std::int32_t channel, const std::string& name) {
    if (channel < 1 || !engine.sound.channel(channel))
        return true;
    return LoadChannelSound(engine, channel, name);
}

} // namespace

namespace commands {

int InitSystemButtons(Engine& engine) {
    std::int32_t count = popValue(engine);
    if (count > kMaxSystemButtons)
        return FailFatal(engine, sjis("システムボタン数が多すぎます"), "InitSystemButtons");
    if (count > 0) {
        buttons(engine).buttons.assign(static_cast<std::size_t>(count), SystemButton{});
        buttons(engine).hovered = -1;
    }
    return completeCommand(engine);
}

int SetSystemButtonLayer(Engine& engine) {
    std::int32_t layer = popValue(engine);
    LayerSet* set = engine.display.currentLayerSet;
    if (Layer* entry = set ? set->layer(layer) : nullptr) {
        // The layer holds the looks; it is not drawn as a layer.
        entry->visible = false;
        buttons(engine).layer = layer;
        buttons(engine).layerInRightClickSet = set == engine.display.rightClickLayerSet.get();
    }
    return completeCommand(engine);
}

int SetSystemButtonEnabled(Engine& engine) {
    return setFlag(engine, [](SystemButton& b, bool on) { b.enabled = on; });
}

int SetSystemButtonShown(Engine& engine) {
    return setFlag(engine, [](SystemButton& b, bool on) { b.shown = on; });
}

int SetSystemButton(Engine& engine) {
    std::string script = popString(engine, kNameArg);
    std::int32_t height = popValue(engine);
    std::int32_t width = popValue(engine);
    std::int32_t srcY = popValue(engine);
    std::int32_t srcX = popValue(engine);
    std::int32_t y = popValue(engine);
    std::int32_t x = popValue(engine);
    if (SystemButton* b = buttons(engine).button(popValue(engine))) {
        // Where and what it draws, then the same rectangle as the one the pointer is tested
        // against.
        b->x = x, b->y = y, b->srcX = srcX, b->srcY = srcY, b->width = width, b->height = height;
        b->hitX = x, b->hitY = y, b->hitWidth = width, b->hitHeight = height;
        b->script = script;
        buttons(engine).hovered = -1;
    }
    return completeCommand(engine);
}

int SetSystemButtonSound(Engine& engine) {
    std::string clickName = popString(engine, kNameArg);
    std::int32_t clickChannel = popValue(engine);
    std::string hoverName = popString(engine, kNameArg);
    std::int32_t hoverChannel = popValue(engine);
    SystemButton* b = buttons(engine).button(popValue(engine));
    if (!b)
        return completeCommand(engine);
    // A sound that cannot be loaded leaves the button as it was.
    if (!loadButtonSound(engine, hoverChannel, hoverName) ||
        !loadButtonSound(engine, clickChannel, clickName)) {
        engine.platform.messageBox(BoxOwner::MainWindow,
                                   sjis("ファイルロードに失敗 in SetSystemButtonSound()"), "error",
                                   MessageBoxButtons::Ok);
        return completeCommand(engine);
    }
    b->hoverChannel = hoverChannel;
    if (hoverChannel >= 1)
        b->hoverSound = hoverName;
    b->clickChannel = clickChannel;
    if (clickChannel >= 1)
        b->clickSound = clickName;
    return completeCommand(engine);
}

int CloseRClickScreen(Engine& engine) {
    ReturnFromRClickScreen(engine);
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
