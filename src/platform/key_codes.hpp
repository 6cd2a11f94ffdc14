#pragma once
// Keys are numbered by their DirectInput key codes, the numbering the games' engine was built
// on: the key arrays of InputState and KeyArray are indexed by these.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vura::key {

inline constexpr std::uint8_t kEscape = 0x01;
inline constexpr std::uint8_t k1 = 0x02; // digits 1-9 are 0x02-0x0A, 0 is 0x0B
inline constexpr std::uint8_t k0 = 0x0B;
inline constexpr std::uint8_t kMinus = 0x0C;
inline constexpr std::uint8_t kEquals = 0x0D;
inline constexpr std::uint8_t kBackspace = 0x0E;
inline constexpr std::uint8_t kTab = 0x0F;
inline constexpr std::uint8_t kQ = 0x10;
inline constexpr std::uint8_t kW = 0x11;
inline constexpr std::uint8_t kE = 0x12;
inline constexpr std::uint8_t kR = 0x13;
inline constexpr std::uint8_t kT = 0x14;
inline constexpr std::uint8_t kY = 0x15;
inline constexpr std::uint8_t kU = 0x16;
inline constexpr std::uint8_t kI = 0x17;
inline constexpr std::uint8_t kO = 0x18;
inline constexpr std::uint8_t kP = 0x19;
inline constexpr std::uint8_t kLeftBracket = 0x1A;
inline constexpr std::uint8_t kRightBracket = 0x1B;
inline constexpr std::uint8_t kReturn = 0x1C;
inline constexpr std::uint8_t kLeftCtrl = 0x1D;
inline constexpr std::uint8_t kA = 0x1E;
inline constexpr std::uint8_t kS = 0x1F;
inline constexpr std::uint8_t kD = 0x20;
inline constexpr std::uint8_t kF = 0x21;
inline constexpr std::uint8_t kG = 0x22;
inline constexpr std::uint8_t kH = 0x23;
inline constexpr std::uint8_t kJ = 0x24;
inline constexpr std::uint8_t kK = 0x25;
inline constexpr std::uint8_t kL = 0x26;
inline constexpr std::uint8_t kSemicolon = 0x27;
inline constexpr std::uint8_t kApostrophe = 0x28;
inline constexpr std::uint8_t kGrave = 0x29;
inline constexpr std::uint8_t kLeftShift = 0x2A;
inline constexpr std::uint8_t kBackslash = 0x2B;
inline constexpr std::uint8_t kZ = 0x2C;
inline constexpr std::uint8_t kX = 0x2D;
inline constexpr std::uint8_t kC = 0x2E;
inline constexpr std::uint8_t kV = 0x2F;
inline constexpr std::uint8_t kB = 0x30;
inline constexpr std::uint8_t kN = 0x31;
inline constexpr std::uint8_t kM = 0x32;
inline constexpr std::uint8_t kComma = 0x33;
inline constexpr std::uint8_t kPeriod = 0x34;
inline constexpr std::uint8_t kSlash = 0x35;
inline constexpr std::uint8_t kRightShift = 0x36;
inline constexpr std::uint8_t kKeypadMultiply = 0x37;
inline constexpr std::uint8_t kLeftAlt = 0x38;
inline constexpr std::uint8_t kSpace = 0x39;
inline constexpr std::uint8_t kCapsLock = 0x3A;
inline constexpr std::uint8_t kF1 = 0x3B; // F1-F10 are 0x3B-0x44
inline constexpr std::uint8_t kF10 = 0x44;
inline constexpr std::uint8_t kNumLock = 0x45;
inline constexpr std::uint8_t kScrollLock = 0x46;
inline constexpr std::uint8_t kKeypad7 = 0x47;
inline constexpr std::uint8_t kKeypad8 = 0x48;
inline constexpr std::uint8_t kKeypad9 = 0x49;
inline constexpr std::uint8_t kKeypadMinus = 0x4A;
inline constexpr std::uint8_t kKeypad4 = 0x4B;
inline constexpr std::uint8_t kKeypad5 = 0x4C;
inline constexpr std::uint8_t kKeypad6 = 0x4D;
inline constexpr std::uint8_t kKeypadPlus = 0x4E;
inline constexpr std::uint8_t kKeypad1 = 0x4F;
inline constexpr std::uint8_t kKeypad2 = 0x50;
inline constexpr std::uint8_t kKeypad3 = 0x51;
inline constexpr std::uint8_t kKeypad0 = 0x52;
inline constexpr std::uint8_t kKeypadPeriod = 0x53;
inline constexpr std::uint8_t kF11 = 0x57;
inline constexpr std::uint8_t kF12 = 0x58;
inline constexpr std::uint8_t kKana = 0x70;
inline constexpr std::uint8_t kConvert = 0x79;
inline constexpr std::uint8_t kNoConvert = 0x7B;
inline constexpr std::uint8_t kYen = 0x7D;
inline constexpr std::uint8_t kKanji = 0x94;
inline constexpr std::uint8_t kKeypadEnter = 0x9C;
inline constexpr std::uint8_t kRightCtrl = 0x9D;
inline constexpr std::uint8_t kKeypadDivide = 0xB5;
inline constexpr std::uint8_t kPrintScreen = 0xB7;
inline constexpr std::uint8_t kRightAlt = 0xB8;
inline constexpr std::uint8_t kPause = 0xC5;
inline constexpr std::uint8_t kHome = 0xC7;
inline constexpr std::uint8_t kUp = 0xC8;
inline constexpr std::uint8_t kPageUp = 0xC9;
inline constexpr std::uint8_t kLeft = 0xCB;
inline constexpr std::uint8_t kRight = 0xCD;
inline constexpr std::uint8_t kEnd = 0xCF;
inline constexpr std::uint8_t kDown = 0xD0;
inline constexpr std::uint8_t kPageDown = 0xD1;
inline constexpr std::uint8_t kInsert = 0xD2;
inline constexpr std::uint8_t kDelete = 0xD3;
inline constexpr std::uint8_t kLeftWindows = 0xDB;
inline constexpr std::uint8_t kRightWindows = 0xDC;
inline constexpr std::uint8_t kApps = 0xDD;

// The DirectInput code of a key named in an input script: Return, Escape, Space, LCtrl, RCtrl,
// LShift, RShift, KPEnter, Tab, Backspace, Up, Down, Left, Right, Home, End, PageUp,
// PageDown, Insert, Delete, F1-F12, a letter or a digit. Names are matched without regard to
// case.
std::optional<std::uint8_t> codeFromName(std::string_view name);

// The name codeFromName accepts for a code, or an empty view when it has none.
std::string_view nameFromCode(std::uint8_t code);

} // namespace vura::key
