#pragma once
// Showing the screen surface in the window.

#include "platform/platform.hpp"

namespace vura {

class Engine;

// Paints the whole screen surface into the window.
void presentScreen(Engine& engine);
// Paints one rectangle of the screen surface at the same place in the window.
void presentScreenRect(Engine& engine, const ScreenRect& area);

} // namespace vura
