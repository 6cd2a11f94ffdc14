// String literals: the assembler's text to the bytes a script stores, and back.

#include "asm_syntax.hpp"
#include "base/byte_order.hpp"
#include "base/sjis.hpp"
#include "script_asm.hpp"

#include <utility>
#include <vector>

namespace vura::tools {

namespace {

// A backslash escape at body[i] (the backslash itself); advances i past it.
bool backslashEscape(std::string_view body, std::size_t& i, std::string& out, std::string& error) {
    if (i + 1 >= body.size()) {
        error = "a string cannot end with a single '\\'";
        return false;
    }
    char e = body[i + 1];
    i += 2;
    switch (e) {
    case '\\':
    case '"':
        out += e;
        return true;
    case 'n':
        out += '\x01';
        return true;
    case 'w':
        out += '\x02';
        return true;
    case 'p':
        out += '\x03';
        return true;
    case 'x': {
        auto v = i + 2 <= body.size() ? parseInteger("0x" + std::string(body.substr(i, 2)))
                                      : std::nullopt;
        if (!v || body.substr(i, 2).find_first_of("+-") != std::string_view::npos) {
            error = "'\\x' needs two hexadecimal digits";
            return false;
        }
        out += static_cast<char>(*v);
        i += 2;
        return true;
    }
    default:
        error = std::string("unknown escape '\\") + e + "'";
        return false;
    }
}

// "{int:N}", "{str:N}" or "{common:N}" at body[i]: true when one was read (i moved past it),
// false with no error when the brace is only text.
bool variableEscape(std::string_view body, std::size_t& i, std::string& out, std::string& error) {
    static constexpr std::pair<std::string_view, char> kEscapes[] = {
        {"{int:", '\x04'}, {"{str:", '\x05'}, {"{common:", '\x06'}};
    for (const auto& [prefix, byte] : kEscapes) {
        if (body.substr(i, prefix.size()) != prefix)
            continue;
        std::size_t close = body.find('}', i);
        if (close == std::string_view::npos)
            return false;
        std::string_view number = body.substr(i + prefix.size(), close - i - prefix.size());
        auto n = parseInteger(number);
        if (!n || *n < 0) {
            error = "'" + std::string(prefix) + "' needs a variable number";
            return false;
        }
        out += byte;
        std::vector<std::uint8_t> index;
        appendLe32(index, static_cast<std::uint32_t>(*n));
        out.append(index.begin(), index.end());
        i = close + 1;
        return true;
    }
    return false;
}

} // namespace

bool encodeStringLiteral(std::string_view body, std::string& out, std::string& error) {
    out.clear();
    error.clear();
    std::size_t i = 0;
    while (i < body.size()) {
        char c = body[i];
        if (c == '\\') {
            if (!backslashEscape(body, i, out, error))
                return false;
            continue;
        }
        if (c == '{') {
            if (variableEscape(body, i, out, error))
                continue;
            if (!error.empty())
                return false;
        }
        // One UTF-8 character, converted on its own so a character without a Shift-JIS code
        // is reported rather than turned into '?'.
        auto lead = static_cast<unsigned char>(c);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::string_view ch = body.substr(i, length);
        std::string encoded = utf8ToCp932(ch);
        if (encoded.find('?') != std::string::npos && ch != "?") {
            error = "'" + std::string(ch) + "' has no Shift-JIS code";
            return false;
        }
        out += encoded;
        i += length;
    }
    return true;
}

std::string quoteStringLiteral(std::string_view bytes) {
    std::string out = "\"";
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b >= 4 && b <= 6 && bytes.size() - i >= 5) {
            std::uint32_t n = readLe32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + i + 1);
            out += b == 4 ? "{int:" : b == 5 ? "{str:" : "{common:";
            out += std::to_string(n) + "}";
            i += 5;
            continue;
        }
        if (b == 1 || b == 2 || b == 3) {
            out += b == 1 ? "\\n" : b == 2 ? "\\w" : "\\p";
            ++i;
            continue;
        }
        if (b == '\\' || b == '"') {
            out += '\\';
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        // '{' is written as a byte so that text like "{int:1}" is not read as an escape.
        if (b < 0x20 || b == 0x7F || b == '{') {
            out += "\\x" + hexByte(b);
            ++i;
            continue;
        }
        std::size_t length = isSjisDoubleByteAt(bytes, i) ? 2 : 1;
        std::string_view ch = bytes.substr(i, length);
        std::string utf8 = cp932ToUtf8(ch);
        if (utf8ToCp932(utf8) == ch) {
            out += utf8;
        } else {
            for (char c : ch)
                out += "\\x" + hexByte(static_cast<std::uint8_t>(c));
        }
        i += length;
    }
    return out + "\"";
}

} // namespace vura::tools
