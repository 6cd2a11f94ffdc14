#pragma once
// The sound subsystem's record: the sound manager with its numbered buffers, one record per
// channel as the scripts set it up, and the extra packs sounds are looked up in.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vura {

class PackArchive;
class SoundBuffer;
class SoundManager;

inline constexpr std::size_t kSoundNameMax = 64;
// The most extra packs a script may ask for (and kMaxSoundChannels channels); a larger count
// ends the game with a message rather than exhausting the memory.
inline constexpr int kMaxPackFiles = 65536;

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
    // The number of the common int that holds the master volume of the channel's group; -1
    // until a script names one.
    std::int32_t volumeVariable = -1;
    // The manager's buffer of the same number; null while there is no sound device.
    SoundBuffer* buffer = nullptr;

    // Two channels are alike when the scripts set them up alike; which buffer plays them does
    // not count.
    bool operator==(const SoundChannel& other) const {
        return pack == other.pack && volumePercent == other.volumePercent && name == other.name &&
               streaming == other.streaming && volumeVariable == other.volumeVariable;
    }
};

struct SoundState {
    SoundState();
    SoundState(const SoundState&) = delete;
    SoundState& operator=(const SoundState&) = delete;
    ~SoundState();

    // The sound device with its primary format; the channels come with command 45. Between a
    // video and command 102 there is none.
    std::unique_ptr<SoundManager> manager;
    std::vector<SoundChannel> channels;
    std::vector<std::unique_ptr<PackArchive>> packs;

    // The channel's record and buffer, or null when the number is outside the table or no
    // sound device exists.
    SoundChannel* channel(int number);
    SoundBuffer* buffer(int number);
    // The extra pack a channel's pack number names when it is present, else null.
    PackArchive* pack(int number);

    // Makes count channels afresh: every record in its initial state, each with an empty
    // buffer of the sound manager. Channels that exist are stopped and freed first, streams and
    // their handles included.
    void makeChannels(int count);
    // Gives every channel the manager's buffer of its number, after the manager made them.
    void attachBuffers();
    // Stops and closes the sound device and its buffers; the channel records stay.
    void closeDevice();
};

} // namespace vura
