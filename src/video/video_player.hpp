#pragma once
// The video device the scripts play movies on: open a file, play it once or repeating, stop
// (keeping the place), go back to the start, close; and the notice that a play ran to its end.
// It is also the sound output's source while a movie plays: the movie owns the output.
//
// Two ways to run. Threaded (a real window): a decode thread keeps a few pictures and half a
// second of sound ahead; the sound output's thread takes sound from that ring without ever
// waiting (an underrun is silence), and the main loop shows the picture that is due. The sound
// output's clock leads (the frames it took, less its latency); without sound the platform's
// clock does; pictures that are late are passed over without converting them. Deterministic
// (headless): no thread at all; each pass decodes the pictures due at the virtual time, and each
// pull of the sound output decodes exactly the samples it asks for, so runs repeat to the byte.

#include "platform/platform.hpp"
#include "video/media_file.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vura {

class VideoPlayer final : public AudioSource {
public:
    enum class Mode { Threaded, Deterministic };
    // Pictures kept ahead by the decode thread, and the sound ring's length in frames.
    static constexpr std::size_t kQueuedPictures = 4;
    static constexpr std::size_t kRingFrames = kAudioOutputRate / 2;
    // What the sound output holds before it is heard, in frames.
    static constexpr std::int64_t kOutputLatencyFrames = 1024;

    VideoPlayer(Clock& clock, Mode mode);
    ~VideoPlayer() override;
    VideoPlayer(const VideoPlayer&) = delete;
    VideoPlayer& operator=(const VideoPlayer&) = delete;

    // Opens the file (closing what was open), its pictures width x height; false with `error`.
    bool open(const std::filesystem::path& path, int width, int height, std::string& error);
    // Plays from where it stands; false when nothing is open. Each play has a serial number of
    // its own, which its end notice carries.
    bool play(bool repeat);
    void stop();
    bool seekToStart();
    void close();

    bool isOpen() const { return media_ != nullptr; }
    bool isPlaying() const { return playing_; }
    bool repeats() const { return repeat_; }
    const std::string& fileName() const { return fileName_; }
    std::uint32_t serial() const { return serial_; }
    std::int64_t positionMs() const;
    // Whether a sound output takes this player's sound; without one it plays silently on the
    // platform's clock.
    void setSoundOutput(bool attached);
    // The play since the last start showed no picture and played no sound.
    bool roundWasEmpty() const { return pictures_ == 0 && samples_ == 0; }

    // Once per main loop pass: the picture due now when it is new, else null.
    const VideoFrame* update();
    // Milliseconds until the next picture is due (0 when one is due now or none is ready yet).
    std::uint32_t msUntilNextPicture();
    // The picture shown last, or null before the first.
    const VideoFrame* shown() const { return hasShown_ ? &shown_ : nullptr; }
    // The serial of a play that ran to its end since the last call: its last picture had its
    // time and its sound played out. Stopping or closing raises nothing.
    std::optional<std::uint32_t> takeEnd();

    void mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) override;

private:
    bool soundLeads() const { return soundAttached_ && hasAudio_; }
    void startThread();
    void stopThread();
    void decodeLoop();
    bool ended(std::int64_t now);
    const VideoFrame* updateDeterministic(std::int64_t now);
    const VideoFrame* updateThreaded(std::int64_t now);
    void show(VideoFrame&& frame);

    Clock& clock_;
    Mode mode_;
    std::unique_ptr<MediaFile> media_;
    std::atomic<bool> hasAudio_{false}; // the open file has sound
    std::string fileName_;
    std::atomic<bool> playing_{false};
    bool repeat_ = false;
    std::uint32_t serial_ = 0;
    std::optional<std::uint32_t> endPending_;
    std::atomic<bool> soundAttached_{false};

    // The clocks: sound frames taken while playing, or the platform's milliseconds.
    std::atomic<std::int64_t> consumed_{0};
    std::atomic<std::int64_t> clockBase_{0};
    std::atomic<std::int64_t> clockAccumulated_{0};

    VideoFrame shown_;
    bool hasShown_ = false;
    std::optional<VideoFrame> next_; // deterministic: the picture after the one shown
    std::atomic<bool> videoEnded_{false};
    std::atomic<bool> soundEnded_{false};
    std::atomic<std::int64_t> pictures_{0};
    std::atomic<std::int64_t> samples_{0};

    // Threaded: the decode thread and what it fills.
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::mutex framesMutex_;
    std::condition_variable wake_;
    std::deque<VideoFrame> frames_;
    std::mutex ringMutex_;
    std::vector<std::int16_t> ring_ = std::vector<std::int16_t>(2 * kRingFrames);
    std::size_t ringRead_ = 0;
    std::size_t ringFill_ = 0;
};

} // namespace vura
