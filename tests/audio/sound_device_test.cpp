#include "audio/sound_device.hpp"
#include "support/sound_files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace vura {
namespace {

// A device buffer holding `samples` (16-bit, interleaved) in the given format.
std::unique_ptr<DeviceBuffer> bufferOf(SoundDevice& device, int channels, std::uint32_t rate,
                                       const std::vector<std::int16_t>& samples) {
    auto b = device.createBuffer(pcmFormatBlock(static_cast<std::uint16_t>(channels), rate, 16),
                                 static_cast<std::uint32_t>(samples.size() * 2));
    if (!b)
        return nullptr;
    DeviceBuffer::Lock lock;
    EXPECT_TRUE(b->lock(0, b->size(), lock));
    std::memcpy(lock.first, samples.data(), lock.firstBytes);
    b->unlock(lock);
    return b;
}

std::vector<std::int16_t> mix(SoundDevice& device, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    device.mixAudio(out.data(), frames, true);
    return out;
}

TEST(SoundFormat, WhatTheMixerPlays) {
    auto block = [](std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits) {
        std::vector<std::uint8_t> b = pcmFormatBlock(channels, rate, bits);
        b[0] = static_cast<std::uint8_t>(tag);
        b[1] = static_cast<std::uint8_t>(tag >> 8);
        return b;
    };
    for (int bits : {8, 16, 24, 32})
        EXPECT_TRUE(parseFormatBlock(block(1, 2, 44100, static_cast<std::uint16_t>(bits)))) << bits;
    EXPECT_TRUE(parseFormatBlock(block(3, 1, 48000, 32))->isFloat);
    EXPECT_TRUE(parseFormatBlock(block(1, 1, 100, 16)));
    EXPECT_TRUE(parseFormatBlock(block(1, 1, 192000, 16)));

    EXPECT_FALSE(parseFormatBlock(block(2, 2, 44100, 16)));  // ADPCM
    EXPECT_FALSE(parseFormatBlock(block(3, 2, 44100, 16)));  // 16-bit float
    EXPECT_FALSE(parseFormatBlock(block(1, 3, 44100, 16)));  // three channels
    EXPECT_FALSE(parseFormatBlock(block(1, 2, 99, 16)));     // too slow
    EXPECT_FALSE(parseFormatBlock(block(1, 2, 192001, 16))); // too fast
    EXPECT_FALSE(parseFormatBlock(block(1, 2, 44100, 12)));  // odd sample size
    auto badAlign = block(1, 2, 44100, 16);
    badAlign[12] = 2;
    EXPECT_FALSE(parseFormatBlock(badAlign));
    auto badRate = block(1, 2, 44100, 16);
    badRate[8] = 0;
    EXPECT_FALSE(parseFormatBlock(badRate));
    auto shortBlock = block(1, 2, 44100, 16);
    shortBlock.resize(14);
    EXPECT_FALSE(parseFormatBlock(shortBlock));

    // The extensible form naming 24-bit integer samples.
    std::vector<std::uint8_t> ext = block(0xFFFE, 2, 48000, 24);
    ext.resize(40, 0);
    ext[16] = 22;
    ext[18] = 24; // valid bits
    const std::uint8_t guid[16] = {1,    0, 0, 0,    0, 0,    0x10, 0,
                                   0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::memcpy(&ext[24], guid, 16);
    EXPECT_TRUE(parseFormatBlock(ext));
    ext[35] = 0; // not one of the known identifiers
    EXPECT_FALSE(parseFormatBlock(ext));
}

TEST(SoundDevice, BufferCreationAndSettings) {
    SoundDevice device;
    EXPECT_FALSE(device.createBuffer(pcmFormatBlock(2, 44100, 16), 2)); // below the minimum
    EXPECT_FALSE(device.createBuffer(pcmFormatBlock(2, 44100, 16), kBufferBytesMax + 1));
    EXPECT_FALSE(device.createBuffer(pcmFormatBlock(3, 44100, 16), 4096));
    EXPECT_TRUE(device.setPrimaryFormat(pcmFormatBlock(2, 44100, 16)));
    EXPECT_FALSE(device.setPrimaryFormat(pcmFormatBlock(2, 48000, 16)));

    auto b = device.createBuffer(pcmFormatBlock(1, 22050, 8), 100);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->frequency(), 22050u);
    EXPECT_EQ(b->volume(), 0);
    EXPECT_EQ(b->pan(), 0);
    // Refused values change nothing.
    EXPECT_FALSE(b->setVolume(1));
    EXPECT_FALSE(b->setVolume(-10001));
    EXPECT_FALSE(b->setPan(10001));
    EXPECT_FALSE(b->setFrequency(99));
    EXPECT_FALSE(b->setFrequency(192001));
    EXPECT_EQ(b->volume(), 0);
    EXPECT_TRUE(b->setFrequency(30000));
    EXPECT_TRUE(b->setFrequency(kFrequencyOriginal));
    EXPECT_EQ(b->frequency(), 22050u);

    // A lock past the end continues at the start.
    DeviceBuffer::Lock lock;
    ASSERT_TRUE(b->lock(90, 30, lock));
    EXPECT_EQ(lock.firstBytes, 10u);
    EXPECT_EQ(lock.secondBytes, 20u);
    EXPECT_EQ(lock.first[0], 0x80) << "8-bit silence";
    b->unlock(lock);
    EXPECT_FALSE(b->lock(100, 1, lock));
    EXPECT_FALSE(b->lock(0, 101, lock));

    // The partial frame at the end of a 16-bit stereo buffer is no place to play from.
    auto odd = device.createBuffer(pcmFormatBlock(2, 22050, 16), 10);
    ASSERT_TRUE(odd);
    EXPECT_TRUE(odd->setPosition(7));
    EXPECT_FALSE(odd->setPosition(8));
}

TEST(SoundDevice, FullVolumeIsSampleForSampleAndPlaysOnce) {
    SoundDevice device;
    auto signal = test::testSignal(3000, 2, 44100);
    auto b = bufferOf(device, 2, 44100, signal);
    ASSERT_TRUE(b);
    ASSERT_TRUE(b->play(false));
    EXPECT_EQ(b->status(), kStatusPlaying);
    auto out = mix(device, 3500);
    EXPECT_TRUE(std::equal(signal.begin(), signal.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + 6000, out.end(), [](std::int16_t s) { return s == 0; }));
    // At its end a sound played once stops and goes back to its start.
    EXPECT_EQ(b->status(), 0u);
    EXPECT_EQ(b->position(), 0u);
}

TEST(SoundDevice, VolumePanAndSaturation) {
    SoundDevice device;
    auto signal = test::testSignal(2000, 2, 44100);
    auto b = bufferOf(device, 2, 44100, signal);
    ASSERT_TRUE(b->setVolume(-602)); // half the amplitude
    ASSERT_TRUE(b->play(true));
    auto out = mix(device, 2000);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], signal[i] * 0.5, 1.0) << i;

    // Pan attenuates the other side by as many hundredths of a decibel; the far end is silence.
    ASSERT_TRUE(b->setVolume(0));
    ASSERT_TRUE(b->setPan(602));
    out = mix(device, 2000);
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_NEAR(out[i], signal[i] * 0.5, 1.0);
        ASSERT_EQ(out[i + 1], signal[i + 1]);
    }
    ASSERT_TRUE(b->setPan(kPanLeft));
    out = mix(device, 2000);
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], signal[i]);
        ASSERT_EQ(out[i + 1], 0);
    }
    ASSERT_TRUE(b->setVolume(kVolumeSilent));
    out = mix(device, 100);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 0; }));

    // Two loud sounds together clip at the ends of the scale instead of wrapping around.
    std::vector<std::int16_t> loud(200, 30000), quiet(200, -30000);
    auto c = bufferOf(device, 2, 44100, loud);
    auto d = bufferOf(device, 2, 44100, loud);
    c->play(false);
    d->play(false);
    out = mix(device, 50);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == 32767; }));
    auto e = bufferOf(device, 2, 44100, quiet);
    auto f = bufferOf(device, 2, 44100, quiet);
    e->play(false);
    f->play(false);
    c->stop();
    d->stop();
    out = mix(device, 50);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t s) { return s == -32768; }));
}

TEST(SoundDevice, SampleFormatsAndMono) {
    SoundDevice device;
    // 8-bit mono: unsigned bytes around 128, heard on both sides.
    auto u8 = device.createBuffer(pcmFormatBlock(1, 44100, 8), 4);
    DeviceBuffer::Lock lock;
    ASSERT_TRUE(u8->lock(0, 4, lock));
    const std::uint8_t bytes[4] = {0, 128, 255, 129};
    std::memcpy(lock.first, bytes, 4);
    u8->unlock(lock);
    u8->play(false);
    auto out = mix(device, 4);
    EXPECT_EQ(out, (std::vector<std::int16_t>{-32768, -32768, 0, 0, 32512, 32512, 256, 256}));

    // 24-bit and float stereo.
    auto s24 = device.createBuffer(pcmFormatBlock(2, 44100, 24), 6);
    ASSERT_TRUE(s24->lock(0, 6, lock));
    const std::uint8_t b24[6] = {0x80, 0x34, 0x12, 0x00, 0x00, 0x80}; // 0x123480, -0x800000
    std::memcpy(lock.first, b24, 6);
    s24->unlock(lock);
    s24->play(false);
    out = mix(device, 1);
    EXPECT_EQ(out[0], 4660); // 0x123480 / 256 = 4660.5, rounded to even
    EXPECT_EQ(out[1], -32768);

    std::vector<std::uint8_t> floatBlock = pcmFormatBlock(2, 44100, 32);
    floatBlock[0] = 3;
    auto f32 = device.createBuffer(floatBlock, 8);
    ASSERT_TRUE(f32->lock(0, 8, lock));
    const float fl[2] = {0.25f, -2.0f};
    std::memcpy(lock.first, fl, 8);
    f32->unlock(lock);
    f32->play(false);
    out = mix(device, 1);
    EXPECT_EQ(out[0], 8192);
    EXPECT_EQ(out[1], -32768);
}

TEST(SoundDevice, LoopingWrapsWithoutAGap) {
    SoundDevice device;
    auto signal = test::testSignal(777, 2, 44100);
    auto b = bufferOf(device, 2, 44100, signal);
    b->play(true);
    auto out = mix(device, 777 * 3 + 100);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], signal[i % signal.size()]) << i;
    EXPECT_EQ(b->status(), kStatusPlaying | kStatusLooping);
    b->stop();
    EXPECT_EQ(b->position(), 100u * 4) << "stop keeps the position";
}

TEST(SoundDevice, PositionNotifications) {
    SoundDevice device;
    StreamEvents events;
    std::vector<std::int16_t> silence(2 * 1000, 0);
    auto b = bufferOf(device, 2, 44100, silence);
    const NotifyPosition positions[] = {{0, 0}, {2000, 1}, {kNotifyAtStop, 2}};
    const NotifyPosition outside[] = {{4000, 0}};
    EXPECT_FALSE(b->setNotifications(&events, outside));
    ASSERT_TRUE(b->setNotifications(&events, positions));
    // Starting at position 0 signals offset 0 at once.
    b->play(true);
    EXPECT_EQ(events.waitAny(), 0);
    EXPECT_FALSE(b->setNotifications(&events, positions)) << "not while playing";
    mix(device, 500); // reaches offset 2000 exactly
    EXPECT_EQ(b->position(), 2000u);
    EXPECT_EQ(events.waitAny(), 1);
    mix(device, 500); // wraps to 0
    EXPECT_EQ(events.waitAny(), 0);
    b->stop();
    EXPECT_EQ(events.waitAny(), 2);
}

// A pure tone at another rate comes out as the same tone at 44100 Hz, and a tone above the
// output's Nyquist frequency is filtered away instead of folding back as an alias.
TEST(SoundDevice, ResamplerIsBandLimited) {
    auto tone = [](std::uint32_t rate, double hz, std::uint32_t frames) {
        std::vector<std::int16_t> s(frames);
        for (std::uint32_t i = 0; i < frames; ++i)
            s[i] = static_cast<std::int16_t>(
                std::lrint(16000.0 * std::sin(2 * std::numbers::pi * hz * i / rate)));
        return s;
    };
    {
        SoundDevice device;
        auto b = bufferOf(device, 1, 22050, tone(22050, 1000.0, 22050));
        b->play(false);
        auto out = mix(device, 44100 + 200);
        // Compare the middle with the ideal tone at 44100 Hz (the filter delays nothing).
        double worst = 0;
        for (int i = 2000; i < 42000; ++i) {
            double ideal = 16000.0 * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100);
            worst = std::max(worst, std::abs(out[2 * i] - ideal));
            ASSERT_EQ(out[2 * i], out[2 * i + 1]);
        }
        EXPECT_LT(worst, 40.0) << "within 0.25 % of full scale";
        EXPECT_EQ(b->status(), 0u) << "one second of sound at 22050 Hz lasts one second";
    }
    {
        SoundDevice device;
        auto b = bufferOf(device, 1, 96000, tone(96000, 30000.0, 96000));
        b->play(true);
        auto out = mix(device, 20000);
        double energy = 0;
        for (int i = 1000; i < 20000; ++i)
            energy += static_cast<double>(out[2 * i]) * out[2 * i];
        double rms = std::sqrt(energy / 19000);
        EXPECT_LT(rms, 16000 / std::sqrt(2.0) / 1000) << "at least 60 dB down";
    }
}

} // namespace
} // namespace vura
