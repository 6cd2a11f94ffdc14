// The memory layout maker's source: bank sizes and the constants, one setting per line.

#include "asm_syntax.hpp"
#include "script_asm.hpp"

#include <vector>

namespace vura::tools {

namespace {

// The string of a "const_string" line (what follows the key): one quoted string, then at most
// a comment.
bool constString(const std::string& rest, std::string& bytes, std::string& error) {
    std::size_t q1 = rest.find('"');
    std::size_t q2 = q1 == std::string::npos ? q1 : closingQuote(rest, q1);
    std::size_t after = q2 == std::string::npos ? q2 : rest.find_first_not_of(" \t", q2 + 1);
    if (q1 == std::string::npos || q2 == std::string::npos || rest.find_first_not_of(" \t") != q1 ||
        (after != std::string::npos && rest[after] != ';' && rest[after] != '#')) {
        error = "'const_string' takes one double-quoted string";
        return false;
    }
    return encodeStringLiteral(rest.substr(q1 + 1, q2 - q1 - 1), bytes, error);
}

// The numbers after a key, separated by spaces or commas, up to a comment.
bool numbers(std::string rest, std::vector<std::int64_t>& values, std::string& error) {
    if (auto c = rest.find_first_of(";#"); c != std::string::npos)
        rest.resize(c);
    std::size_t i = 0;
    while (i < rest.size()) {
        std::size_t s = rest.find_first_not_of(" \t,", i);
        if (s == std::string::npos)
            break;
        std::size_t e = rest.find_first_of(" \t,", s);
        std::string word = rest.substr(s, e == std::string::npos ? std::string::npos : e - s);
        auto v = parseInteger(word);
        if (!v) {
            error = "'" + word + "' is not a number";
            return false;
        }
        values.push_back(*v);
        i = e == std::string::npos ? rest.size() : e;
    }
    return true;
}

// One line's key and its numbers put into the layout.
bool applyLine(LayoutImage& layout, const std::string& key, const std::vector<std::int64_t>& values,
               std::string& error) {
    if (key == "const_ints") {
        for (std::int64_t v : values)
            layout.constInts.push_back(static_cast<std::int32_t>(v));
        return true;
    }
    if (key == "const_flags") {
        for (std::int64_t v : values) {
            if (v != 0 && v != 1) {
                error = "constant flags are 0 or 1";
                return false;
            }
            layout.constFlags.push_back(static_cast<std::uint8_t>(v));
        }
        return true;
    }
    std::uint32_t* count = key == "game_ints"      ? &layout.gameInts
                           : key == "game_flags"   ? &layout.gameFlags
                           : key == "game_strings" ? &layout.gameStrings
                           : key == "common_ints"  ? &layout.commonInts
                           : key == "common_flags" ? &layout.commonFlags
                                                   : nullptr;
    if (!count) {
        error = "unknown line '" + key +
                "' (expected game_ints, game_flags, game_strings, common_ints, common_flags, "
                "const_ints, const_flags or const_string)";
        return false;
    }
    if (values.size() != 1 || values[0] < 0 || values[0] > kMaxBankSize) {
        error = "'" + key + "' takes one count from 0 to " + std::to_string(kMaxBankSize);
        return false;
    }
    *count = static_cast<std::uint32_t>(values[0]);
    return true;
}

// One line of the source; blank lines and comments leave the layout as it is.
bool layoutLine(LayoutImage& layout, std::string line, std::string& error) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == ';' || line[b] == '#')
        return true;
    std::size_t keyEnd = line.find_first_of(" \t", b);
    std::string key = line.substr(b, keyEnd == std::string::npos ? std::string::npos : keyEnd - b);
    std::string rest = keyEnd == std::string::npos ? "" : line.substr(keyEnd);
    if (key == "const_string") {
        std::string bytes;
        if (!constString(rest, bytes, error))
            return false;
        layout.constStrings.push_back(bytes);
        return true;
    }
    std::vector<std::int64_t> values;
    return numbers(rest, values, error) && applyLine(layout, key, values, error);
}

} // namespace

LayoutResult parseLayoutSource(std::string_view source, std::string_view fileName) {
    LayoutResult result;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos <= source.size()) {
        std::size_t end = source.find('\n', pos);
        if (end == std::string_view::npos)
            end = source.size();
        ++lineNumber;
        std::string error;
        if (!layoutLine(result.layout, std::string(source.substr(pos, end - pos)), error)) {
            result.error = std::string(fileName) + ":" + std::to_string(lineNumber) + ": " + error;
            return result;
        }
        pos = end + 1;
    }
    result.ok = true;
    return result;
}

} // namespace vura::tools
