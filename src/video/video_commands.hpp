#pragma once
// The script's side of video: the opening and ending movies. Command 102 closes what a video
// left open before it makes the sound device again.

namespace vura {

class Engine;

// Stops and closes the video device a played video left open; nothing when there is none.
void CloseVideoDevice(Engine& engine);

} // namespace vura
