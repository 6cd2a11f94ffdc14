// The name dialog's rules and its keyboard, mouse and input-method handling, without a window.

#include "base/sjis.hpp"
#include "ui/name_dialog.hpp"
#include "ui/name_rules.hpp"
#include "ui/panel_painter.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

TEST(NameRules, LengthThenPunctuationThenHalfWidthKanaAndSpaces) {
    const std::string length = sjis("苗字／名前が空白または全角４文字以上です。\n"
                                    "全角で３文字以下で入力してください。");
    const std::string punctuation =
        sjis("\"？！、。，?!,.（）〔〕［］｛｝〈〉《》「」『』()[]{}\"の文字は使用できません。");
    const std::string kana = sjis("半角カナ、スペースは使用できません");
    const std::string lacking = sjis("使用できない文字が含まれています。");
    struct Case {
        const char* family;
        const char* given;
        const std::string* refusal; // null: accepted
    };
    const Case cases[] = {
        {"山田", "太郎", nullptr},
        {"あいう", "abcdef", nullptr}, // three full-width, six half-width
        {"あいうえ", "太郎", &length}, // the whole text counts, not a cut of it
        {"abcdefg", "a", &length},
        {"", "太郎", &length},
        {"あいうえ", "「", &length}, // length comes first
        {"山田", "太郎.", &punctuation},
        {"『", "ｱ", &punctuation}, // punctuation before kana
        {"ｱ", "太郎", &kana},      // half-width katakana
        {"ｦ", "a", &kana},
        {"a b", "c", &kana},
        {"山　", "太郎", &kana}, // the ideographic space
        {"a\x01", "b", &kana},   // a control byte
        {"a\x7F", "b", &kana},
        {"ｰ", "ﾟ", &kana},
        {"\xF0\x9F\x98\x80", "a", &lacking}, // no code page 932 form
    };
    for (const Case& c : cases) {
        NameCheck check = checkNames(c.family, c.given);
        if (!c.refusal) {
            EXPECT_FALSE(check.refusal) << c.family << " " << c.given;
            EXPECT_EQ(check.familySjis, sjis(c.family));
            continue;
        }
        ASSERT_TRUE(check.refusal) << c.family << " " << c.given;
        EXPECT_EQ(check.refusal->textSjis, *c.refusal) << c.family << " " << c.given;
        EXPECT_EQ(check.refusal->captionSjis, sjis("苗字／名前が正しくありません"));
    }
    const NameBox confirm = confirmationBox(sjis("山田"), sjis("太郎"));
    EXPECT_EQ(confirm.textSjis, sjis("苗字：山田　名前：太郎\nでよろしいですか？"));
    EXPECT_EQ(confirm.captionSjis, sjis("確認"));
}

struct Dialog : ::testing::Test {
    Dialog() : dialog("山田", "太郎") {}
    NameDialog::Result key(PanelKey k, std::uint32_t ms = 1000, bool shift = false) {
        PanelEvent e;
        e.kind = PanelEvent::Kind::Key;
        e.key = k;
        e.shift = shift;
        e.ms = ms;
        return dialog.handle(e);
    }
    void event(PanelEvent::Kind kind, const std::string& text, std::uint32_t ms = 1000) {
        PanelEvent e;
        e.kind = kind;
        e.text = text;
        e.ms = ms;
        dialog.handle(e);
    }
    NameDialog dialog;
};

TEST_F(Dialog, FieldsEditLikeTextBoxesAndTabWalksTheControls) {
    EXPECT_EQ(dialog.family(), "山田");
    EXPECT_EQ(dialog.focus(), NameDialog::kFamily);
    key(PanelKey::Backspace);
    event(PanelEvent::Kind::Text, "中\x01\n");
    EXPECT_EQ(dialog.family(), "山中"); // control characters are never typed in
    key(PanelKey::Home);
    key(PanelKey::Delete);
    EXPECT_EQ(dialog.family(), "中");
    key(PanelKey::Tab);
    EXPECT_EQ(dialog.focus(), NameDialog::kGiven);
    key(PanelKey::Tab);
    key(PanelKey::Tab);
    EXPECT_EQ(dialog.focus(), NameDialog::kOk);
    key(PanelKey::Tab);
    EXPECT_EQ(dialog.focus(), NameDialog::kFamily);
    key(PanelKey::Tab, 1000, true);
    EXPECT_EQ(dialog.focus(), NameDialog::kOk);
    key(PanelKey::Tab, 1000, true);
    EXPECT_EQ(key(PanelKey::Space), NameDialog::Result::None); // the defaults button
    EXPECT_EQ(dialog.family(), "山田");
    EXPECT_EQ(key(PanelKey::Escape), NameDialog::Result::None); // no way out but OK
    EXPECT_EQ(key(PanelKey::Return), NameDialog::Result::None); // the focused defaults button
    key(PanelKey::Tab);
    EXPECT_EQ(key(PanelKey::Return), NameDialog::Result::Ok);
}

TEST_F(Dialog, TheInputMethodKeepsItsKeysWhileComposing) {
    event(PanelEvent::Kind::Editing, "すずき");
    EXPECT_TRUE(dialog.composing());
    for (PanelKey k : {PanelKey::Return, PanelKey::Space, PanelKey::Tab, PanelKey::Backspace,
                       PanelKey::Left, PanelKey::Escape})
        EXPECT_EQ(key(k), NameDialog::Result::None);
    EXPECT_EQ(dialog.focus(), NameDialog::kFamily);
    EXPECT_EQ(dialog.family(), "山田"); // the composition is not in the text yet
    // The commit ends the composition; the Return that came with it does not press OK.
    event(PanelEvent::Kind::Text, "鈴木", 2000);
    EXPECT_FALSE(dialog.composing());
    EXPECT_EQ(dialog.family(), "山田鈴木");
    EXPECT_EQ(key(PanelKey::Return, 2020), NameDialog::Result::None);
    EXPECT_EQ(key(PanelKey::Return, 3000), NameDialog::Result::Ok);
    // A plain typed text (no composition) leaves Return alone.
    event(PanelEvent::Kind::Text, "a", 4000);
    EXPECT_EQ(key(PanelKey::Return, 4010), NameDialog::Result::Ok);
}

} // namespace
} // namespace vura
