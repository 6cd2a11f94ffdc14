// Feeds arbitrary bytes to the Shift-JIS helpers and checks what must hold for any input.

#include "base/sjis.hpp"

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

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing
// past U+10FFFF.
bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<std::uint8_t>(s[i]);
        int length = b < 0x80             ? 1
                     : (b & 0xE0) == 0xC0 ? 2
                     : (b & 0xF0) == 0xE0 ? 3
                     : (b & 0xF8) == 0xF0 ? 4
                                          : 0;
        if (length == 0 || i + length > s.size())
            return false;
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            auto t = static_cast<std::uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (t & 0x3F);
        }
        static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The characters of `bytes` that code page 932 maps, in order, as the converter splits them.
std::string mappedCharacters(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<std::uint8_t>(bytes[i]);
        if (vura::isSjisDoubleByteAt(bytes, i)) {
            if (vura::cp932CharToUnicode(b, static_cast<std::uint8_t>(bytes[i + 1])) != 0)
                out.append(bytes.substr(i, 2));
            ++i;
        } else if (!vura::isSjisLeadByte(b) && (b == 0 || vura::cp932CharToUnicode(b, 0) != 0)) {
            out.push_back(static_cast<char>(b));
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Upper-casing changes ASCII letters only, never the length, and a second pass does nothing.
    std::string upper = vura::sjisToUpper(bytes);
    check(upper.size() == bytes.size());
    check(vura::sjisToUpper(upper) == upper);
    for (std::size_t i = 0; i < size; ++i) {
        if (upper[i] != bytes[i])
            check(bytes[i] >= 'a' && bytes[i] <= 'z' && upper[i] == bytes[i] - 'a' + 'A');
    }

    // Any bytes give well-formed UTF-8, and any UTF-8 gives Shift-JIS that reads back without a
    // single undecodable byte.
    std::string utf8 = vura::cp932ToUtf8(bytes);
    check(isValidUtf8(utf8));
    std::string back = vura::utf8ToCp932(bytes);
    check(vura::cp932ToUtf8(back).find("\xEF\xBF\xBD") == std::string::npos);

    // Text made only of mapped characters keeps its meaning through UTF-8 and back; after that
    // one round (which may pick another code for a character with two) it is stable.
    std::string clean = mappedCharacters(bytes);
    std::string cleanUtf8 = vura::cp932ToUtf8(clean);
    std::string once = vura::utf8ToCp932(cleanUtf8);
    check(vura::cp932ToUtf8(once) == cleanUtf8);
    check(vura::utf8ToCp932(vura::cp932ToUtf8(once)) == once);
    return 0;
}
