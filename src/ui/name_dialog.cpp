#include "ui/name_dialog.hpp"

#include "base/sjis.hpp"
#include "ui/panel_painter.hpp"

#include <algorithm>

namespace vura {

namespace {

// The dialog's units, in pixels times two.
constexpr int kUnitTimesTwo = 5;
constexpr int kWidthUnits = 138;
constexpr int kHeightUnits = 71;

int units(int n) {
    return n * kUnitTimesTwo / 2;
}

Rect controlRect(const Rect& client, int x, int y, int w, int h) {
    return {client.x + units(x), client.y + units(y), units(w), units(h)};
}

bool contains(const Rect& r, int x, int y) {
    return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

struct Static {
    int x, y;
    const char* textUtf8;
};
constexpr Static kStatics[] = {
    {4, 9, "苗字："},
    {70, 9, "名前："},
    {16, 24, "※苗字／名前は最大で全角３文字です"},
    {6, 34, "※一部使用できない記号、文字があります"},
};

// What typing may put into a field: no control characters, which would act as line, page and
// escape codes wherever the name is shown.
std::u32string printable(std::u32string_view typed) {
    std::u32string out;
    for (char32_t c : typed)
        if (c >= 0x20 && c != 0x7F)
            out.push_back(c);
    return out;
}

std::string sjisOf(std::u32string_view text) {
    return utf8ToCp932(utf32ToUtf8(text));
}

} // namespace

NameDialog::NameDialog(std::string defaultFamily, std::string defaultGiven)
    : defaults_{std::move(defaultFamily), std::move(defaultGiven)} {
    resetToDefaults();
}

int NameDialog::panelWidth() {
    return units(kWidthUnits);
}

int NameDialog::panelHeight(const PanelPainter& painter) {
    return units(kHeightUnits) + painter.captionHeight();
}

void NameDialog::layout(const PanelPainter& painter, int width, int height) {
    rect_ = {(width - panelWidth()) / 2, (height - panelHeight(painter)) / 2, panelWidth(),
             panelHeight(painter)};
    const Rect client{rect_.x, rect_.y + painter.captionHeight(), rect_.width,
                      rect_.height - painter.captionHeight()};
    fields_[kFamily].rect = controlRect(client, 24, 6, 40, 14);
    fields_[kGiven].rect = controlRect(client, 89, 6, 40, 14);
    buttons_[0] = controlRect(client, 4, 52, 62, 14);
    buttons_[1] = controlRect(client, 69, 52, 63, 14);
}

void NameDialog::resetToDefaults() {
    for (int i = 0; i < 2; ++i) {
        Field& f = fields_[static_cast<std::size_t>(i)];
        f.text = utf8ToUtf32(defaults_[i]);
        f.caret = f.text.size();
        f.composition.clear();
        f.compositionCaret = 0;
    }
    composing_ = false;
}

std::string NameDialog::family() const {
    return utf32ToUtf8(fields_[kFamily].text);
}

std::string NameDialog::given() const {
    return utf32ToUtf8(fields_[kGiven].text);
}

NameDialog::Field* NameDialog::focusedField() {
    return focus_ <= kGiven ? &fields_[static_cast<std::size_t>(focus_)] : nullptr;
}

const NameDialog::Field* NameDialog::focusedField() const {
    return focus_ <= kGiven ? &fields_[static_cast<std::size_t>(focus_)] : nullptr;
}

NameDialog::Result NameDialog::handle(const PanelEvent& e) {
    switch (e.kind) {
    case PanelEvent::Kind::Editing:
        if (Field* f = focusedField()) {
            f->composition = printable(utf8ToUtf32(e.text));
            f->compositionCaret = e.cursor;
            composing_ = !f->composition.empty();
        }
        return Result::None;
    case PanelEvent::Kind::Text:
        committed_ = composing_;
        committedAt_ = e.ms;
        if (Field* f = focusedField())
            f->composition.clear();
        composing_ = false;
        type(utf8ToUtf32(e.text));
        return Result::None;
    case PanelEvent::Kind::Key:
        return key(e);
    case PanelEvent::Kind::MouseDown:
    case PanelEvent::Kind::MouseUp:
        return composing_ ? Result::None : click(e);
    default:
        return Result::None;
    }
}

NameDialog::Result NameDialog::key(const PanelEvent& e) {
    if (composing_)
        return Result::None; // the input method's
    if (e.key == PanelKey::Return && committed_ && e.ms - committedAt_ <= kCommitReturnMs) {
        committed_ = false; // the Return that committed the composition
        return Result::None;
    }
    switch (e.key) {
    case PanelKey::Return:
        if (focus_ == kDefaults) {
            resetToDefaults();
            return Result::None;
        }
        return Result::Ok;
    case PanelKey::Space:
        if (focus_ == kDefaults)
            resetToDefaults();
        return focus_ == kOk ? Result::Ok : Result::None;
    case PanelKey::Tab:
        focus_ = (focus_ + (e.shift ? 3 : 1)) % 4;
        return Result::None;
    default:
        edit(e.key);
        return Result::None;
    }
}

void NameDialog::type(std::u32string_view typed) {
    Field* f = focusedField();
    if (!f)
        return;
    std::u32string text = printable(typed);
    const std::size_t room = kFieldCharactersMax - std::min(kFieldCharactersMax, f->text.size());
    text.resize(std::min(text.size(), room));
    f->text.insert(f->caret, text);
    f->caret += text.size();
}

void NameDialog::edit(PanelKey key) {
    Field* f = focusedField();
    if (!f)
        return;
    switch (key) {
    case PanelKey::Backspace:
        if (f->caret > 0)
            f->text.erase(--f->caret, 1);
        break;
    case PanelKey::Delete:
        if (f->caret < f->text.size())
            f->text.erase(f->caret, 1);
        break;
    case PanelKey::Left:
        f->caret -= f->caret > 0 ? 1 : 0;
        break;
    case PanelKey::Right:
        f->caret += f->caret < f->text.size() ? 1 : 0;
        break;
    case PanelKey::Home:
        f->caret = 0;
        break;
    case PanelKey::End:
        f->caret = f->text.size();
        break;
    default:
        break;
    }
}

NameDialog::Result NameDialog::click(const PanelEvent& e) {
    if (e.button != 0)
        return Result::None;
    int hit = -1;
    for (int i = 0; i < 2; ++i) {
        if (contains(fields_[static_cast<std::size_t>(i)].rect, e.x, e.y))
            hit = i;
        if (contains(buttons_[i], e.x, e.y))
            hit = kDefaults + i;
    }
    if (e.kind == PanelEvent::Kind::MouseDown) {
        pressed_ = hit >= kDefaults ? hit : -1;
        if (hit >= 0)
            focus_ = hit;
        if (Field* f = focusedField(); f && hit == focus_)
            f->caret = f->text.size();
        return Result::None;
    }
    const int pressed = pressed_;
    pressed_ = -1;
    if (pressed < 0 || hit != pressed)
        return Result::None;
    if (pressed == kDefaults) {
        resetToDefaults();
        return Result::None;
    }
    return Result::Ok;
}

NameDialog::Shown NameDialog::shown(const Field& f) {
    Shown out;
    out.text = sjisOf(f.text);
    out.caret = sjisOf(std::u32string_view(f.text).substr(0, f.caret)).size();
    out.composition = sjisOf(f.composition);
    const std::size_t at = static_cast<std::size_t>(std::max(0, f.compositionCaret));
    out.compositionCaret = sjisOf(std::u32string_view(f.composition).substr(0, at)).size();
    return out;
}

std::optional<Rect> NameDialog::caret(const PanelPainter& painter) const {
    const Field* f = focusedField();
    if (!f)
        return std::nullopt;
    const Shown s = shown(*f);
    return painter.caretRect(f->rect, s.text, s.caret, s.composition, s.compositionCaret);
}

void NameDialog::draw(Surface& target, PanelPainter& painter) const {
    painter.frame(target, rect_, sjis("名前を入力してください"));
    const Rect client{rect_.x, rect_.y + painter.captionHeight(), rect_.width,
                      rect_.height - painter.captionHeight()};
    for (const Static& s : kStatics) {
        const Rect r = controlRect(client, s.x, s.y, 0, 8);
        painter.text(target, r.x, r.y + (r.height - painter.cell()) / 2, sjis(s.textUtf8),
                     PanelColour{16, 16, 24});
    }
    for (int i = 0; i < 2; ++i) {
        const Field& f = fields_[static_cast<std::size_t>(i)];
        const Shown s = shown(f);
        painter.field(target, f.rect, s.text, s.caret, s.composition, s.compositionCaret,
                      focus_ == i);
    }
    painter.button(target, buttons_[0], sjis("デフォルトに戻す"), focus_ == kDefaults,
                   pressed_ == kDefaults);
    painter.button(target, buttons_[1], "OK", focus_ == kOk, pressed_ == kOk);
}

} // namespace vura
