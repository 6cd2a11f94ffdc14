#include "base/sjis.hpp"

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>
#include <vector>

namespace vura {

namespace detail {
extern const std::uint16_t kCp932DoubleByte[60][189];
}

namespace {

int leadIndex(std::uint8_t lead) {
    if (lead >= 0x81 && lead <= 0x9F)
        return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC)
        return lead - 0xE0 + 31;
    return -1;
}

std::uint8_t leadFromIndex(int index) {
    return static_cast<std::uint8_t>(index < 31 ? 0x81 + index : 0xE0 + index - 31);
}

// Single bytes above 0x7F that are not lead bytes.
char32_t singleByteToUnicode(std::uint8_t b) {
    if (b < 0x80)
        return b;
    if (b == 0x80)
        return 0x80;
    if (b == 0xA0)
        return 0xF8F0;
    if (b >= 0xA1 && b <= 0xDF)
        return 0xFF61 + (b - 0xA1); // half-width katakana
    if (b >= 0xFD)
        return 0xF8F1 + (b - 0xFD);
    return 0;
}

struct ReverseEntry {
    char32_t unicode;
    std::uint16_t code;
};

// The reverse table, built once from the forward table. Where several codes give the same
// character, the first in code order wins, except that the NEC-selected IBM extensions (lead
// bytes 0xED and 0xEE) give way to the IBM extensions (0xFA-0xFC), as Windows converts them.
const std::vector<ReverseEntry>& reverseTable() {
    static std::vector<ReverseEntry> table;
    static std::once_flag once;
    std::call_once(once, [] {
        std::vector<ReverseEntry> all;
        for (int li = 0; li < 60; ++li) {
            for (int ti = 0; ti < 189; ++ti) {
                std::uint16_t u = detail::kCp932DoubleByte[li][ti];
                if (u != 0)
                    all.push_back(
                        {u, static_cast<std::uint16_t>((leadFromIndex(li) << 8) | (0x40 + ti))});
            }
        }
        auto isNecSelected = [](std::uint16_t code) {
            int lead = code >> 8;
            return lead == 0xED || lead == 0xEE;
        };
        std::stable_sort(all.begin(), all.end(), [](const ReverseEntry& a, const ReverseEntry& b) {
            return a.unicode < b.unicode;
        });
        for (const ReverseEntry& e : all) {
            if (!table.empty() && table.back().unicode == e.unicode) {
                if (isNecSelected(table.back().code) && !isNecSelected(e.code))
                    table.back().code = e.code;
                continue;
            }
            table.push_back(e);
        }
    });
    return table;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at `pos`; returns U+FFFD and advances one byte on malformed input
// (overlong forms, surrogates and values past U+10FFFF included).
char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    std::uint8_t b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int length = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        c = b0 & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + length > s.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        std::uint8_t b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += length;
    return c;
}

// JIS-based converters give these characters for code page 932's look-alikes.
constexpr std::pair<char32_t, std::uint16_t> kLookAlikes[] = {
    {0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00AC, 0x81CA}, {0x2014, 0x815C},
    {0x2016, 0x8161}, {0x2212, 0x817C}, {0x301C, 0x8160},
};

} // namespace

bool isSjisDoubleByteAt(std::string_view text, std::size_t pos) {
    return pos + 1 < text.size() && isSjisLeadByte(static_cast<std::uint8_t>(text[pos])) &&
           isSjisTrailByte(static_cast<std::uint8_t>(text[pos + 1]));
}

std::string_view sjisPrefix(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + (isSjisDoubleByteAt(text, end) ? 2 : 1);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

std::string sjisToUpper(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (isSjisDoubleByteAt(out, i)) {
            ++i;
            continue;
        }
        if (out[i] >= 'a' && out[i] <= 'z')
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
    return out;
}

char32_t cp932CharToUnicode(std::uint8_t lead, std::uint8_t trail) {
    int li = leadIndex(lead);
    if (li < 0)
        return singleByteToUnicode(lead);
    if (!isSjisTrailByte(trail))
        return 0;
    return detail::kCp932DoubleByte[li][trail - 0x40];
}

int unicodeToCp932(char32_t c) {
    if (c < 0x80)
        return static_cast<int>(c);
    if (c >= 0xFF61 && c <= 0xFF9F)
        return static_cast<int>(0xA1 + (c - 0xFF61));
    if (c == 0x80)
        return 0x80;
    if (c == 0xF8F0)
        return 0xA0;
    if (c >= 0xF8F1 && c <= 0xF8F3)
        return static_cast<int>(0xFD + (c - 0xF8F1));
    const auto& table = reverseTable();
    auto it = std::lower_bound(table.begin(), table.end(), c,
                               [](const ReverseEntry& e, char32_t v) { return e.unicode < v; });
    if (it != table.end() && it->unicode == c)
        return it->code;
    for (const auto& [unicode, code] : kLookAlikes) {
        if (unicode == c)
            return code;
    }
    return -1;
}

std::string cp932ToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() * 3 / 2);
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        auto b = static_cast<std::uint8_t>(sjis[i]);
        char32_t c;
        if (isSjisLeadByte(b)) {
            if (isSjisDoubleByteAt(sjis, i)) {
                c = cp932CharToUnicode(b, static_cast<std::uint8_t>(sjis[i + 1]));
                ++i;
            } else {
                c = 0; // a lead byte without its trail byte
            }
        } else {
            c = singleByteToUnicode(b);
        }
        appendUtf8(out, c == 0 && b != 0 ? 0xFFFD : c);
    }
    return out;
}

std::string utf8ToCp932(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c = decodeUtf8(utf8, pos);
        int code = unicodeToCp932(c);
        if (code < 0) {
            out.push_back('?');
        } else if (code > 0xFF) {
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        } else {
            out.push_back(static_cast<char>(code));
        }
    }
    return out;
}

std::optional<std::string> utf8ToCp932Exact(std::string_view utf8) {
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        const char32_t c = decodeUtf8(utf8, pos);
        const int code = unicodeToCp932(c);
        // A U+FFFD written as such is a character; one made from broken bytes is not.
        if (code < 0 || (c == 0xFFFD && utf8.substr(start, pos - start) != "\xEF\xBF\xBD"))
            return std::nullopt;
        if (code > 0xFF)
            out.push_back(static_cast<char>(code >> 8));
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::u32string utf8ToUtf32(std::string_view utf8) {
    std::u32string out;
    std::size_t pos = 0;
    while (pos < utf8.size())
        out.push_back(decodeUtf8(utf8, pos));
    return out;
}

std::string utf32ToUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

} // namespace vura
