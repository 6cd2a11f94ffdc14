// Feeds arbitrary bytes to the modal panels: a message box's text and caption (any Shift-JIS a
// script can give, laid out, drawn and answered), then the name dialog driven by a stream of
// events whose typed and composing text is any UTF-8 the input method could send, drawn after
// each, with the OK press checked by the name rules. Nothing may crash or draw off the surface.

#include "graphics/surface.hpp"
#include "support/block_glyphs.hpp"
#include "ui/message_panel.hpp"
#include "ui/name_dialog.hpp"
#include "ui/name_rules.hpp"
#include "ui/panel_painter.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// Reads the input front to back; past its end every read is zero or empty.
struct Reader {
    std::string_view rest;
    std::uint8_t byte() {
        if (rest.empty())
            return 0;
        auto b = static_cast<std::uint8_t>(rest.front());
        rest.remove_prefix(1);
        return b;
    }
    // Up to the next zero byte.
    std::string_view text() {
        std::size_t end = rest.find('\0');
        std::string_view t = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        return t;
    }
};

void boxes(Reader& in, vura::PanelPainter& painter, vura::Surface& screen) {
    std::string text(in.text());
    std::string caption(in.text());
    auto buttons = in.byte() % 2 ? vura::MessageBoxButtons::YesNo : vura::MessageBoxButtons::Ok;
    int width = 0;
    int height = 0;
    vura::MessagePanel::sizeFor(painter, text, caption, buttons, width, height);
    check(width >= 0 && height >= 0);
    vura::MessagePanel box(text, caption, buttons);
    box.layout(painter, screen.width(), screen.height());
    box.draw(screen, painter);
    for (int i = 0; i < 4; ++i) {
        vura::PanelEvent e;
        e.kind = vura::PanelEvent::Kind::Key;
        e.key = static_cast<vura::PanelKey>(in.byte() % 13);
        if (box.handle(e))
            break;
    }
}

void nameDialog(Reader& in, vura::PanelPainter& painter, vura::Surface& screen) {
    std::string family(in.text());
    std::string given(in.text());
    vura::NameDialog dialog(family, given);
    dialog.layout(painter, screen.width(), screen.height());
    std::uint32_t ms = 1000;
    for (int n = 0; n < 64 && !in.rest.empty(); ++n) {
        vura::PanelEvent e;
        std::uint8_t op = in.byte();
        e.kind = static_cast<vura::PanelEvent::Kind>(op % 8);
        e.shift = (op & 0x80) != 0;
        e.key = static_cast<vura::PanelKey>(in.byte() % 13);
        e.x = in.byte() * 3 - 64;
        e.y = in.byte() * 2 - 32;
        e.button = in.byte() % 2;
        e.cursor = static_cast<std::int8_t>(in.byte());
        if (e.kind == vura::PanelEvent::Kind::Text || e.kind == vura::PanelEvent::Kind::Editing)
            e.text = std::string(in.text());
        ms += in.byte();
        e.ms = ms;
        vura::NameDialog::Result r = dialog.handle(e);
        check(dialog.focus() >= vura::NameDialog::kFamily &&
              dialog.focus() <= vura::NameDialog::kOk);
        (void)dialog.caret(painter);
        dialog.draw(screen, painter);
        if (r == vura::NameDialog::Result::Ok) {
            vura::NameCheck names = vura::checkNames(dialog.family(), dialog.given());
            if (!names.refusal) {
                check(names.familySjis.size() <= vura::kNameBytesMax &&
                      names.givenSjis.size() <= vura::kNameBytesMax);
                (void)vura::confirmationBox(names.familySjis, names.givenSjis);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vura::test::BlockGlyphs glyphs;
    static vura::Surface screen = [] {
        vura::Surface s;
        s.create(640, 480, 24);
        return s;
    }();
    Reader in{std::string_view(reinterpret_cast<const char*>(data), size)};
    vura::PanelPainter painter(glyphs, 12 + in.byte() % 3 * 4);
    boxes(in, painter, screen);
    nameDialog(in, painter, screen);
    return 0;
}
