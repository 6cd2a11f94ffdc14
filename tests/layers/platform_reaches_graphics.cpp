// The platform layer is the bottom one: it may not see the graphics above it.
#include "graphics/surface.hpp"
