#include "audio/sound_buffer.hpp"

#include "platform/platform.hpp"

#include <unistd.h>

#include <array>
#include <functional>
#include <system_error>

namespace vura {

// ---------------------------------------------------------------------------------------------
// Creating buffers

void SoundBuffer::readCache() {
    frequency = buffer->frequency();
    volume = buffer->volume();
    pan = buffer->pan();
}

bool SoundBuffer::createStatic(std::span<const std::uint8_t> format, std::uint32_t bytes) {
    if (!device_)
        return false;
    buffer = device_->createBuffer(format, bytes);
    if (!buffer)
        return false;
    readCache();
    return true;
}

bool SoundBuffer::createStreaming(std::span<const std::uint8_t> format) {
    std::optional<PcmFormat> parsed = parseFormatBlock(format);
    if (!device_ || !parsed)
        return false;
    // Two seconds of sound, refilled a second at a time.
    bufferBytes = 2 * parsed->averageBytesPerSecond;
    buffer = device_->createBuffer(format, bufferBytes);
    if (!buffer)
        return false;
    readCache();
    events = std::make_unique<StreamEvents>();
    halfBytes = bufferBytes / 2;
    streaming = true;
    const std::array<NotifyPosition, 3> positions = {
        NotifyPosition{0, 0}, NotifyPosition{halfBytes, 1}, NotifyPosition{kNotifyAtStop, 2}};
    return buffer->setNotifications(events.get(), positions);
}

bool SoundBuffer::lockRegions(std::uint32_t offset, std::uint32_t bytes,
                              DeviceBuffer::Lock& regions) {
    if (buffer->lock(offset, bytes, regions))
        return true;
    // A buffer whose memory was lost is restored and locked once more.
    return buffer->restore() && buffer->lock(offset, bytes, regions);
}

bool SoundBuffer::fillStaticFromWave(WaveReader& reader) {
    if (!createStatic(reader.format(), reader.dataSize()))
        return false;
    DeviceBuffer::Lock regions;
    if (!lockRegions(0, buffer->size(), regions))
        return false;
    bool ok = reader.read(regions.firstBytes, regions.first);
    if (ok && regions.second)
        ok = reader.read(regions.secondBytes, regions.second);
    buffer->unlock(regions);
    streaming = false;
    // A failed read leaves the buffer in place until the next reset.
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Loaders

bool SoundBuffer::loadWaveFile(const std::filesystem::path& path) {
    reset();
    WaveReader reader;
    if (!reader.openFile(path) || !reader.findData())
        return false;
    return fillStaticFromWave(reader);
}

bool SoundBuffer::loadWaveHandle(int handle, std::int64_t offset) {
    reset();
    WaveReader reader;
    if (!reader.openHandle(handle, offset) || !reader.findData())
        return false;
    return fillStaticFromWave(reader);
}

bool SoundBuffer::streamWaveFile(const std::filesystem::path& path) {
    reset();
    waveSource = std::make_unique<WaveReader>();
    if (!waveSource->openFile(path) || !waveSource->findData() ||
        !createStreaming(waveSource->format())) {
        reset();
        return false;
    }
    return true;
}

bool SoundBuffer::streamWaveHandle(int handle, std::int64_t offset) {
    reset();
    // The handle is ours from here on, also when the load fails: reset closes it.
    fileHandle = handle;
    waveSource = std::make_unique<WaveReader>();
    if (!waveSource->openHandle(handle, offset) || !waveSource->findData() ||
        !createStreaming(waveSource->format())) {
        reset();
        return false;
    }
    return true;
}

bool SoundBuffer::streamOggFile(const std::filesystem::path& path) {
    reset();
    oggSource = std::make_unique<OggReader>();
    if (!oggSource->openStream(path) || !createStreaming(oggSource->pcmFormat())) {
        reset();
        return false;
    }
    return true;
}

namespace {

// Decodes a whole Ogg sound into a new static buffer of its computed length. Where the decoded
// sound is shorter, the rest of the buffer keeps the silence the device put there.
bool decodeStatic(SoundBuffer& sound, OggReader& reader,
                  const std::function<bool(std::span<const std::uint8_t>, std::uint32_t)>& create,
                  const std::function<bool(DeviceBuffer::Lock&)>& lockAll) {
    std::int64_t total = reader.totalBytes();
    if (total < static_cast<std::int64_t>(kBufferBytesMin) ||
        total > static_cast<std::int64_t>(kBufferBytesMax))
        return false;
    if (!create(reader.pcmFormat(), static_cast<std::uint32_t>(total)))
        return false;
    DeviceBuffer::Lock regions;
    if (!lockAll(regions))
        return false;
    reader.decodeInto(regions.first, regions.firstBytes);
    sound.buffer->unlock(regions);
    sound.streaming = false;
    return true;
}

} // namespace

bool SoundBuffer::loadOggFile(const std::filesystem::path& path) {
    reset();
    OggReader reader;
    if (!reader.openFile(path))
        return false;
    return decodeStatic(
        *this, reader,
        [this](std::span<const std::uint8_t> f, std::uint32_t n) { return createStatic(f, n); },
        [this](DeviceBuffer::Lock& r) { return lockRegions(0, buffer->size(), r); });
}

bool SoundBuffer::loadOggStream(std::FILE* stream, std::uint32_t byteCount) {
    reset();
    OggReader reader;
    if (!reader.openMemory(stream, byteCount))
        return false;
    return decodeStatic(
        *this, reader,
        [this](std::span<const std::uint8_t> f, std::uint32_t n) { return createStatic(f, n); },
        [this](DeviceBuffer::Lock& r) { return lockRegions(0, buffer->size(), r); });
}

// ---------------------------------------------------------------------------------------------
// Control

bool SoundBuffer::play(bool loopPlay) {
    if (!buffer)
        return true; // an empty channel plays nothing, successfully
    return buffer->play(loopPlay);
}

bool SoundBuffer::stop() {
    return buffer && buffer->stop();
}

std::uint32_t SoundBuffer::status() const {
    return buffer ? buffer->status() : 0;
}

bool SoundBuffer::setVolume(std::int32_t millibels) {
    if (!buffer || !buffer->setVolume(millibels))
        return false;
    volume = millibels;
    return true;
}

bool SoundBuffer::setPan(std::int32_t value) {
    if (!buffer || !buffer->setPan(value))
        return false;
    pan = value;
    return true;
}

bool SoundBuffer::setFrequency(std::uint32_t hz) {
    if (!buffer || !buffer->setFrequency(hz))
        return false;
    frequency = buffer->frequency();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Streaming

void SoundBuffer::refillHalf(int half) {
    DeviceBuffer::Lock regions;
    if (!lockRegions(static_cast<std::uint32_t>(half) * halfBytes, halfBytes, regions))
        return; // the half plays its old contents once more
    auto fill = [this](std::uint8_t* dest, std::uint32_t bytes) {
        if (waveSource)
            waveSource->readWrapping(bytes, dest);
        else if (oggSource)
            oggSource->refill(dest, bytes);
    };
    fill(regions.first, regions.firstBytes);
    if (regions.second)
        fill(regions.second, regions.secondBytes);
    buffer->unlock(regions);
}

bool SoundBuffer::startStream(bool loopPlay) {
    if (!buffer || !streaming || thread.joinable())
        return false; // a stream is started once; loading it again makes a new one
    refillHalf(0);
    nextHalf = 1;
    // Play starts at position 0, which signals the offset-0 notification: the thread's first
    // wake-up fills the second half while the first plays.
    if (!buffer->setPosition(0) || !buffer->play(true))
        return false;
    loop = loopPlay;
    events->threadStarted();
    try {
        thread = std::thread(&SoundBuffer::streamThread, this);
    } catch (const std::system_error&) {
        events->threadFinished();
        buffer->stop();
        return false;
    }
    // The second half is filled before this returns, so what is heard first never depends on
    // how soon the thread ran.
    events->waitUntilIdle();
    return true;
}

// The refill thread of a started stream. It never asks which of the two position events woke
// it: they alternate, so it fills the half that has just been played.
void SoundBuffer::streamThread() {
    for (;;) {
        int which = events->waitAny();
        if (which != 0 && which != 1)
            break; // stopped
        bool atEnd = waveSource ? waveSource->wrapped : (oggSource && oggSource->ended);
        if (!loop && atEnd) {
            buffer->stop();
            break;
        }
        refillHalf(nextHalf);
        nextHalf ^= 1;
    }
    events->threadFinished();
}

void SoundBuffer::reset() {
    if (buffer && (buffer->status() & kStatusPlaying))
        buffer->stop(); // a stream's thread ends on the stop notification
    if (thread.joinable()) {
        // Stopping signalled the thread already; signalling once more costs nothing and ends
        // it also when the buffer had been stopped some other way.
        events->signal(2);
        thread.join();
    }
    events.reset();
    waveSource.reset();
    oggSource.reset();
    buffer.reset();
    if (fileHandle >= 0)
        ::close(fileHandle);
    fileHandle = -1;
    frequency = 0;
    volume = 0;
    pan = 0;
    streaming = false;
    loop = true;
    bufferBytes = 0;
    halfBytes = 0;
    nextHalf = 1;
}

// ---------------------------------------------------------------------------------------------
// SoundManager

bool SoundManager::create() {
    if (device_)
        return false;
    device_ = std::make_unique<SoundDevice>();
    output_ = platform_.openAudio(*device_);
    if (!output_) {
        device_.reset();
        return false;
    }
    return true;
}

bool SoundManager::createPrimary(std::uint32_t rate) {
    if (primary || !device_)
        return false;
    primary = std::make_unique<SoundBuffer>(device_.get());
    return device_->setPrimaryFormat(pcmFormatBlock(kAudioOutputChannels, rate, 16));
}

bool SoundManager::createChannels(int count) {
    if (!channels.empty() || count < 0 || count > kMaxSoundChannels)
        return false;
    channels.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        channels.push_back(std::make_unique<SoundBuffer>(device_.get()));
    channelCount = count;
    return true;
}

SoundBuffer* SoundManager::channel(int number) {
    if (number < 0 || number >= static_cast<int>(channels.size()))
        return nullptr;
    return channels[static_cast<std::size_t>(number)].get();
}

void SoundManager::destroyChannels() {
    for (auto& c : channels)
        c->reset();
    channels.clear();
    channelCount = 0;
}

void SoundManager::destroy() {
    destroyChannels();
    primary.reset();
    // The output stops pulling before the mixer goes.
    output_.reset();
    device_.reset();
}

} // namespace vura
