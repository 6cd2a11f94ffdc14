#pragma once
// Shift-JIS (code page 932) text helpers. Text inside the engine is Shift-JIS bytes, as the games
// store it; these convert at the edges (captions, message boxes, file names, typed input).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vura {

// A lead byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
constexpr bool isSjisLeadByte(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A trail byte of a double-byte character: 0x40-0x7E or 0x80-0xFC.
constexpr bool isSjisTrailByte(std::uint8_t b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// True when the bytes at `pos` form a double-byte character (a lead byte followed by a trail
// byte). A lead byte at the very end of the text is a single byte.
bool isSjisDoubleByteAt(std::string_view text, std::size_t pos);

// The longest beginning of the text, at most maxBytes long, that ends on a whole character: a
// cut never leaves half of a double-byte character behind.
std::string_view sjisPrefix(std::string_view text, std::size_t maxBytes);

// Upper-cases ASCII letters and leaves both bytes of every double-byte character alone, so a
// trail byte in 'a'-'z' is never changed.
std::string sjisToUpper(std::string_view text);

// Converts Shift-JIS to UTF-8. Bytes that form no character become U+FFFD.
std::string cp932ToUtf8(std::string_view sjis);

// Converts UTF-8 to Shift-JIS. Characters code page 932 cannot hold become '?', and malformed
// UTF-8 sequences become '?' as well. The usual JIS look-alikes (U+301C wave dash, U+2016,
// U+2212, U+00A2, U+00A3, U+00AC, U+2014) are mapped to their code page 932 characters.
std::string utf8ToCp932(std::string_view utf8);

// The same, but nothing when any character has no code page 932 form or the UTF-8 is malformed:
// for typed text, where a silent '?' would change what the player wrote.
std::optional<std::string> utf8ToCp932Exact(std::string_view utf8);

// UTF-8 to code points and back, for editing typed text a character at a time. Malformed
// sequences become U+FFFD.
std::u32string utf8ToUtf32(std::string_view utf8);
std::string utf32ToUtf8(std::u32string_view text);

// Unicode value of one Shift-JIS character: the double-byte pair (lead, trail), or the single
// byte `lead` when trail is 0 and lead is no lead byte. Returns 0 for a pair with no character.
char32_t cp932CharToUnicode(std::uint8_t lead, std::uint8_t trail);

// Shift-JIS code of one Unicode character: two bytes as (lead << 8) | trail, one byte as its
// value, or -1 when code page 932 has no such character.
int unicodeToCp932(char32_t c);

// Shorthand for texts written in UTF-8 source files that the engine shows as Shift-JIS.
inline std::string sjis(std::string_view utf8) {
    return utf8ToCp932(utf8);
}

} // namespace vura
