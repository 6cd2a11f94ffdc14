#pragma once
// How the SDL backend reads the keyboard and the mouse buttons: SDL scancodes and buttons to the
// engine's key codes (the DirectInput codes the games test) and button numbers.

#include <cstdint>

namespace vura {

// The engine's key code of an SDL scancode, 0 for keys the engine does not know.
std::uint8_t keyCodeOfScancode(int sdlScancode);

// 0 left, 1 right, 2 middle, 3 the first extra button; -1 for the others.
int buttonIndexOf(std::uint8_t sdlButton);

} // namespace vura
