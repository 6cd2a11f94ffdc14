#include "video/video_commands.hpp"

namespace vura {

// No video is ever opened yet, so there is never one to close.
void CloseVideoDevice(Engine& /*engine*/) {}

} // namespace vura
