#pragma once
// The engine's sound objects: one SoundManager holding the device, the primary format and a
// numbered array of channels, each a SoundBuffer that holds one sound at a time, loaded whole
// into a static buffer or streamed by its own thread through a two-second buffer refilled half
// by half.

#include "audio/ogg_reader.hpp"
#include "audio/sound_device.hpp"
#include "audio/wave_reader.hpp"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace vura {

class Platform;

// More channels than any game uses; a larger count is refused rather than exhausting the memory.
inline constexpr int kMaxSoundChannels = 65536;

class SoundBuffer {
public:
    explicit SoundBuffer(SoundDevice* device) : device_(device) {}
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;
    ~SoundBuffer() { reset(); }

    // Loaders: each resets the buffer first; true on success.
    bool loadWaveFile(const std::filesystem::path& path);
    bool loadWaveHandle(int handle, std::int64_t offset);
    bool streamWaveFile(const std::filesystem::path& path);
    // The buffer takes the handle and closes it on reset, also when the load fails.
    bool streamWaveHandle(int handle, std::int64_t offset);
    bool loadOggFile(const std::filesystem::path& path);
    bool loadOggStream(std::FILE* stream, std::uint32_t byteCount);
    bool streamOggFile(const std::filesystem::path& path);

    // Plays a static sound from its current position; an empty channel succeeds silently.
    bool play(bool loop);
    // Starts a stream (refused unless streaming): fills the first half, plays the buffer in a
    // loop and starts the thread that refills it.
    bool startStream(bool loop);
    // False for an empty channel.
    bool stop();
    // kStatusPlaying, kStatusLooping; 0 for an empty channel.
    std::uint32_t status() const;
    bool setVolume(std::int32_t millibels);
    bool setPan(std::int32_t pan);
    bool setFrequency(std::uint32_t hz);
    // Back to empty: stops, waits for the thread, frees the sources, the device buffer and the
    // handle.
    void reset();

    bool empty() const { return !buffer; }

    // The fields, as the engine reads them.
    std::unique_ptr<DeviceBuffer> buffer;
    std::uint32_t frequency = 0;
    std::int32_t volume = 0;
    std::int32_t pan = 0;
    bool streaming = false;
    bool loop = true;
    std::uint32_t bufferBytes = 0;
    std::uint32_t halfBytes = 0;
    std::unique_ptr<WaveReader> waveSource;
    std::unique_ptr<OggReader> oggSource;
    std::unique_ptr<StreamEvents> events;
    std::thread thread;
    int nextHalf = 1;
    int fileHandle = -1;

private:
    bool createStatic(std::span<const std::uint8_t> format, std::uint32_t bytes);
    bool createStreaming(std::span<const std::uint8_t> format);
    bool lockRegions(std::uint32_t offset, std::uint32_t bytes, DeviceBuffer::Lock& regions);
    bool fillStaticFromWave(WaveReader& reader);
    void refillHalf(int half);
    void streamThread();
    void readCache();

    SoundDevice* device_;
};

class SoundManager {
public:
    explicit SoundManager(Platform& platform) : platform_(platform) {}
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;
    ~SoundManager() { destroy(); }

    // Opens the sound output over a new mixer; false when there is none.
    bool create();
    // Refused when a primary exists; only 44100 Hz is accepted.
    bool createPrimary(std::uint32_t rate);
    // Refused when the channels exist.
    bool createChannels(int count);
    // Resets and frees every channel, so that createChannels may make them anew.
    void destroyChannels();
    // Resets every channel, then the primary, closes the output and the mixer.
    void destroy();

    SoundDevice* device() { return device_.get(); }
    std::unique_ptr<SoundBuffer> primary;
    std::vector<std::unique_ptr<SoundBuffer>> channels;
    int channelCount = 0;
    // The channel, or null when the number is outside the array.
    SoundBuffer* channel(int number);

private:
    Platform& platform_;
    std::unique_ptr<SoundDevice> device_;
    std::unique_ptr<AudioOutput> output_;
};

} // namespace vura
