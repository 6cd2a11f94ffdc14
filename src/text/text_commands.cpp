// The commands that set up the message windows and the two text animations, the small option
// commands the message command reads, the display-mode switch and the script's message box.
//
// Window, animation and layer numbers come from the scripts unchecked. A number outside its
// table is a mistake in the script: the command then does nothing and completes with 0 as
// usual, rather than reach outside a table.

#include "text/text_commands.hpp"

#include "base/rect.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/blend.hpp"
#include "graphics/layer_set.hpp"
#include "graphics/screen.hpp"
#include "graphics/surface.hpp"
#include "platform/app_state.hpp"
#include "text/font_system.hpp"
#include "text/message_window.hpp"
#include "text/text_state.hpp"
#include "ui/overlay.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace vura {

namespace {

// More windows than any game shows at once by far; a larger count is a broken script, and
// honouring it would only exhaust memory.
constexpr std::int32_t kMaxMessageWindows = 65536;
// The face name field holds 31 bytes and its terminating NUL.
constexpr std::size_t kFaceNameMax = 31;
// The resolved face name argument, and the message box texts, NUL included.
constexpr std::size_t kFaceNameArgMax = 64;
constexpr std::size_t kMessageBoxTextMax = 128;

Animation* findAnimation(Engine& engine, int animation) {
    if (animation < 0 || animation >= kAnimationCount)
        return nullptr;
    return &engine.text.animations[static_cast<std::size_t>(animation)];
}

// The name cut to the field's 31 bytes, never between the two bytes of one character.
std::string cutFaceName(const std::string& name) {
    if (name.size() <= kFaceNameMax)
        return name;
    std::size_t end = 0;
    while (end < kFaceNameMax) {
        std::size_t next = end + (isSjisDoubleByteAt(name, end) ? 2 : 1);
        if (next > kFaceNameMax)
            break;
        end = next;
    }
    return name.substr(0, end);
}

// The part of the width x height rectangle from (sx, sy) to (dx, dy) that lies inside the
// destination and inside a source of srcWidth x srcHeight; nothing when no pixel does. The
// scripts' values may lie anywhere in the 32-bit range and a frame's position is a product.
std::optional<BlendRect> clipCopy(const Surface& dst, std::int64_t dx, std::int64_t dy,
                                  std::int64_t sx, std::int64_t sy, std::int64_t width,
                                  std::int64_t height, int srcWidth, int srcHeight) {
    CopyRegion region(dx, dy, width, height, sx, sy);
    region.clipDestination(boundsOf(dst.width(), dst.height()))
        .clipSource(boundsOf(srcWidth, srcHeight));
    if (region.empty())
        return std::nullopt;
    return region.toBlendRect();
}

void copyClipped(Surface& dst, const Surface& src, const BlendRect& r) {
    dst.copyRect(src, r.dx, r.dy, r.width, r.height, r.sx, r.sy);
}

// Draws the animation's current frame from its layer's picture onto the screen surface at
// (x, y), through the layer's mask when it has one with a picture. Nothing without a picture.
void drawFrame(Engine& engine, const Animation& a, Surface& screen, int x, int y) {
    if (!engine.display.mainLayerSet)
        return;
    const Layer* layer = engine.display.mainLayerSet->layer(a.layer);
    if (!layer || !layer->surface || layer->surface->empty())
        return;
    const Surface& picture = *layer->surface;
    const Layer* maskEntry = engine.display.mainLayerSet->mask(layer->maskIndex);
    const Surface* mask = maskEntry && maskEntry->surface && !maskEntry->surface->empty()
                              ? maskEntry->surface.get()
                              : nullptr;
    // The mask is read at the picture's coordinates, so both must hold the source rectangle.
    int srcWidth = mask ? std::min(picture.width(), mask->width()) : picture.width();
    int srcHeight = mask ? std::min(picture.height(), mask->height()) : picture.height();
    std::int64_t sx = std::int64_t{a.srcX} + std::int64_t{a.width} * a.frame;
    std::optional<BlendRect> r =
        clipCopy(screen, x, y, sx, a.srcY, a.width, a.height, srcWidth, srcHeight);
    if (!r)
        return;
    if (mask)
        blendMasked(screen, *r, picture, *mask);
    else
        copyClipped(screen, picture, *r);
}

template <typename Setter>
int withWindow(Engine& engine, int number, Setter set) {
    if (MessageWindow* window = engine.text.window(number))
        set(*window);
    return completeCommand(engine);
}

// The commands that set one flag of a window: window, on.
template <typename Setter>
int windowFlag(Engine& engine, Setter set) {
    bool on = popValue(engine) != 0;
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) { set(w, on); });
}

// Red, green and blue popped last first, each kept as its low byte.
Rgb popColour(Engine& engine) {
    auto low = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    std::uint8_t blue = low(popValue(engine));
    std::uint8_t green = low(popValue(engine));
    std::uint8_t red = low(popValue(engine));
    return {red, green, blue};
}

} // namespace

FontSystem& Fonts(Engine& engine) {
    if (!engine.text.fonts) {
        engine.text.fonts = std::make_unique<FontSystem>();
        const std::filesystem::path& forced = engine.config.fontFile;
        if (!forced.empty() && !engine.text.fonts->forceFontFile(forced.string()))
            engine.platform.messageBox(BoxOwner::NoWindow,
                                       sjis("フォントファイルを開けません: " + forced.string()),
                                       "Warning", MessageBoxButtons::Ok);
    }
    return *engine.text.fonts;
}

void DrawAnimationFrame(Engine& engine, int animation, int x, int y) {
    Animation* a = findAnimation(engine, animation);
    if (!a)
        return;
    Surface* screen = engine.display.screenSurface.get();
    if (screen && !screen->empty()) {
        // The previous frame goes: the picture without text is put back under the rectangle.
        if (const Surface* work = engine.display.workSurface.get(); work && !work->empty()) {
            if (auto r = clipCopy(*screen, x, y, x, y, a->width, a->height, work->width(),
                                  work->height()))
                copyClipped(*screen, *work, *r);
        }
        drawFrame(engine, *a, *screen, x, y);
    }
    if (a->frameCount <= 0 || a->frame >= a->frameCount - 1)
        a->frame = 0;
    else
        ++a->frame;
    if (!screen || screen->empty())
        return;
    if (auto r =
            clipCopy(*screen, x, y, x, y, a->width, a->height, screen->width(), screen->height()))
        presentScreenRect(engine, {r->dx, r->dy, r->width, r->height});
}

namespace commands {

int SetMessageWindowCount(Engine& engine) {
    std::int32_t count = popValue(engine);
    if (count > kMaxMessageWindows)
        return completeCommand(engine); // refused: the windows there are stay as they are
    for (auto& window : engine.text.messageWindows)
        if (window)
            Reset(*window);
    engine.text.messageWindows.clear();
    if (count > 0) {
        FontSystem& fonts = Fonts(engine);
        engine.text.messageWindows.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            auto window = std::make_unique<MessageWindow>(engine.platform);
            window->target = engine.display.screenSurface.get();
            window->source = &fonts;
            engine.text.messageWindows.push_back(std::move(window));
        }
    }
    return completeCommand(engine);
}

int SetMessageFont(Engine& engine) {
    std::int32_t weight = popValue(engine);
    std::int32_t height = popValue(engine);
    std::string face = cutFaceName(popString(engine, kFaceNameArgMax));
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) {
        w.style.font.faceName = face;
        w.style.font.height = height;
        w.style.font.weight = weight;
    });
}

int SetMessageFontStyle(Engine& engine) {
    auto flag = [](std::int32_t v) { return static_cast<std::uint8_t>(v != 0); };
    std::uint8_t strikeOut = flag(popValue(engine));
    std::uint8_t underline = flag(popValue(engine));
    std::uint8_t italic = flag(popValue(engine));
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) {
        w.style.font.italic = italic;
        w.style.font.underline = underline;
        w.style.font.strikeOut = strikeOut;
    });
}

int SetMessageAntialias(Engine& engine) {
    return windowFlag(
        engine, [](MessageWindow& w, bool on) { w.style.format = on ? kGlyphGray : kGlyphBitmap; });
}

int SetMessageBottomAlign(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.style.bottomAlign = on; });
}

int SetMessageShadow(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.shadow = on; });
}

int SetMessageTextColor(Engine& engine) {
    Rgb colour = popColour(engine);
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) { w.textColour = colour; });
}

int SetMessageShadowColor(Engine& engine) {
    Rgb colour = popColour(engine);
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) { w.shadowColour = colour; });
}

int SetMessageShadowOffset(Engine& engine) {
    std::int32_t dy = popValue(engine);
    std::int32_t dx = popValue(engine);
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) {
        w.shadowOffset = {dx, dy};
    });
}

int SetMessageWindowRect(Engine& engine) {
    TextArea area;
    area.height = popValue(engine);
    area.width = popValue(engine);
    area.top = popValue(engine);
    area.left = popValue(engine);
    Rect rect;
    rect.height = popValue(engine);
    rect.width = popValue(engine);
    rect.y = popValue(engine);
    rect.x = popValue(engine);
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) {
        w.screenRect = rect;
        w.textArea = area;
        // A window that has drawn nothing yet would start its first line at the screen's
        // top-left corner, outside the window; it starts in its text area instead. A window
        // with text on its page keeps its pen where the text left it.
        if (w.pageText.empty() && w.pen.x == 0 && w.pen.y == 0)
            w.pen = Pen{area.left, area.top};
    });
}

int SetMessageHooks(Engine& engine) {
    std::int32_t selector = popValue(engine);
    return withWindow(engine, popValue(engine),
                      [&](MessageWindow& w) { SetHookSelector(w, selector); });
}

int SetMessageHangingPunctuation(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.hangingPunctuation = on; });
}

int SetMessageBracketIndent(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.bracketIndent = on; });
}

int SetMessageLogPages(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.logPages = on; });
}

int SetMessageSpeed(Engine& engine) {
    auto ms = static_cast<std::uint32_t>(popValue(engine));
    return withWindow(engine, popValue(engine),
                      [&](MessageWindow& w) { w.characterTimer.SetInterval(ms); });
}

int SetMessageWindowVoiceChannel(Engine& engine) {
    std::int32_t channel = popValue(engine);
    return withWindow(engine, popValue(engine),
                      [&](MessageWindow& w) { w.voiceChannel = channel; });
}

int SetMessageWindowInstant(Engine& engine) {
    return windowFlag(engine, [](MessageWindow& w, bool on) { w.instant = on; });
}

int SetWindowsOnTop(Engine& engine) {
    engine.display.windowsOnTop = popValue(engine) != 0;
    return completeCommand(engine);
}

int SetSpaceButton(Engine& engine) {
    std::int32_t button = popValue(engine);
    engine.ui.systemButtons.spaceButton = button;
    return completeCommand(engine);
}

int SetWheelButton(Engine& engine) {
    std::int32_t button = popValue(engine);
    engine.ui.systemButtons.wheelButton = button;
    return completeCommand(engine);
}

int SetAnimationEnabled(Engine& engine) {
    bool on = popValue(engine) != 0;
    if (Animation* a = findAnimation(engine, popValue(engine)))
        a->enabled = on;
    return completeCommand(engine);
}

int SetAnimation(Engine& engine) {
    auto ms = static_cast<std::uint32_t>(popValue(engine));
    std::int32_t frameCount = popValue(engine);
    std::int32_t height = popValue(engine);
    std::int32_t width = popValue(engine);
    std::int32_t srcY = popValue(engine);
    std::int32_t srcX = popValue(engine);
    std::int32_t y = popValue(engine);
    std::int32_t x = popValue(engine);
    std::int32_t layer = popValue(engine);
    if (Animation* a = findAnimation(engine, popValue(engine))) {
        a->layer = layer;
        a->x = x;
        a->y = y;
        a->srcX = srcX;
        a->srcY = srcY;
        a->width = width;
        a->height = height;
        a->frameCount = frameCount;
        a->timer.SetInterval(ms); // the frame drawn next stays the same
    }
    return completeCommand(engine);
}

int SetLayerHidden(Engine& engine) {
    bool hidden = popValue(engine) != 0;
    std::int32_t number = popValue(engine);
    if (engine.display.currentLayerSet)
        if (Layer* layer = engine.display.currentLayerSet->layer(number))
            layer->hideInPeek = hidden;
    return completeCommand(engine);
}

int SetWindowModeVariable(Engine& engine) {
    engine.text.windowModeVariable = popValue(engine);
    return completeCommand(engine);
}

int SetEffectVariable(Engine& engine) {
    engine.text.effectVariable = popValue(engine);
    return completeCommand(engine);
}

int SetNoWaitVariable(Engine& engine) {
    engine.text.noWaitVariable = popValue(engine);
    return completeCommand(engine);
}

int ApplyWindowMode(Engine& engine) {
    bool fullScreen = engine.script.vm->ReadCommonInt(engine.text.windowModeVariable) != 0;
    if (engine.app.appState && engine.app.displayMode &&
        fullScreen != engine.app.displayMode->isFullScreen) {
        SetWindowMode(engine.platform, *engine.app.appState, *engine.app.displayMode, fullScreen);
        engine.platform.showMainWindow();
    }
    return completeCommand(engine);
}

int SetRightClickEnabled(Engine& engine) {
    engine.ui.rightClickEnabled = popValue(engine) != 0;
    return completeCommand(engine);
}

int SetSkipAllVariable(Engine& engine) {
    engine.text.skipAllVariable = popValue(engine);
    return completeCommand(engine);
}

int SetMessageSpacing(Engine& engine) {
    std::int32_t lineSpacing = popValue(engine);
    std::int32_t characterSpacing = popValue(engine);
    return withWindow(engine, popValue(engine), [&](MessageWindow& w) {
        w.lineSpacing = lineSpacing;
        w.characterSpacing = characterSpacing;
    });
}

int StartSkipMode(Engine& engine) {
    if (!ChoiceMenuShowing(engine))
        engine.app.skipMode = true;
    return completeCommand(engine);
}

int ShowMessageBox(Engine& engine) {
    engine.app.skipMode = false;
    std::int32_t resultVariable = popValue(engine);
    std::int32_t kind = popValue(engine);
    std::string caption = popString(engine, kMessageBoxTextMax);
    std::string text = popString(engine, kMessageBoxTextMax);
    MessageBoxAnswer answer =
        engine.platform.messageBox(BoxOwner::MainWindow, text, caption,
                                   kind == 1 ? MessageBoxButtons::YesNo : MessageBoxButtons::Ok);
    engine.script.vm->WriteGameInt(resultVariable, answer == MessageBoxAnswer::No ? 0 : 1);
    return completeCommand(engine);
}

} // namespace commands
} // namespace vura
