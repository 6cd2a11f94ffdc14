#include "audio/sound_device.hpp"

#include "base/byte_order.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace vura {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// The sub-format identifiers of the extensible form share these last fourteen bytes.
constexpr std::uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

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

std::optional<PcmFormat> parseFormatBlock(std::span<const std::uint8_t> block) {
    if (block.size() < 16)
        return std::nullopt;
    const std::uint8_t* p = block.data();
    std::uint16_t tag = readLe16(p);
    PcmFormat f;
    f.channels = readLe16(p + 2);
    f.rate = readLe32(p + 4);
    f.averageBytesPerSecond = readLe32(p + 8);
    f.blockAlign = readLe16(p + 12);
    f.bits = readLe16(p + 14);
    if (tag == kTagExtensible) {
        // cbSize 22: valid bits, channel mask, sub-format identifier.
        if (block.size() < 40 || readLe16(p + 16) < 22 ||
            std::memcmp(p + 26, kSubFormatTail, sizeof kSubFormatTail) != 0)
            return std::nullopt;
        std::uint16_t validBits = readLe16(p + 18);
        if (validBits == 0 || validBits > f.bits)
            return std::nullopt;
        tag = readLe16(p + 24);
    }
    if (tag == kTagPcm) {
        if (f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32)
            return std::nullopt;
    } else if (tag == kTagFloat) {
        if (f.bits != 32)
            return std::nullopt;
        f.isFloat = true;
    } else {
        return std::nullopt;
    }
    if (f.channels < 1 || f.channels > 2 || f.rate < kFrequencyMin || f.rate > kFrequencyMax)
        return std::nullopt;
    if (f.blockAlign != f.channels * (f.bits / 8) ||
        f.averageBytesPerSecond != f.rate * f.blockAlign)
        return std::nullopt;
    return f;
}

std::vector<std::uint8_t> pcmFormatBlock(std::uint16_t channels, std::uint32_t rate,
                                         std::uint16_t bits) {
    std::vector<std::uint8_t> block(18, 0);
    std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
    writeLe16(&block[0], kTagPcm);
    writeLe16(&block[2], channels);
    writeLe32(&block[4], rate);
    writeLe32(&block[8], rate * align);
    writeLe16(&block[12], align);
    writeLe16(&block[14], bits);
    writeLe16(&block[16], 0);
    return block;
}

// ---------------------------------------------------------------------------------------------
// StreamEvents

void StreamEvents::signal(int index) {
    std::lock_guard lock(mutex_);
    signalled_[index] = true;
    changed_.notify_all();
}

int StreamEvents::waitAny() {
    std::unique_lock lock(mutex_);
    threadWaiting_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return signalled_[0] || signalled_[1] || signalled_[2]; });
    threadWaiting_ = false;
    for (int i = 0; i < kCount; ++i) {
        if (signalled_[i]) {
            signalled_[i] = false;
            return i;
        }
    }
    return kCount; // not reached
}

void StreamEvents::threadStarted() {
    std::lock_guard lock(mutex_);
    threadAlive_ = true;
    threadWaiting_ = false;
}

void StreamEvents::threadFinished() {
    std::lock_guard lock(mutex_);
    threadAlive_ = false;
    threadWaiting_ = false;
    changed_.notify_all();
}

bool StreamEvents::threadAlive() {
    std::lock_guard lock(mutex_);
    return threadAlive_;
}

void StreamEvents::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] {
        return !threadAlive_ ||
               (threadWaiting_ && !signalled_[0] && !signalled_[1] && !signalled_[2]);
    });
}

// ---------------------------------------------------------------------------------------------
// DeviceBuffer

DeviceBuffer::DeviceBuffer(SoundDevice& device, const PcmFormat& format, std::uint32_t bytes)
    : device_(device), format_(format), data_(bytes, format.bits == 8 ? 0x80 : 0x00),
      frequency_(format.rate) {}

DeviceBuffer::~DeviceBuffer() {
    std::lock_guard lock(device_.mutex_);
    auto& list = device_.buffers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool DeviceBuffer::lock(std::uint32_t offset, std::uint32_t bytes, Lock& out) {
    std::lock_guard guard(device_.mutex_);
    const std::uint32_t total = size();
    if (offset >= total || bytes == 0 || bytes > total)
        return false;
    out.first = data_.data() + offset;
    out.firstBytes = std::min(bytes, total - offset);
    out.secondBytes = bytes - out.firstBytes;
    out.second = out.secondBytes > 0 ? data_.data() : nullptr;
    return true;
}

bool DeviceBuffer::unlock(const Lock& regions) {
    // Taking the device's mutex orders the writes made under the lock before the next mix.
    std::lock_guard guard(device_.mutex_);
    const std::uint8_t* begin = data_.data();
    const std::uint8_t* end = begin + data_.size();
    return regions.first >= begin && regions.first < end;
}

bool DeviceBuffer::play(bool looping) {
    std::lock_guard guard(device_.mutex_);
    looping_ = looping;
    if (playing_)
        return true;
    playing_ = true;
    resamplerPrimed_ = false;
    if (position_ == 0)
        device_.notifyAt(*this, 0);
    return true;
}

bool DeviceBuffer::stop() {
    std::lock_guard guard(device_.mutex_);
    if (playing_) {
        playing_ = false;
        device_.notifyAt(*this, kNotifyAtStop);
    }
    return true;
}

std::uint32_t DeviceBuffer::status() const {
    std::lock_guard guard(device_.mutex_);
    if (!playing_)
        return 0;
    return kStatusPlaying | (looping_ ? kStatusLooping : 0);
}

std::uint32_t DeviceBuffer::position() const {
    std::lock_guard guard(device_.mutex_);
    return position_;
}

bool DeviceBuffer::setPosition(std::uint32_t offset) {
    std::lock_guard guard(device_.mutex_);
    // A partial frame at the end is never played, so it is no place to start from either.
    if (offset >= size() - size() % format_.blockAlign)
        return false;
    position_ = offset - offset % format_.blockAlign;
    resamplerPrimed_ = false;
    return true;
}

bool DeviceBuffer::setVolume(std::int32_t millibels) {
    if (millibels < kVolumeSilent || millibels > 0)
        return false;
    std::lock_guard guard(device_.mutex_);
    volume_ = millibels;
    updateGains();
    return true;
}

bool DeviceBuffer::setPan(std::int32_t pan) {
    if (pan < kPanLeft || pan > kPanRight)
        return false;
    std::lock_guard guard(device_.mutex_);
    pan_ = pan;
    updateGains();
    return true;
}

bool DeviceBuffer::setFrequency(std::uint32_t hz) {
    if (hz != kFrequencyOriginal && (hz < kFrequencyMin || hz > kFrequencyMax))
        return false;
    std::lock_guard guard(device_.mutex_);
    std::uint32_t next = hz == kFrequencyOriginal ? format_.rate : hz;
    bool wasResampled = frequency_ != static_cast<std::uint32_t>(kAudioOutputRate);
    bool resampled = next != static_cast<std::uint32_t>(kAudioOutputRate);
    frequency_ = next;
    if (wasResampled != resampled)
        resamplerPrimed_ = false;
    return true;
}

std::int32_t DeviceBuffer::volume() const {
    std::lock_guard guard(device_.mutex_);
    return volume_;
}

std::int32_t DeviceBuffer::pan() const {
    std::lock_guard guard(device_.mutex_);
    return pan_;
}

std::uint32_t DeviceBuffer::frequency() const {
    std::lock_guard guard(device_.mutex_);
    return frequency_;
}

bool DeviceBuffer::setNotifications(StreamEvents* events,
                                    std::span<const NotifyPosition> positions) {
    std::lock_guard guard(device_.mutex_);
    if (playing_)
        return false;
    for (const NotifyPosition& n : positions) {
        if ((n.offset != kNotifyAtStop && n.offset >= size()) || n.event < 0 ||
            n.event >= StreamEvents::kCount)
            return false;
    }
    if (!positions.empty() && !events)
        return false;
    events_ = positions.empty() ? nullptr : events;
    notifications_.assign(positions.begin(), positions.end());
    return true;
}

void DeviceBuffer::updateGains() {
    // Hundredths of a decibel: gain 10^(mB / 2000). The far ends of the scales are silence.
    auto gain = [](std::int32_t millibels) {
        return millibels <= kVolumeSilent ? 0.0f
                                          : static_cast<float>(std::pow(10.0, millibels / 2000.0));
    };
    float g = gain(volume_);
    gainLeft_ = g * (pan_ > 0 ? gain(-pan_) : 1.0f);
    gainRight_ = g * (pan_ < 0 ? gain(pan_) : 1.0f);
}

// ---------------------------------------------------------------------------------------------
// SoundDevice

SoundDevice::~SoundDevice() {
    // Every buffer belongs to a sound buffer object that the manager resets before the device
    // goes; one left over would point at a device that no longer exists.
    assert(buffers_.empty());
}

std::unique_ptr<DeviceBuffer> SoundDevice::createBuffer(std::span<const std::uint8_t> formatBlock,
                                                        std::uint32_t bytes) {
    std::optional<PcmFormat> format = parseFormatBlock(formatBlock);
    if (!format || bytes < kBufferBytesMin || bytes > kBufferBytesMax || bytes < format->blockAlign)
        return nullptr;
    std::unique_ptr<DeviceBuffer> buffer(new DeviceBuffer(*this, *format, bytes));
    std::lock_guard lock(mutex_);
    buffers_.push_back(buffer.get());
    return buffer;
}

bool SoundDevice::setPrimaryFormat(std::span<const std::uint8_t> formatBlock) {
    std::optional<PcmFormat> format = parseFormatBlock(formatBlock);
    return format && !format->isFloat && format->channels == kAudioOutputChannels &&
           format->rate == static_cast<std::uint32_t>(kAudioOutputRate) && format->bits == 16;
}

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
