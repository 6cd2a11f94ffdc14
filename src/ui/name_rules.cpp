#include "ui/name_rules.hpp"

#include "base/sjis.hpp"
#include "text/message_window.hpp"

namespace vura {

namespace {

// Each character: its code (lead x 256 + trail, or the single byte) and whether it is one byte.
template <typename Test>
bool anyCharacter(std::string_view s, Test test) {
    for (std::size_t i = 0; i < s.size();) {
        const bool pair = isSjisDoubleByteAt(s, i);
        const auto lead = static_cast<std::uint8_t>(s[i]);
        const std::uint16_t code =
            pair ? static_cast<std::uint16_t>(lead << 8 | static_cast<std::uint8_t>(s[i + 1]))
                 : lead;
        if (test(code, !pair))
            return true;
        i += pair ? 2 : 1;
    }
    return false;
}

NameBox refusal(std::string_view utf8) {
    return {sjis(utf8), sjis("苗字／名前が正しくありません")};
}

} // namespace

bool ContainsForbiddenPunctuation(std::string_view s) {
    return anyCharacter(s, [](std::uint16_t code, bool halfWidth) {
        return IsNoLineStart(code, halfWidth) || IsOpeningBracket(code, halfWidth) ||
               IsClosingBracket(code, halfWidth);
    });
}

bool ContainsHalfWidthKanaOrSpace(std::string_view s) {
    return anyCharacter(s, [](std::uint16_t code, bool halfWidth) {
        if (!halfWidth)
            return code == kIdeographicSpace;
        return code == kSpace || (code >= 0xA6 && code <= 0xDF) || code < 0x20 || code == 0x7F;
    });
}

NameCheck checkNames(std::string_view familyUtf8, std::string_view givenUtf8) {
    NameCheck check;
    std::optional<std::string> family = utf8ToCp932Exact(familyUtf8);
    std::optional<std::string> given = utf8ToCp932Exact(givenUtf8);
    if (!family || !given) {
        check.refusal = refusal("使用できない文字が含まれています。");
        return check;
    }
    check.familySjis = *family;
    check.givenSjis = *given;
    auto badLength = [](const std::string& n) { return n.empty() || n.size() > kNameBytesMax; };
    if (badLength(*family) || badLength(*given))
        check.refusal = refusal("苗字／名前が空白または全角４文字以上です。\n"
                                "全角で３文字以下で入力してください。");
    else if (ContainsForbiddenPunctuation(*family) || ContainsForbiddenPunctuation(*given))
        check.refusal = refusal("\"？！、。，?!,.（）〔〕［］｛｝〈〉《》「」『』()[]{}\"の文字は"
                                "使用できません。");
    else if (ContainsHalfWidthKanaOrSpace(*family) || ContainsHalfWidthKanaOrSpace(*given))
        check.refusal = refusal("半角カナ、スペースは使用できません");
    return check;
}

NameBox confirmationBox(std::string_view familySjis, std::string_view givenSjis) {
    return {sjis("苗字：") + std::string(familySjis) + sjis("　名前：") + std::string(givenSjis) +
                "\n" + sjis("でよろしいですか？"),
            sjis("確認")};
}

} // namespace vura
