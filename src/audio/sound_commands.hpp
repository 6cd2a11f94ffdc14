#pragma once
// The script's side of sound: the effective volume of a channel, and the commands that set
// channels up, play and stop them, name the packs sounds are found in, and rebuild the sound
// device.

#include <string>

namespace vura {

class Engine;

// Sets the channel's buffer to its effective volume: the common int its volume variable names,
// times its volume percent, over 100. Unless `always`, the buffer is left alone when that is
// already its volume.
void ApplyChannelVolume(Engine& engine, int channel, bool always);

// Stops the channel and empties its buffer; the channel keeps its name. Nothing for a channel
// outside the tables.
void StopChannel(Engine& engine, int channel);

// Plays the channel's sound once from where it stands: a streaming channel starts its stream,
// played once (a stream's buffer alone would play its first two seconds). False for a channel
// outside the table or without a device.
bool PlayChannelOnce(Engine& engine, int channel);

// Stops the channel, loads the named sound into it, records the name and sets the channel's
// effective volume; false, with the channel empty and its old name kept, when the sound cannot
// be loaded or the channel does not exist. With no sound device (a movie owns the output) it
// does nothing and reports no failure.
bool LoadChannelSound(Engine& engine, int channel, const std::string& nameSjis);

// Makes the sound device again (after a video): the video closed, a new sound manager, every
// channel's buffer, and every channel's sound loaded again, silent until played. False, with the
// message shown and the game ending, when the device cannot be made.
bool RebuildSoundDevice(Engine& engine);

namespace commands {

int InitSoundChannels(Engine& engine);        // 45
int SetChannelPack(Engine& engine);           // 46
int SetChannelStream(Engine& engine);         // 47
int PlayDSB(Engine& engine);                  // 48
int InitPackFiles(Engine& engine);            // 49
int SetPackFileName(Engine& engine);          // 50
int StopDSB(Engine& engine);                  // 51
int SetChannelVolumeVariable(Engine& engine); // 65
int ApplyChannelVolume(Engine& engine);       // 67
int SetChannelVolumePercent(Engine& engine);  // 72
int InitDirectSound(Engine& engine);          // 102

} // namespace commands

} // namespace vura
