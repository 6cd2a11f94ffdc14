#include "audio/sound_buffer.hpp"
#include "platform/headless_platform.hpp"
#include "support/sound_files.hpp"
#include "support/test_support.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

namespace vura {
namespace {

using test::TempDir;

// Mixes as the headless backend does: small steps, waiting for the stream threads.
std::vector<std::int16_t> mix(SoundDevice& device, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    for (std::size_t done = 0; done < frames;) {
        std::size_t n = std::min<std::size_t>(441, frames - done);
        device.mixAudio(out.data() + 2 * done, n, true);
        done += n;
    }
    return out;
}

// Whether the stream's thread finishes by itself (without a reset to end it) within 2 s.
bool threadEnds(SoundBuffer& sound) {
    for (int i = 0; i < 400 && sound.events->threadAlive(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !sound.events->threadAlive();
}

TEST(SoundBuffer, EmptyChannelAndRefusals) {
    SoundDevice device;
    SoundBuffer sound(&device);
    EXPECT_TRUE(sound.play(false)) << "an empty channel plays nothing, successfully";
    EXPECT_FALSE(sound.stop());
    EXPECT_EQ(sound.status(), 0u);
    EXPECT_FALSE(sound.setVolume(-100));
    EXPECT_FALSE(sound.startStream(true));

    TempDir dir;
    auto signal = test::testSignal(4410, 2, 44100);
    auto wav = dir.write("a.wav", test::wav16(2, 44100, signal));
    ASSERT_TRUE(sound.loadWaveFile(wav));
    EXPECT_FALSE(sound.streaming);
    EXPECT_FALSE(sound.startStream(true)) << "a static buffer is not a stream";
    EXPECT_EQ(sound.frequency, 44100u);
    // A refused volume keeps the cached one; an accepted one is cached.
    EXPECT_TRUE(sound.setVolume(-1204));
    EXPECT_FALSE(sound.setVolume(5));
    EXPECT_EQ(sound.volume, -1204);

    // A format the mixer cannot play fails the load and leaves the channel empty.
    auto adpcm = test::pcmFmt(2, 44100, 16);
    adpcm[0] = 2;
    std::vector<std::uint8_t> data(400, 1);
    EXPECT_FALSE(sound.loadWaveFile(dir.write("b.wav", test::wavBytes(adpcm, data))));
    EXPECT_TRUE(sound.empty());
    EXPECT_FALSE(sound.streamWaveFile(dir.write("c.wav", test::wavBytes(adpcm, data))));
    EXPECT_TRUE(sound.empty());
}

TEST(SoundBuffer, StaticWaveFromAHandleAtAnOffset) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    auto signal = test::testSignal(1000, 1, 22050);
    std::string pack = std::string(300, 'x') + test::wav16(1, 22050, signal);
    auto path = dir.write("pack", pack);
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_TRUE(sound.loadWaveHandle(fd, 300));
    EXPECT_EQ(sound.buffer->size(), 2000u);
    EXPECT_EQ(sound.frequency, 22050u);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "a static load leaves the caller's handle open";
    sound.reset();
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);
}

// A looping stream shorter than one refill plays its data over and over, sample for sample.
TEST(SoundStream, LoopingWaveIsSeamless) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    auto signal = test::testSignal(30000, 2, 44100); // 0.68 s: wraps inside every refill
    ASSERT_TRUE(sound.streamWaveFile(dir.write("loop.wav", test::wav16(2, 44100, signal))));
    EXPECT_EQ(sound.bufferBytes, 2u * 44100 * 4);
    EXPECT_EQ(sound.halfBytes, 44100u * 4);
    ASSERT_TRUE(sound.startStream(true));
    EXPECT_FALSE(sound.startStream(true)) << "a stream starts once";
    auto out = mix(device, 44100 * 5);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], signal[i % signal.size()]) << "sample " << i;
    EXPECT_EQ(sound.status(), kStatusPlaying | kStatusLooping);
    sound.reset();
    EXPECT_TRUE(sound.empty());
}

TEST(SoundStream, LoopingOggIsSeamless) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    std::string ogg = test::encodeOgg(2, 44100, test::testSignal(60000, 2, 44100));
    std::vector<std::int16_t> decoded = test::decodeOgg(ogg);
    ASSERT_EQ(decoded.size(), 120000u);
    ASSERT_TRUE(sound.streamOggFile(dir.write("loop.ogg", ogg)));
    ASSERT_TRUE(sound.startStream(true));
    auto out = mix(device, 44100 * 4);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], decoded[i % decoded.size()]) << "sample " << i;
}

// Four seconds played once: the thread stops the buffer when play reaches the half filled at
// the end, and ends by itself.
TEST(SoundStream, OnceStopsAfterItsLastHalfAndTheThreadEnds) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    auto signal = test::testSignal(4 * 22050, 1, 22050);
    // At 22050 Hz the mixer converts the rate; the end still comes at four seconds.
    ASSERT_TRUE(sound.streamWaveFile(dir.write("once.wav", test::wav16(1, 22050, signal))));
    ASSERT_TRUE(sound.startStream(false));
    EXPECT_TRUE(sound.events->threadAlive());
    auto out = mix(device, 44100 * 6);
    EXPECT_EQ(sound.status(), 0u);
    EXPECT_TRUE(threadEnds(sound)) << "the thread ended by itself";
    // Sound for four seconds (give the interpolator a few frames), silence after.
    auto loud = [&](std::size_t from, std::size_t to) {
        int peak = 0;
        for (std::size_t i = from; i < to; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(out[2 * i])));
        return peak;
    };
    EXPECT_GT(loud(44100 * 3 + 40000, 44100 * 4 - 100), 5000);
    EXPECT_EQ(loud(44100 * 4 + 100, 44100 * 6), 0);
    auto start = std::chrono::steady_clock::now();
    sound.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(SoundStream, StopEndsTheThread) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    auto ogg = test::encodeOgg(1, 44100, test::testSignal(44100, 1, 44100));
    ASSERT_TRUE(sound.streamOggFile(dir.write("s.ogg", ogg)));
    ASSERT_TRUE(sound.startStream(true));
    mix(device, 30000);
    EXPECT_TRUE(sound.events->threadAlive());
    ASSERT_TRUE(sound.stop());
    EXPECT_TRUE(threadEnds(sound)) << "the stop notification ended the thread";
    EXPECT_EQ(sound.status(), 0u);
}

// A WAV streamed out of a pack reads through the pack's handle, which the buffer owns: closed
// once, on reset, also when the load fails.
TEST(SoundStream, PackedWaveOwnsItsHandle) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    auto signal = test::testSignal(44100, 2, 44100);
    auto path = dir.write("pack", std::string(1234, 'p') + test::wav16(2, 44100, signal));
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_TRUE(sound.streamWaveHandle(fd, 1234));
    EXPECT_EQ(sound.fileHandle, fd);
    ASSERT_TRUE(sound.startStream(true));
    auto out = mix(device, 50000);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], signal[i % signal.size()]) << i;
    sound.reset();
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "closed by the reset";

    int bad = ::open(path.c_str(), O_RDONLY);
    EXPECT_FALSE(sound.streamWaveHandle(bad, 10)); // no WAV there
    EXPECT_EQ(::fcntl(bad, F_GETFD), -1);
}

TEST(SoundBuffer, StaticOggHasTheTruncatedLength) {
    TempDir dir;
    SoundDevice device;
    SoundBuffer sound(&device);
    // 11025 Hz mono, 1001 frames: 0.0907... s x 22050 bytes a second is not a whole number.
    auto signal = test::testSignal(1001, 1, 11025);
    auto ogg = test::encodeOgg(1, 11025, signal);
    auto path = dir.write("short.ogg", ogg);
    OggReader reader;
    ASSERT_TRUE(reader.openFile(path));
    std::int64_t expected = reader.totalBytes();
    reader.clear();
    ASSERT_TRUE(sound.loadOggFile(path));
    EXPECT_EQ(static_cast<std::int64_t>(sound.buffer->size()), expected);
    EXPECT_FALSE(sound.streaming);

    std::FILE* f = std::fopen(dir.write("packed", "junk" + ogg).c_str(), "rb");
    std::fseek(f, 4, SEEK_SET);
    ASSERT_TRUE(sound.loadOggStream(f, static_cast<std::uint32_t>(ogg.size())));
    EXPECT_EQ(static_cast<std::int64_t>(sound.buffer->size()), expected);
    std::fclose(f);
}

TEST(SoundManager, CreatesOnceAndDestroysInOrder) {
    HeadlessPlatform platform;
    SoundManager manager(platform);
    ASSERT_TRUE(manager.create());
    EXPECT_FALSE(manager.create());
    EXPECT_FALSE(manager.createPrimary(48000)) << "the output runs at 44100 Hz";
    SoundManager other(platform);
    EXPECT_FALSE(other.create()) << "one output at a time";
    manager.destroy();
    ASSERT_TRUE(manager.create());
    ASSERT_TRUE(manager.createPrimary(44100));
    EXPECT_FALSE(manager.createPrimary(44100));
    ASSERT_TRUE(manager.createChannels(3));
    EXPECT_FALSE(manager.createChannels(5));
    EXPECT_EQ(manager.channelCount, 3);
    EXPECT_EQ(manager.channel(3), nullptr);
    EXPECT_EQ(manager.channel(-1), nullptr);

    // Destroying with a stream running stops and joins it first.
    TempDir dir;
    auto wav = dir.write("s.wav", test::wav16(2, 44100, test::testSignal(5000, 2, 44100)));
    ASSERT_TRUE(manager.channel(1)->streamWaveFile(wav));
    ASSERT_TRUE(manager.channel(1)->startStream(true));
    manager.destroy();
    EXPECT_EQ(manager.channelCount, 0);
    EXPECT_EQ(manager.device(), nullptr);
}

} // namespace
} // namespace vura
