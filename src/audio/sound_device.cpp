// The sound device's buffers and their controls (locks, play and stop, volume, pan, rate,
// position notifications), the stream threads' wake-up events and the format blocks. The mixing
// is in sound_mixer.cpp.

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

} // namespace vura
