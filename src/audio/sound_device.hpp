#pragma once
// The software sound device: sound buffers in their own formats, mixed into the output's 44100 Hz
// 16-bit stereo with their volume, pan and playback rate. It behaves as the sound device the
// engine's sound code was written for: buffers are locked and unlocked to be written, played
// once or looping from their current position, stopped, and they signal position notifications
// (a playing position reached, or the buffer stopped) that wake the stream threads.

#include "platform/platform.hpp"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace vura {

// A format block's contents, as far as the mixer needs them.
struct PcmFormat {
    bool isFloat = false;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

// Parses a format block (the "fmt " chunk, 16 bytes or more). The mixer plays integer PCM
// (tag 1) of 8, 16, 24 or 32 bits, 32-bit float (tag 3), and the extensible form (tag 0xFFFE)
// naming one of those; one or two channels; 100 to 192000 frames a second; the block align must
// be channels x bytes per sample and the average bytes per second rate x block align. Anything
// else gives nothing.
std::optional<PcmFormat> parseFormatBlock(std::span<const std::uint8_t> block);

// An 18-byte PCM format block (tag 1, extra size 0).
std::vector<std::uint8_t> pcmFormatBlock(std::uint16_t channels, std::uint32_t rate,
                                         std::uint16_t bits);

// Status bits of a buffer.
inline constexpr std::uint32_t kStatusPlaying = 0x1;
inline constexpr std::uint32_t kStatusLooping = 0x4;
// The notification position that fires when a buffer stops.
inline constexpr std::uint32_t kNotifyAtStop = 0xFFFFFFFF;
inline constexpr std::int32_t kVolumeSilent = -10000;
inline constexpr std::int32_t kPanLeft = -10000;
inline constexpr std::int32_t kPanRight = 10000;
inline constexpr std::uint32_t kFrequencyMin = 100;
inline constexpr std::uint32_t kFrequencyMax = 192000;
// setFrequency(0) returns a buffer to its format's own rate.
inline constexpr std::uint32_t kFrequencyOriginal = 0;
// Buffer sizes the device accepts.
inline constexpr std::uint32_t kBufferBytesMin = 4;
inline constexpr std::uint32_t kBufferBytesMax = 0x0FFFFFFF;

// The three wake-up events of a stream (auto-reset, unsignalled at first), waited for together
// by its thread, and what the deterministic mixer needs to know about that thread.
class StreamEvents {
public:
    static constexpr int kCount = 3;
    void signal(int index);
    // Waits without time limit until any event is signalled; returns the lowest signalled
    // index and resets that event only.
    int waitAny();
    // The stream thread's life, told by the thread's owner (before it starts) and by the thread
    // itself (the last thing it does).
    void threadStarted();
    void threadFinished();
    // Returns once the thread is waiting with no event signalled, or has finished, or never
    // started: whatever a signal woke it for has been done.
    void waitUntilIdle();
    // Whether the thread has started and not yet finished.
    bool threadAlive();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_[kCount] = {};
    bool threadAlive_ = false;
    bool threadWaiting_ = false;
};

struct NotifyPosition {
    std::uint32_t offset = 0; // a byte offset in the buffer, or kNotifyAtStop
    int event = 0;            // index into the stream's StreamEvents
};

class SoundDevice;

// One secondary buffer of the device. Every operation is safe from any thread.
class DeviceBuffer {
public:
    ~DeviceBuffer();
    DeviceBuffer(const DeviceBuffer&) = delete;
    DeviceBuffer& operator=(const DeviceBuffer&) = delete;

    // The two regions of a lock: `bytes` from `offset`, the part past the end of the buffer
    // continuing at its start in the second region.
    struct Lock {
        std::uint8_t* first = nullptr;
        std::uint32_t firstBytes = 0;
        std::uint8_t* second = nullptr;
        std::uint32_t secondBytes = 0;
    };
    // False when offset is outside the buffer or bytes is 0 or larger than the buffer.
    bool lock(std::uint32_t offset, std::uint32_t bytes, Lock& out);
    bool unlock(const Lock& regions);
    // The device never loses its buffers' memory; kept for the lock-failure path.
    bool restore() { return true; }

    // Plays from the current position, once or looping; playing again changes only the looping.
    // A buffer that starts at position 0 signals its offset-0 notification at once.
    bool play(bool looping);
    // Stops and keeps the position; signals the stop notification when it was playing.
    bool stop();
    // kStatusPlaying and kStatusLooping.
    std::uint32_t status() const;
    // The play position in bytes (a whole frame). A buffer played once returns to 0 when it
    // reaches its end.
    std::uint32_t position() const;
    bool setPosition(std::uint32_t offset);

    // Volume in hundredths of a decibel, -10000 (silence) to 0; pan from -10000 (right silent)
    // to 10000 (left silent), the other side at full; frequency from 100 to 192000 Hz, or 0 for
    // the format's own rate. Values outside are refused and change nothing.
    bool setVolume(std::int32_t millibels);
    bool setPan(std::int32_t pan);
    bool setFrequency(std::uint32_t hz);
    std::int32_t volume() const;
    std::int32_t pan() const;
    std::uint32_t frequency() const;

    // Sets the positions that signal `events`; only while stopped. An empty list removes them.
    bool setNotifications(StreamEvents* events, std::span<const NotifyPosition> positions);

    const PcmFormat& format() const { return format_; }
    std::uint32_t size() const { return static_cast<std::uint32_t>(data_.size()); }

private:
    friend class SoundDevice;
    DeviceBuffer(SoundDevice& device, const PcmFormat& format, std::uint32_t bytes);

    // Everything below is guarded by the device's mutex, except the sample bytes, which belong
    // to whoever holds a lock on them.
    SoundDevice& device_;
    PcmFormat format_;
    std::vector<std::uint8_t> data_;
    bool playing_ = false;
    bool looping_ = false;
    std::uint32_t position_ = 0; // bytes
    std::int32_t volume_ = 0;
    std::int32_t pan_ = 0;
    std::uint32_t frequency_ = 0;
    float gainLeft_ = 1.0f;
    float gainRight_ = 1.0f;
    StreamEvents* events_ = nullptr;
    std::vector<NotifyPosition> notifications_;

    // Resampling state (used when the frequency is not the output rate).
    static constexpr int kHistory = 256; // frames, a power of two
    bool resamplerPrimed_ = false;
    double phase_ = 0.0;         // fraction of an input frame past `center_`
    std::int64_t center_ = 0;    // input frames consumed before the current one
    std::int64_t fetched_ = 0;   // input frames taken from the buffer into the history
    std::int64_t endFrame_ = -1; // for a buffer played once: the input frame where it ends
    float history_[kHistory][2] = {};

    void updateGains();
};

// The mixer. Create buffers, then hand it to the platform's sound output, which pulls frames.
class SoundDevice final : public AudioSource {
public:
    SoundDevice() = default;
    ~SoundDevice() override;
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // A new stopped buffer of `bytes` bytes holding silence, at volume 0, pan 0 and the format's
    // own rate; null when the format or the size is refused.
    std::unique_ptr<DeviceBuffer> createBuffer(std::span<const std::uint8_t> formatBlock,
                                               std::uint32_t bytes);
    // The primary format: only the output's (44100 Hz, two channels, 16 bits) is accepted.
    bool setPrimaryFormat(std::span<const std::uint8_t> formatBlock);

    // Sums every playing buffer into `out`, with saturation. Deterministic: each time a buffer
    // crosses a notification position, mixing waits until the woken stream thread is done.
    void mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) override;

private:
    friend class DeviceBuffer;
    // Mixes up to `frames` frames of one buffer into acc; returns the frames done. Stops early
    // after a notification when `stopAtNotification` is set (*notified is then true).
    std::size_t mixBuffer(DeviceBuffer& b, float* acc, std::size_t frames, bool stopAtNotification,
                          bool* notified);
    std::size_t mixDirect(DeviceBuffer& b, float* acc, std::size_t frames, bool stopAtNotification,
                          bool* notified);
    std::size_t mixResampled(DeviceBuffer& b, float* acc, std::size_t frames,
                             bool stopAtNotification, bool* notified);
    // Signals the notifications at `offset` of a playing buffer; true if there was one.
    bool notifyAt(DeviceBuffer& b, std::uint32_t offset);
    void endPlay(DeviceBuffer& b); // a buffer played once reached its end

    mutable std::mutex mutex_;
    std::vector<DeviceBuffer*> buffers_;
    std::vector<float> accumulator_;
};

} // namespace vura
