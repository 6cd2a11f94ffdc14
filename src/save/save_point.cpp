#include "save/save_point.hpp"

namespace vura {

// Saves arrive with their own subsystem; until then there is nothing to keep.
void TakeSavePoint(Engine& /*engine*/) {}

} // namespace vura
