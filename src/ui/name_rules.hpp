#pragma once
// The rules the name dialog's OK button checks the two names against, with the boxes it shows:
// the length, then the punctuation, then half-width kana and spaces; then the confirmation.

#include <optional>
#include <string>
#include <string_view>

namespace vura {

// A name is at most three full-width characters: 6 bytes of Shift-JIS.
inline constexpr std::size_t kNameBytesMax = 6;

// Any character of the line-breaking sets (no line start, opening and closing brackets), in
// their full-width or half-width lists.
bool ContainsForbiddenPunctuation(std::string_view sjis);
// An ideographic space, a space, a half-width katakana from "ｦ" on (0xA6-0xDF), or a control
// byte (below 0x20, or 0x7F): those would act as line, page and escape codes wherever the name
// is shown.
bool ContainsHalfWidthKanaOrSpace(std::string_view sjis);

struct NameBox {
    std::string textSjis;
    std::string captionSjis;
};

// The two names as the fields hold them (UTF-8): their Shift-JIS forms, or the box that refuses
// them. Checked in order on the whole texts: a character code page 932 lacks, an empty name or
// one longer than 6 bytes, punctuation (the family name first), half-width kana or a space.
struct NameCheck {
    std::string familySjis;
    std::string givenSjis;
    std::optional<NameBox> refusal;
};
NameCheck checkNames(std::string_view familyUtf8, std::string_view givenUtf8);

// "苗字：<family>　名前：<given>" and on the next line "でよろしいですか？", caption "確認".
NameBox confirmationBox(std::string_view familySjis, std::string_view givenSjis);

} // namespace vura
