#pragma once
// The name dialog as the engine draws it: "名前を入力してください", the family and given name
// fields with their labels and notes, "デフォルトに戻す" and OK, laid out from the dialog's own
// units at two and a half pixels each.
//
// Typing arrives as text from the desktop's input method. While a composition is in progress,
// Enter, Space, Tab, Backspace, Delete, the arrows, Home, End, Escape and clicks belong to the
// input method; a Return that comes with the text it commits does not press OK either. Tab
// moves the focus (family, given, the defaults button, OK), Enter presses OK (or the focused
// defaults button), Space presses a focused button. Escape and the window's close button do
// nothing: the way out is OK.

#include "base/rect.hpp"
#include "platform/platform.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vura {

class PanelPainter;
class Surface;

class NameDialog {
public:
    // The fields start with the defaults (UTF-8).
    NameDialog(std::string defaultFamily, std::string defaultGiven);

    static int panelWidth();
    static int panelHeight(const PanelPainter& painter);
    // Places the dialog centred on a surface of this size.
    void layout(const PanelPainter& painter, int width, int height);

    enum class Result { None, Ok };
    Result handle(const PanelEvent& event);
    void draw(Surface& target, PanelPainter& painter) const;

    std::string family() const; // UTF-8
    std::string given() const;
    void resetToDefaults();
    bool composing() const { return composing_; }
    // The caret of the focused field, for the input method's candidate window; nothing while a
    // button has the focus.
    std::optional<Rect> caret(const PanelPainter& painter) const;

    // The focus: the two fields, then the two buttons, in Tab order.
    enum Focus { kFamily = 0, kGiven = 1, kDefaults = 2, kOk = 3 };
    int focus() const { return focus_; }

    // A Return this soon after a commit came with it.
    static constexpr std::uint32_t kCommitReturnMs = 100;
    // Characters a field takes; OK refuses more than three full-width ones anyway.
    static constexpr std::size_t kFieldCharactersMax = 32;

private:
    struct Field {
        std::u32string text;
        std::size_t caret = 0;
        std::u32string composition;
        int compositionCaret = 0;
        Rect rect;
    };
    // A field as it is drawn: Shift-JIS, with byte offsets for the carets.
    struct Shown {
        std::string text;
        std::size_t caret = 0;
        std::string composition;
        std::size_t compositionCaret = 0;
    };
    static Shown shown(const Field& f);
    Result key(const PanelEvent& e);
    void type(std::u32string_view typed);
    void edit(PanelKey key);
    Result click(const PanelEvent& e);
    Field* focusedField();
    const Field* focusedField() const;

    std::string defaults_[2];
    std::array<Field, 2> fields_;
    Rect rect_;
    Rect buttons_[2]; // defaults, OK
    int focus_ = kFamily;
    int pressed_ = -1; // the focus index of the button the left button went down on
    bool composing_ = false;
    bool committed_ = false; // a commit ended a composition at committedAt_
    std::uint32_t committedAt_ = 0;
};

} // namespace vura
