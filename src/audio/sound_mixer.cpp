// The mixer of the sound device: samples of every format become floats, buffers at the output's
// rate are added frame for frame, the others go through a band-limited resampler, and the sum
// of the playing buffers is saturated to 16 bits.

#include "audio/sound_device.hpp"
#include "base/byte_order.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vura {

namespace {

// Frames mixed in one pass over the playing buffers.
constexpr std::size_t kMixChunk = 1024;

// Samples become floats on the 16-bit scale, so 16-bit sound passes at full volume unchanged.
enum class SampleKind { U8, S16, S24, S32, F32 };

SampleKind sampleKind(const PcmFormat& f) {
    if (f.isFloat)
        return SampleKind::F32;
    switch (f.bits) {
    case 8:
        return SampleKind::U8;
    case 16:
        return SampleKind::S16;
    case 24:
        return SampleKind::S24;
    default:
        return SampleKind::S32;
    }
}

template <SampleKind K>
inline float readSample(const std::uint8_t* p) {
    if constexpr (K == SampleKind::U8) {
        return static_cast<float>((static_cast<int>(p[0]) - 128) * 256);
    } else if constexpr (K == SampleKind::S16) {
        return static_cast<float>(static_cast<std::int16_t>(readLe16(p)));
    } else if constexpr (K == SampleKind::S24) {
        std::int32_t v = static_cast<std::int32_t>((p[0] << 8) | (p[1] << 16) |
                                                   (static_cast<std::uint32_t>(p[2]) << 24));
        return static_cast<float>(v >> 8) * (1.0f / 256.0f);
    } else if constexpr (K == SampleKind::S32) {
        return static_cast<float>(static_cast<std::int32_t>(readLe32(p))) * (1.0f / 65536.0f);
    } else {
        float v;
        std::memcpy(&v, p, 4);
        if (!std::isfinite(v))
            return 0.0f;
        return std::clamp(v, -4.0f, 4.0f) * 32768.0f;
    }
}

template <SampleKind K>
constexpr int kSampleBytes = K == SampleKind::U8    ? 1
                             : K == SampleKind::S16 ? 2
                             : K == SampleKind::S24 ? 3
                                                    : 4;

template <SampleKind K>
inline void readFrame(const std::uint8_t* p, int channels, float& left, float& right) {
    left = readSample<K>(p);
    right = channels == 2 ? readSample<K>(p + kSampleBytes<K>) : left;
}

void readFrameAny(SampleKind kind, const std::uint8_t* p, int channels, float& left, float& right) {
    switch (kind) {
    case SampleKind::U8:
        readFrame<SampleKind::U8>(p, channels, left, right);
        break;
    case SampleKind::S16:
        readFrame<SampleKind::S16>(p, channels, left, right);
        break;
    case SampleKind::S24:
        readFrame<SampleKind::S24>(p, channels, left, right);
        break;
    case SampleKind::S32:
        readFrame<SampleKind::S32>(p, channels, left, right);
        break;
    case SampleKind::F32:
        readFrame<SampleKind::F32>(p, channels, left, right);
        break;
    }
}

template <SampleKind K>
void addFrames(const std::uint8_t* src, int channels, std::size_t frames, float gainLeft,
               float gainRight, float* acc) {
    constexpr int bytes = kSampleBytes<K>;
    if (channels == 2) {
        for (std::size_t i = 0; i < frames; ++i, src += 2 * bytes) {
            acc[2 * i] += readSample<K>(src) * gainLeft;
            acc[2 * i + 1] += readSample<K>(src + bytes) * gainRight;
        }
    } else {
        for (std::size_t i = 0; i < frames; ++i, src += bytes) {
            float v = readSample<K>(src);
            acc[2 * i] += v * gainLeft;
            acc[2 * i + 1] += v * gainRight;
        }
    }
}

void addFramesAny(SampleKind kind, const std::uint8_t* src, int channels, std::size_t frames,
                  float gainLeft, float gainRight, float* acc) {
    switch (kind) {
    case SampleKind::U8:
        addFrames<SampleKind::U8>(src, channels, frames, gainLeft, gainRight, acc);
        break;
    case SampleKind::S16:
        addFrames<SampleKind::S16>(src, channels, frames, gainLeft, gainRight, acc);
        break;
    case SampleKind::S24:
        addFrames<SampleKind::S24>(src, channels, frames, gainLeft, gainRight, acc);
        break;
    case SampleKind::S32:
        addFrames<SampleKind::S32>(src, channels, frames, gainLeft, gainRight, acc);
        break;
    case SampleKind::F32:
        addFrames<SampleKind::F32>(src, channels, frames, gainLeft, gainRight, acc);
        break;
    }
}

// The interpolation kernel of the resampler: a sinc windowed by a Kaiser window (beta 8, side
// lobes near -80 dB) over eight zero crossings each side, tabulated finely and read with linear
// interpolation.
constexpr int kZeroCrossings = 8;
constexpr int kTableSteps = 512; // table points per zero crossing
// The pass band ends at 95 % of the lower of the two Nyquist frequencies.
constexpr double kPassBand = 0.95;

double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

struct KernelTable {
    float values[kZeroCrossings * kTableSteps + 2];
    KernelTable() {
        constexpr double beta = 8.0;
        const double norm = besselI0(beta);
        for (int i = 0; i <= kZeroCrossings * kTableSteps; ++i) {
            double x = static_cast<double>(i) / kTableSteps;
            double sinc = i == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
            double r = x / kZeroCrossings;
            double window = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
            values[i] = static_cast<float>(sinc * window);
        }
        values[kZeroCrossings * kTableSteps + 1] = 0.0f;
    }
    // The kernel at u zero crossings (u >= 0).
    float at(double u) const {
        double position = u * kTableSteps;
        int index = static_cast<int>(position);
        if (index >= kZeroCrossings * kTableSteps)
            return 0.0f;
        float fraction = static_cast<float>(position - index);
        return values[index] + (values[index + 1] - values[index]) * fraction;
    }
};

const KernelTable& kernelTable() {
    static const KernelTable table;
    return table;
}

} // namespace

bool SoundDevice::notifyAt(DeviceBuffer& b, std::uint32_t offset) {
    bool any = false;
    for (const NotifyPosition& n : b.notifications_) {
        if (n.offset == offset) {
            b.events_->signal(n.event);
            any = true;
        }
    }
    return any;
}

void SoundDevice::endPlay(DeviceBuffer& b) {
    // A buffer played once stops at its end and starts from the beginning when played again.
    b.playing_ = false;
    b.position_ = 0;
    notifyAt(b, kNotifyAtStop);
}

std::size_t SoundDevice::mixBuffer(DeviceBuffer& b, float* acc, std::size_t frames,
                                   bool stopAtNotification, bool* notified) {
    if (b.frequency_ == static_cast<std::uint32_t>(kAudioOutputRate))
        return mixDirect(b, acc, frames, stopAtNotification, notified);
    return mixResampled(b, acc, frames, stopAtNotification, notified);
}

// A buffer at the output's rate: its frames are added one for one.
std::size_t SoundDevice::mixDirect(DeviceBuffer& b, float* acc, std::size_t frames,
                                   bool stopAtNotification, bool* notified) {
    const std::uint32_t align = b.format_.blockAlign;
    const std::uint32_t end = b.size() - b.size() % align; // a partial last frame never plays
    const SampleKind kind = sampleKind(b.format_);
    std::size_t done = 0;
    while (done < frames && b.playing_) {
        std::uint32_t framesToEnd = (end - b.position_) / align;
        std::size_t n = std::min<std::size_t>(frames - done, framesToEnd);
        // Stop at the next notification position inside this stretch.
        for (const NotifyPosition& p : b.notifications_) {
            if (p.offset != kNotifyAtStop && p.offset > b.position_ &&
                p.offset < b.position_ + n * align)
                n = std::min<std::size_t>(n, (p.offset - b.position_ + align - 1) / align);
        }
        addFramesAny(kind, b.data_.data() + b.position_, b.format_.channels, n, b.gainLeft_,
                     b.gainRight_, acc + 2 * done);
        done += n;
        b.position_ += static_cast<std::uint32_t>(n * align);
        bool signalled = false;
        if (b.position_ >= end) {
            if (!b.looping_) {
                endPlay(b);
                break;
            }
            b.position_ = 0;
            signalled = notifyAt(b, 0);
        } else if (n > 0) {
            signalled = notifyAt(b, b.position_);
        }
        if (signalled) {
            *notified = true;
            if (stopAtNotification)
                break;
        }
    }
    return done;
}

// A buffer at another rate goes through the band-limited interpolator. Input frames are taken
// from the buffer into a short history as the interpolator needs them; the play position and
// its notifications follow the frames taken.
std::size_t SoundDevice::mixResampled(DeviceBuffer& b, float* acc, std::size_t frames,
                                      bool stopAtNotification, bool* notified) {
    const KernelTable& kernel = kernelTable();
    const std::uint32_t align = b.format_.blockAlign;
    const std::uint32_t end = b.size() - b.size() % align;
    const SampleKind kind = sampleKind(b.format_);
    const double step = static_cast<double>(b.frequency_) / kAudioOutputRate;
    const double cutoff = kPassBand * std::min(1.0, 1.0 / step);
    const int halfTaps = static_cast<int>(std::ceil(kZeroCrossings / cutoff));
    constexpr int mask = DeviceBuffer::kHistory - 1;

    if (!b.resamplerPrimed_) {
        std::memset(b.history_, 0, sizeof b.history_);
        b.center_ = 0;
        b.phase_ = 0.0;
        b.fetched_ = 0;
        b.endFrame_ = -1;
        b.resamplerPrimed_ = true;
    }

    std::size_t done = 0;
    while (done < frames && b.playing_) {
        if (b.endFrame_ >= 0 && b.center_ >= b.endFrame_) {
            endPlay(b);
            break;
        }
        // Take input frames until the kernel's right half is covered.
        bool signalled = false;
        while (b.fetched_ <= b.center_ + halfTaps) {
            float* slot = b.history_[b.fetched_ & mask];
            ++b.fetched_;
            if (b.endFrame_ >= 0) { // past the end of a sound played once: silence
                slot[0] = slot[1] = 0.0f;
                continue;
            }
            readFrameAny(kind, b.data_.data() + b.position_, b.format_.channels, slot[0], slot[1]);
            b.position_ += align;
            if (b.position_ >= end) {
                if (b.looping_) {
                    b.position_ = 0;
                    signalled |= notifyAt(b, 0);
                } else {
                    b.endFrame_ = b.fetched_;
                    b.position_ = 0;
                }
            } else {
                signalled |= notifyAt(b, b.position_);
            }
        }
        float left = 0.0f;
        float right = 0.0f;
        for (int k = -halfTaps + 1; k <= halfTaps; ++k) {
            double distance = std::abs(static_cast<double>(k) - b.phase_) * cutoff;
            float w = kernel.at(distance);
            const float* s = b.history_[(b.center_ + k) & mask];
            left += s[0] * w;
            right += s[1] * w;
        }
        const float scale = static_cast<float>(cutoff);
        acc[2 * done] += left * scale * b.gainLeft_;
        acc[2 * done + 1] += right * scale * b.gainRight_;
        ++done;
        b.phase_ += step;
        double whole = std::floor(b.phase_);
        b.center_ += static_cast<std::int64_t>(whole);
        b.phase_ -= whole;
        if (signalled) {
            *notified = true;
            if (stopAtNotification)
                break;
        }
    }
    return done;
}

void SoundDevice::mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) {
    std::unique_lock lock(mutex_);
    while (frames > 0) {
        const std::size_t n = std::min(frames, kMixChunk);
        accumulator_.assign(2 * n, 0.0f);
        for (std::size_t i = 0; i < buffers_.size(); ++i) {
            DeviceBuffer* b = buffers_[i];
            if (!b->playing_)
                continue;
            // Headless runs wait for a woken stream thread before they mix its buffer further,
            // so its refills land at the same place on every run. The buffers cannot change
            // meanwhile: this is the main thread, the only one that creates or destroys them.
            auto waitForThread = [&] {
                if (!deterministic || !b->events_)
                    return;
                StreamEvents* events = b->events_;
                lock.unlock();
                events->waitUntilIdle();
                lock.lock();
            };
            waitForThread();
            std::size_t done = 0;
            while (done < n && b->playing_) {
                bool notified = false;
                std::size_t k = mixBuffer(*b, accumulator_.data() + 2 * done, n - done,
                                          deterministic, &notified);
                done += k;
                if (notified)
                    waitForThread();
                else if (k == 0)
                    break;
            }
        }
        for (std::size_t i = 0; i < 2 * n; ++i) {
            float v = std::clamp(accumulator_[i], -32768.0f, 32767.0f);
            out[i] = static_cast<std::int16_t>(std::lrint(v));
        }
        out += 2 * n;
        frames -= n;
    }
}

} // namespace vura