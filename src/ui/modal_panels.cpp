// Message boxes and the name dialog, drawn by the engine into a copy of the picture on screen.
// The picture under a panel is kept and shown again, exactly, when the panel closes. Panels draw
// with the engine's fonts (the --font file when one is forced) on 16-pixel cells.

#include "ui/modal_panels.hpp"

#include "core/engine.hpp"
#include "graphics/surface.hpp"
#include "text/font_system.hpp"
#include "text/text_commands.hpp"
#include "ui/message_panel.hpp"
#include "ui/name_dialog.hpp"

namespace vura {

namespace {

constexpr int kPanelCell = 16;
constexpr int kWaitMs = 250;

BgrImageView viewOf(const Surface& s) {
    return {s.pixels(), s.width(), s.height(), s.pitch()};
}

// What the surface shows now: the picture of a panel already open (the name dialog under its
// boxes), else the game's screen; black where neither reaches.
Surface pictureUnder(Engine& engine, const PanelSurface& surface, bool ownWindow) {
    Surface picture;
    picture.create(surface.width(), surface.height(), 24);
    const Surface* under = engine.ui.panelBackdrop;
    if (!under && !ownWindow)
        under = engine.display.screenSurface.get();
    if (under && !under->empty())
        picture.copyFrom(*under);
    return picture;
}

class EngineBoxPainter final : public BoxPainter {
public:
    explicit EngineBoxPainter(Engine& engine) : engine_(engine) {}

    void boxSize(std::string_view textSjis, std::string_view captionSjis, MessageBoxButtons buttons,
                 int& width, int& height) override {
        PanelPainter painter(Fonts(engine_), kPanelCell);
        MessagePanel::sizeFor(painter, textSjis, captionSjis, buttons, width, height);
    }

    MessageBoxAnswer runBox(PanelSurface& surface, bool ownWindow, std::string_view textSjis,
                            std::string_view captionSjis, MessageBoxButtons buttons) override {
        PanelPainter painter(Fonts(engine_), kPanelCell);
        MessagePanel panel(textSjis, captionSjis, buttons);
        panel.layout(painter, surface.width(), surface.height());
        const Surface under = pictureUnder(engine_, surface, ownWindow);
        Surface frame;
        frame.create(under.width(), under.height(), 24);
        surface.textInput(false, {});
        std::optional<MessageBoxAnswer> answer;
        while (!answer) {
            frame.copyFrom(under);
            panel.draw(frame, painter);
            surface.show(viewOf(frame));
            PanelEvent e;
            while (!surface.nextEvent(e, kWaitMs)) {
            }
            answer = panel.handle(e);
        }
        surface.show(viewOf(under));
        return *answer;
    }

private:
    Engine& engine_;
};

} // namespace

std::unique_ptr<BoxPainter> MakeBoxPainter(Engine& engine) {
    return std::make_unique<EngineBoxPainter>(engine);
}

struct NameDialogRun::State {
    Engine& engine;
    PanelSurface& surface;
    PanelPainter painter;
    NameDialog dialog;
    Surface under;
    Surface frame;

    State(Engine& e, PanelSurface& s, const NameFields& defaults)
        : engine(e), surface(s), painter(Fonts(e), kPanelCell),
          dialog(defaults.family, defaults.given), under(pictureUnder(e, s, false)) {
        dialog.layout(painter, s.width(), s.height());
        frame.create(under.width(), under.height(), 24);
    }

    void draw() {
        frame.copyFrom(under);
        dialog.draw(frame, painter);
        surface.show(viewOf(frame));
        std::optional<Rect> caret = dialog.caret(painter);
        surface.textInput(caret.has_value(), caret.value_or(Rect{}));
    }
};

NameDialogRun::NameDialogRun(Engine& engine, PanelSurface& surface, const NameFields& defaults)
    : state_(std::make_unique<State>(engine, surface, defaults)) {
    // Boxes shown while the dialog is up go over it.
    engine.ui.panelBackdrop = &state_->frame;
}

NameDialogRun::~NameDialogRun() {
    state_->engine.ui.panelBackdrop = nullptr;
    state_->surface.textInput(false, {});
    state_->surface.show(viewOf(state_->under));
}

NameFields NameDialogRun::waitForOk() {
    for (;;) {
        state_->draw();
        PanelEvent e;
        while (!state_->surface.nextEvent(e, kWaitMs)) {
        }
        if (state_->dialog.handle(e) == NameDialog::Result::Ok) {
            state_->draw();
            return {state_->dialog.family(), state_->dialog.given()};
        }
    }
}

} // namespace vura
