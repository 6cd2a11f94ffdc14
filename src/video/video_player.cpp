#include "video/video_player.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vura {

namespace {

constexpr std::size_t kDecodeChunkFrames = 2048;

} // namespace

VideoPlayer::VideoPlayer(Clock& clock, Mode mode) : clock_(clock), mode_(mode) {}

VideoPlayer::~VideoPlayer() {
    close();
}

bool VideoPlayer::open(const std::filesystem::path& path, int width, int height,
                       std::string& error) {
    close(); // a device still open is closed first
    media_ = MediaFile::open(path, width, height, error);
    if (!media_)
        return false;
    fileName_ = path.string();
    hasAudio_ = media_->hasAudio();
    hasShown_ = false;
    seekToStart();
    return true;
}

bool VideoPlayer::play(bool repeat) {
    if (!media_) {
        playing_ = false;
        return false;
    }
    ++serial_;
    repeat_ = repeat;
    clockBase_ = clock_.milliseconds();
    playing_ = true;
    if (mode_ == Mode::Threaded)
        startThread();
    return true;
}

void VideoPlayer::stop() {
    if (!playing_)
        return;
    clockAccumulated_ += static_cast<std::int64_t>(clock_.milliseconds()) - clockBase_.load();
    playing_ = false;
}

bool VideoPlayer::seekToStart() {
    if (!media_)
        return false;
    stopThread();
    const bool ok = media_->rewind();
    {
        std::lock_guard<std::mutex> lock(framesMutex_);
        frames_.clear();
    }
    {
        std::lock_guard<std::mutex> lock(ringMutex_);
        ringRead_ = ringFill_ = 0;
    }
    next_.reset();
    consumed_ = 0;
    clockAccumulated_ = 0;
    clockBase_ = clock_.milliseconds();
    videoEnded_ = soundEnded_ = false;
    pictures_ = samples_ = 0;
    if (playing_ && mode_ == Mode::Threaded)
        startThread();
    return ok;
}

void VideoPlayer::close() {
    stopThread();
    playing_ = false;
    hasAudio_ = false;
    media_.reset();
    next_.reset();
    endPending_.reset();
    std::lock_guard<std::mutex> lock(framesMutex_);
    frames_.clear();
}

void VideoPlayer::setSoundOutput(bool attached) {
    soundAttached_ = attached;
}

std::int64_t VideoPlayer::positionMs() const {
    if (soundLeads()) {
        std::int64_t frames = consumed_;
        if (mode_ == Mode::Threaded)
            frames = std::max<std::int64_t>(0, frames - kOutputLatencyFrames);
        return frames * 1000 / kAudioOutputRate;
    }
    std::int64_t ms = clockAccumulated_;
    if (playing_)
        ms += static_cast<std::int64_t>(clock_.milliseconds()) - clockBase_.load();
    return ms;
}

std::optional<std::uint32_t> VideoPlayer::takeEnd() {
    std::optional<std::uint32_t> end = endPending_;
    endPending_.reset();
    return end;
}

void VideoPlayer::show(VideoFrame&& frame) {
    ++pictures_;
    if (frame.pixels.empty()) {
        // Passed over: the older picture stays, with the new times.
        shown_.startMs = frame.startMs;
        shown_.durationMs = frame.durationMs;
        return;
    }
    shown_ = std::move(frame);
    hasShown_ = true;
}

// The play ran to its end: the pictures are over and the last had its time, and the sound
// (when it leads) has played out.
bool VideoPlayer::ended(std::int64_t now) {
    if (!videoEnded_ || now < shown_.startMs + shown_.durationMs)
        return false;
    if (!soundLeads())
        return true;
    if (!soundEnded_)
        return false;
    std::lock_guard<std::mutex> lock(ringMutex_);
    return ringFill_ == 0;
}

const VideoFrame* VideoPlayer::update() {
    if (!media_ || !playing_)
        return nullptr;
    const std::int64_t now = positionMs();
    const VideoFrame* changed =
        mode_ == Mode::Deterministic ? updateDeterministic(now) : updateThreaded(now);
    if (ended(now)) {
        stop();
        endPending_ = serial_;
    }
    return changed;
}

std::uint32_t VideoPlayer::msUntilNextPicture() {
    std::int64_t start = -1;
    if (mode_ == Mode::Deterministic) {
        if (next_)
            start = next_->startMs;
    } else {
        std::lock_guard<std::mutex> lock(framesMutex_);
        if (!frames_.empty())
            start = frames_.front().startMs;
    }
    const std::int64_t wait = start - positionMs();
    return start < 0 || wait <= 0 ? 0
                                  : static_cast<std::uint32_t>(std::min<std::int64_t>(wait, 1000));
}

const VideoFrame* VideoPlayer::updateDeterministic(std::int64_t now) {
    bool changed = false;
    for (;;) {
        if (!next_ && !videoEnded_) {
            // A picture whose successor is due already is passed over unconverted.
            const std::int64_t expected =
                hasShown_ || pictures_ > 0 ? shown_.startMs + shown_.durationMs : 0;
            const bool late = pictures_ > 0 && expected + shown_.durationMs <= now;
            VideoFrame f;
            if (media_->nextFrame(f, !late))
                next_ = std::move(f);
            else
                videoEnded_ = true;
        }
        if (!next_ || next_->startMs > now)
            break;
        changed = changed || !next_->pixels.empty();
        show(std::move(*next_));
        next_.reset();
    }
    return changed ? &shown_ : nullptr;
}

const VideoFrame* VideoPlayer::updateThreaded(std::int64_t now) {
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(framesMutex_);
        while (!frames_.empty() && frames_.front().startMs <= now) {
            changed = changed || !frames_.front().pixels.empty();
            show(std::move(frames_.front()));
            frames_.pop_front();
        }
    }
    wake_.notify_one();
    return changed ? &shown_ : nullptr;
}

void VideoPlayer::startThread() {
    if (thread_.joinable() || !media_)
        return;
    quit_ = false;
    thread_ = std::thread([this] { decodeLoop(); });
}

void VideoPlayer::stopThread() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(framesMutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

// The decode thread: pictures ahead up to the queue's length, sound ahead up to the ring's.
void VideoPlayer::decodeLoop() {
    std::vector<std::int16_t> chunk(2 * kDecodeChunkFrames);
    while (!quit_) {
        bool worked = false;
        std::size_t queued = 0;
        std::int64_t lastStart = 0, lastDuration = 0;
        {
            std::lock_guard<std::mutex> lock(framesMutex_);
            queued = frames_.size();
            if (!frames_.empty())
                lastStart = frames_.back().startMs, lastDuration = frames_.back().durationMs;
        }
        if (!videoEnded_ && queued < kQueuedPictures) {
            // Behind the clock by more than a picture: pass this one over unconverted.
            const bool late =
                queued == 0 && pictures_ > 0 && lastStart + 2 * lastDuration <= positionMs();
            VideoFrame f;
            if (media_->nextFrame(f, !late)) {
                std::lock_guard<std::mutex> lock(framesMutex_);
                frames_.push_back(std::move(f));
            } else {
                videoEnded_ = true;
            }
            worked = true;
        }
        if (soundLeads() && !soundEnded_) {
            std::size_t room = 0;
            {
                std::lock_guard<std::mutex> lock(ringMutex_);
                room = kRingFrames - ringFill_;
            }
            if (room >= kDecodeChunkFrames) {
                const std::size_t got = media_->readAudio(chunk.data(), kDecodeChunkFrames);
                std::lock_guard<std::mutex> lock(ringMutex_);
                for (std::size_t i = 0; i < got; ++i) {
                    const std::size_t at = (ringRead_ + ringFill_ + i) % kRingFrames;
                    ring_[2 * at] = chunk[2 * i];
                    ring_[2 * at + 1] = chunk[2 * i + 1];
                }
                ringFill_ += got;
                if (got < kDecodeChunkFrames)
                    soundEnded_ = true;
                worked = true;
            }
        }
        if (!worked) {
            std::unique_lock<std::mutex> lock(framesMutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(5), [this] { return quit_.load(); });
        }
    }
}

void VideoPlayer::mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) {
    std::memset(out, 0, frames * 2 * sizeof(std::int16_t));
    if (!playing_)
        return;
    std::size_t got = 0;
    if (mode_ == Mode::Deterministic || deterministic) {
        // On the main thread, as the virtual clock advances.
        if (media_ && media_->hasAudio() && !soundEnded_) {
            got = media_->readAudio(out, frames);
            if (got < frames)
                soundEnded_ = true;
        }
    } else {
        // Never waits: a ring the decode thread holds just now is an underrun, heard as silence.
        std::unique_lock<std::mutex> lock(ringMutex_, std::try_to_lock);
        if (lock.owns_lock()) {
            got = std::min(frames, ringFill_);
            for (std::size_t i = 0; i < got; ++i) {
                const std::size_t at = (ringRead_ + i) % kRingFrames;
                out[2 * i] = ring_[2 * at];
                out[2 * i + 1] = ring_[2 * at + 1];
            }
            ringRead_ = (ringRead_ + got) % kRingFrames;
            ringFill_ -= got;
        }
    }
    samples_ += static_cast<std::int64_t>(got);
    consumed_ += static_cast<std::int64_t>(frames);
}

} // namespace vura
