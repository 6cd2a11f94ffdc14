#pragma once
// The script's side of video: the opening and ending movies (101 PlayAVI, 103 WaitAVI), the
// movie's part of each main loop pass, and closing it (command 102, loads, shut-down).

namespace vura {

class Engine;

// Stops and closes the video device, gives up its sound output and shows the engine's picture
// again; nothing when there is none.
void CloseVideoDevice(Engine& engine);

// Once per main loop pass, after the events, before the tick (and while the window is
// inactive too): the picture that is due goes to the window, and a play that ended plays again
// (repeating) or closes the device.
void AdvanceVideo(Engine& engine);

namespace commands {

int PlayAVI(Engine& engine); // 101
int WaitAVI(Engine& engine); // 103

} // namespace commands

} // namespace vura
