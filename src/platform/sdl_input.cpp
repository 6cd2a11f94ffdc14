#include "platform/sdl_input.hpp"

#include "platform/key_codes.hpp"

#include <array>

// SDL last: its X11 headers define macros that clash with our names.
#include <SDL.h>

namespace vura {

namespace {

// The keys outside the runs of letters, digits and function keys: SDL scancode, DirectInput
// key code.
struct KeyPair {
    SDL_Scancode scancode;
    std::uint8_t code;
};
constexpr KeyPair kKeyPairs[] = {
    {SDL_SCANCODE_0, key::k0},
    {SDL_SCANCODE_F11, key::kF11},
    {SDL_SCANCODE_F12, key::kF12},
    {SDL_SCANCODE_RETURN, key::kReturn},
    {SDL_SCANCODE_ESCAPE, key::kEscape},
    {SDL_SCANCODE_BACKSPACE, key::kBackspace},
    {SDL_SCANCODE_TAB, key::kTab},
    {SDL_SCANCODE_SPACE, key::kSpace},
    {SDL_SCANCODE_MINUS, key::kMinus},
    {SDL_SCANCODE_EQUALS, key::kEquals},
    {SDL_SCANCODE_LEFTBRACKET, key::kLeftBracket},
    {SDL_SCANCODE_RIGHTBRACKET, key::kRightBracket},
    {SDL_SCANCODE_BACKSLASH, key::kBackslash},
    {SDL_SCANCODE_SEMICOLON, key::kSemicolon},
    {SDL_SCANCODE_APOSTROPHE, key::kApostrophe},
    {SDL_SCANCODE_GRAVE, key::kGrave},
    {SDL_SCANCODE_COMMA, key::kComma},
    {SDL_SCANCODE_PERIOD, key::kPeriod},
    {SDL_SCANCODE_SLASH, key::kSlash},
    {SDL_SCANCODE_CAPSLOCK, key::kCapsLock},
    {SDL_SCANCODE_PRINTSCREEN, key::kPrintScreen},
    {SDL_SCANCODE_SCROLLLOCK, key::kScrollLock},
    {SDL_SCANCODE_PAUSE, key::kPause},
    {SDL_SCANCODE_INSERT, key::kInsert},
    {SDL_SCANCODE_HOME, key::kHome},
    {SDL_SCANCODE_PAGEUP, key::kPageUp},
    {SDL_SCANCODE_DELETE, key::kDelete},
    {SDL_SCANCODE_END, key::kEnd},
    {SDL_SCANCODE_PAGEDOWN, key::kPageDown},
    {SDL_SCANCODE_RIGHT, key::kRight},
    {SDL_SCANCODE_LEFT, key::kLeft},
    {SDL_SCANCODE_DOWN, key::kDown},
    {SDL_SCANCODE_UP, key::kUp},
    {SDL_SCANCODE_NUMLOCKCLEAR, key::kNumLock},
    {SDL_SCANCODE_KP_DIVIDE, key::kKeypadDivide},
    {SDL_SCANCODE_KP_MULTIPLY, key::kKeypadMultiply},
    {SDL_SCANCODE_KP_MINUS, key::kKeypadMinus},
    {SDL_SCANCODE_KP_PLUS, key::kKeypadPlus},
    {SDL_SCANCODE_KP_ENTER, key::kKeypadEnter},
    {SDL_SCANCODE_KP_1, key::kKeypad1},
    {SDL_SCANCODE_KP_2, key::kKeypad2},
    {SDL_SCANCODE_KP_3, key::kKeypad3},
    {SDL_SCANCODE_KP_4, key::kKeypad4},
    {SDL_SCANCODE_KP_5, key::kKeypad5},
    {SDL_SCANCODE_KP_6, key::kKeypad6},
    {SDL_SCANCODE_KP_7, key::kKeypad7},
    {SDL_SCANCODE_KP_8, key::kKeypad8},
    {SDL_SCANCODE_KP_9, key::kKeypad9},
    {SDL_SCANCODE_KP_0, key::kKeypad0},
    {SDL_SCANCODE_KP_PERIOD, key::kKeypadPeriod},
    {SDL_SCANCODE_APPLICATION, key::kApps},
    {SDL_SCANCODE_INTERNATIONAL2, key::kKana},
    {SDL_SCANCODE_INTERNATIONAL3, key::kYen},
    {SDL_SCANCODE_INTERNATIONAL4, key::kConvert},
    {SDL_SCANCODE_INTERNATIONAL5, key::kNoConvert},
    {SDL_SCANCODE_LCTRL, key::kLeftCtrl},
    {SDL_SCANCODE_LSHIFT, key::kLeftShift},
    {SDL_SCANCODE_LALT, key::kLeftAlt},
    {SDL_SCANCODE_LGUI, key::kLeftWindows},
    {SDL_SCANCODE_RCTRL, key::kRightCtrl},
    {SDL_SCANCODE_RSHIFT, key::kRightShift},
    {SDL_SCANCODE_RALT, key::kRightAlt},
    {SDL_SCANCODE_RGUI, key::kRightWindows},
};

} // namespace

std::uint8_t keyCodeOfScancode(int sc) {
    static const auto table = [] {
        std::array<std::uint8_t, SDL_NUM_SCANCODES> t{};
        const std::uint8_t letters[26] = {
            key::kA, key::kB, key::kC, key::kD, key::kE, key::kF, key::kG, key::kH, key::kI,
            key::kJ, key::kK, key::kL, key::kM, key::kN, key::kO, key::kP, key::kQ, key::kR,
            key::kS, key::kT, key::kU, key::kV, key::kW, key::kX, key::kY, key::kZ};
        for (int i = 0; i < 26; ++i)
            t[SDL_SCANCODE_A + i] = letters[i];
        for (int i = 0; i < 9; ++i)
            t[SDL_SCANCODE_1 + i] = static_cast<std::uint8_t>(key::k1 + i);
        for (int i = 0; i < 10; ++i)
            t[SDL_SCANCODE_F1 + i] = static_cast<std::uint8_t>(key::kF1 + i);
        for (const KeyPair& pair : kKeyPairs)
            t[pair.scancode] = pair.code;
        return t;
    }();
    return sc >= 0 && sc < SDL_NUM_SCANCODES ? table[sc] : 0;
}

int buttonIndexOf(std::uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    case SDL_BUTTON_X1:
        return 3;
    default:
        return -1;
    }
}

} // namespace vura
