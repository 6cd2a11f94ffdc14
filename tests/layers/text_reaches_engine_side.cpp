// A text mechanism may use the graphics mechanisms, but not the engine's side of graphics.
#include "graphics/screen.hpp"
