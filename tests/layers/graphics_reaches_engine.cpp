// A graphics mechanism that reaches for the engine: the build must refuse it.
#include "core/engine.hpp"
