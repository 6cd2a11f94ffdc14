#pragma once
// The script's side of sound: the channel records the sound commands keep beside the sound
// manager's buffers, the effective volume of a channel, and the commands that set channels up,
// play and stop them, name the packs sounds are found in, and rebuild the sound device.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vura {

class Engine;
class PackArchive;
class SoundBuffer;

// One channel as the scripts see it; the sound manager's buffer of the same number holds the
// sound itself.
struct SoundChannel {
    // The extra pack (commands 49 and 50) this channel's sounds are looked up in; a negative
    // number, or one that names no present pack, means none.
    std::int32_t pack = -1;
    std::int32_t volumePercent = 100; // 0 to 100
    // The sound last loaded into the channel, Shift-JIS, without extension, at most
    // kSoundNameMax - 1 bytes. It survives a stop; reloads and saves use it.
    std::string name;
    // Sounds are streamed rather than loaded whole, from the channel's next load on.
    bool streaming = false;

    bool operator==(const SoundChannel&) const = default;
};

inline constexpr std::size_t kSoundNameMax = 64;
// The most extra packs a script may ask for (and kMaxSoundChannels channels); a larger count
// ends the game with a message rather than exhausting the memory.
inline constexpr int kMaxPackFiles = 65536;

// The channel's record and buffer, or null when the number is outside the tables or no sound
// device exists.
SoundChannel* FindSoundChannel(Engine& engine, int channel);
SoundBuffer* FindChannelBuffer(Engine& engine, int channel);
// The extra pack a channel's pack number names when it is present, else null.
PackArchive* ChannelPack(Engine& engine, int packNumber);

// Sets the channel's buffer to its effective volume: the common int its volume variable names,
// times its volume percent, over 100. Unless `always`, the buffer is left alone when that is
// already its volume.
void ApplyChannelVolume(Engine& engine, int channel, bool always);

// Stops the channel and empties its buffer; the channel keeps its name. Nothing for a channel
// outside the tables.
void StopChannel(Engine& engine, int channel);

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
