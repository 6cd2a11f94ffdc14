#include "audio/ogg_reader.hpp"
#include "support/sound_files.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace vura {

// Reaches the memory callbacks, which vorbisfile alone never drives out of bounds.
struct OggReaderProbe {
    static std::size_t read(OggReader& r, void* dest, std::size_t n) {
        return OggReader::memoryRead(dest, 1, n, &r);
    }
    static int seek(OggReader& r, std::int64_t offset, int whence) {
        return OggReader::memorySeek(&r, offset, whence);
    }
    static long tell(OggReader& r) { return OggReader::memoryTell(&r); }
};

namespace {

using test::TempDir;

std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

// The truncated decoded length, as vorbisfile computes the duration.
std::int64_t expectedTotal(const std::string& ogg, std::uint32_t averageBytes) {
    TempDir dir;
    std::FILE* f = std::fopen(dir.write("t.ogg", ogg).c_str(), "rb");
    OggVorbis_File vf;
    EXPECT_EQ(ov_open(f, &vf, nullptr, 0), 0);
    auto total = static_cast<std::int64_t>(ov_time_total(&vf, -1) * averageBytes);
    ov_clear(&vf);
    return total;
}

TEST(OggReader, FileAndPackEntryDecodeAsVorbisfileDoes) {
    TempDir dir;
    std::string ogg = test::encodeOgg(2, 44100, test::testSignal(20000, 2, 44100));
    auto reference = bytesOf(test::decodeOgg(ogg));
    ASSERT_EQ(reference.size(), 80000u);
    const std::vector<std::uint8_t> format = {1,    0, 2, 0, 0x44, 0xAC, 0, 0, 0x10,
                                              0xB1, 2, 0, 4, 0,    16,   0, 0, 0};

    OggReader loose;
    ASSERT_TRUE(loose.openFile(dir.write("loose.ogg", ogg)));
    EXPECT_FALSE(loose.opened); // a static open
    EXPECT_EQ(loose.pcmFormat(), format);
    EXPECT_EQ(loose.averageBytesPerSecond(), 176400u);
    EXPECT_EQ(loose.totalBytes(), expectedTotal(ogg, 176400));
    std::vector<std::uint8_t> out(reference.size() + 8, 0xEE);
    EXPECT_EQ(loose.decodeInto(out.data(), static_cast<std::uint32_t>(out.size())),
              reference.size());
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), out.begin()));
    EXPECT_EQ(out.back(), 0xEE); // the end of the data ends the decode

    // A pack entry: the archive's stream stands at the entry, and the copy reads just it.
    auto pack = dir.write("pack", std::string(333, 'P') + ogg + std::string(50, 'T'));
    std::FILE* stream = std::fopen(pack.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(std::fseek(stream, 333, SEEK_SET), 0);
    OggReader entry;
    ASSERT_TRUE(entry.openMemory(stream, static_cast<std::uint32_t>(ogg.size())));
    EXPECT_EQ(std::ftell(stream), static_cast<long>(333 + ogg.size()));
    EXPECT_EQ(entry.pcmFormat(), format);
    EXPECT_EQ(entry.totalBytes(), loose.totalBytes());
    std::vector<std::uint8_t> fromPack(reference.size());
    EXPECT_EQ(entry.decodeInto(fromPack.data(), 80000), 80000u);
    EXPECT_EQ(fromPack, reference);
    entry.clear();
    // A size past the file's end fails, and the stream stays the caller's.
    ASSERT_EQ(std::fseek(stream, 333, SEEK_SET), 0);
    EXPECT_FALSE(entry.openMemory(stream, static_cast<std::uint32_t>(ogg.size() + 51)));
    EXPECT_FALSE(entry.openMemory(stream, 0));
    EXPECT_EQ(std::fclose(stream), 0);
}

TEST(OggReader, AFractionalLengthIsTruncatedAndDecodingStopsThere) {
    // Mono at 22050 Hz: the duration is frames / 22050 s, which times 44100 bytes per second
    // falls just short of a whole number for some frame counts.
    std::uint32_t frames = 11025;
    while (static_cast<double>(frames) / 22050 * 44100 >= 2.0 * frames)
        ++frames;
    std::string ogg = test::encodeOgg(1, 22050, test::testSignal(frames, 1, 22050));
    auto reference = bytesOf(test::decodeOgg(ogg));
    ASSERT_EQ(reference.size(), 2u * frames);

    TempDir dir;
    OggReader r;
    ASSERT_TRUE(r.openFile(dir.write("m.ogg", ogg)));
    EXPECT_EQ(r.pcmFormat()[12], 2); // block align
    EXPECT_EQ(r.totalBytes(), expectedTotal(ogg, 44100));
    ASSERT_EQ(r.totalBytes(), 2 * frames - 1);
    // The static buffer ends inside the last sample: every whole sample is decoded, the odd
    // byte is left as it was.
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(r.totalBytes()), 0xEE);
    EXPECT_EQ(r.decodeInto(buffer.data(), static_cast<std::uint32_t>(buffer.size())),
              2 * frames - 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end() - 1, reference.begin()));
    EXPECT_EQ(buffer.back(), 0xEE);
}

TEST(OggReader, RefillGoesOnFromTheStartWithoutAGap) {
    TempDir dir;
    std::string ogg = test::encodeOgg(1, 22050, test::testSignal(3001, 1, 22050, 3));
    auto reference = bytesOf(test::decodeOgg(ogg));
    ASSERT_EQ(reference.size(), 6002u);
    auto path = dir.write("loop.ogg", ogg);

    OggReader r;
    ASSERT_TRUE(r.openStream(path));
    EXPECT_TRUE(r.opened);
    std::size_t position = 0;
    // Reads that stay inside, that cross the end, and one that wraps more than once.
    for (std::uint32_t length : {4000u, 4000u, 1000u, 20000u, 2000u}) {
        std::vector<std::uint8_t> out(length, 0xEE);
        ASSERT_TRUE(r.refill(out.data(), length));
        bool wraps = position + length > reference.size();
        EXPECT_EQ(r.ended, wraps) << "refill of " << length << " at " << position;
        for (std::uint32_t i = 0; i < length; ++i, position = (position + 1) % reference.size())
            ASSERT_EQ(out[i], reference[position]) << "byte " << i << " of " << length;
    }
    // A length that ends inside a sample: the whole samples, then silence; not an end.
    ASSERT_LT(position + 1000, reference.size());
    std::vector<std::uint8_t> odd(1001, 0xEE);
    ASSERT_TRUE(r.refill(odd.data(), 1001));
    EXPECT_FALSE(r.ended);
    EXPECT_TRUE(std::equal(odd.begin(), odd.end() - 1, reference.begin() + position));
    EXPECT_EQ(odd.back(), 0);

    // Only a streaming open may refill.
    std::vector<std::uint8_t> out(64, 0xEE);
    OggReader loaded;
    ASSERT_TRUE(loaded.openFile(path));
    EXPECT_FALSE(loaded.refill(out.data(), 64));
    r.clear();
    EXPECT_FALSE(r.refill(out.data(), 64));
    EXPECT_EQ(out[0], 0xEE);
}

TEST(OggReader, AStreamWithoutSamplesRefillsWithSilence) {
    TempDir dir;
    std::string ogg = test::encodeOgg(2, 44100, {});
    auto path = dir.write("empty.ogg", ogg);
    OggReader r;
    ASSERT_TRUE(r.openStream(path));
    EXPECT_EQ(r.totalBytes(), 0);
    std::vector<std::uint8_t> out(8000, 0xEE);
    ASSERT_TRUE(r.refill(out.data(), 8000));
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(out, std::vector<std::uint8_t>(8000, 0));
    ASSERT_TRUE(r.openFile(path));
    EXPECT_EQ(r.decodeInto(out.data(), 8000), 0u);
}

std::size_t openDescriptors() {
    auto entries = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(OggReader, BrokenDataFailsToOpenAndLeavesNothing) {
    TempDir dir;
    std::string ogg = test::encodeOgg(1, 8000, test::testSignal(4000, 1, 8000));
    std::string garbage(5000, '\x5A');
    std::memcpy(garbage.data(), "OggS", 4);
    // Cut inside the setup header, which the decoder cannot do without.
    auto cut = dir.write("cut.ogg", ogg.substr(0, 300));
    auto junk = dir.write("junk.ogg", garbage);
    OggReader r;
    const std::size_t descriptors = openDescriptors();
    for (const auto& path : {cut, junk, dir.path() / "missing.ogg"}) {
        EXPECT_FALSE(r.openStream(path)) << path;
        EXPECT_FALSE(r.openFile(path)) << path;
        EXPECT_FALSE(r.opened);
        EXPECT_TRUE(r.pcmFormat().empty());
        EXPECT_EQ(r.totalBytes(), 0);
    }
    EXPECT_EQ(openDescriptors(), descriptors); // a refused file is closed
    // A failed open after a good one leaves nothing of the good one either.
    ASSERT_TRUE(r.openStream(dir.write("good.ogg", ogg)));
    EXPECT_FALSE(r.openStream(junk));
    EXPECT_FALSE(r.opened);
    std::uint8_t byte = 0;
    EXPECT_EQ(r.decodeInto(&byte, 1), 0u);
}

TEST(OggReader, MemoryCallbacksNeverLeaveTheCopy) {
    TempDir dir;
    std::string ogg = test::encodeOgg(1, 8000, test::testSignal(800, 1, 8000));
    OggReader r;
    ASSERT_TRUE(r.openFile(dir.write("s.ogg", ogg)));
    const auto size = static_cast<std::int64_t>(ogg.size());
    std::vector<char> out(64, '\x11');

    ASSERT_EQ(OggReaderProbe::seek(r, -4, SEEK_END), 0);
    EXPECT_EQ(OggReaderProbe::read(r, out.data(), 64), 4u); // fewer: the copy ends
    EXPECT_EQ(std::string(out.data(), 4), ogg.substr(ogg.size() - 4));
    EXPECT_EQ(OggReaderProbe::tell(r), size);
    // Before the start is refused and the position stays; after the end reads nothing.
    EXPECT_EQ(OggReaderProbe::seek(r, -size - 1, SEEK_CUR), -1);
    EXPECT_EQ(OggReaderProbe::seek(r, -1, SEEK_SET), -1);
    EXPECT_EQ(OggReaderProbe::seek(r, INT64_MAX, SEEK_END), -1);
    EXPECT_EQ(OggReaderProbe::tell(r), size);
    ASSERT_EQ(OggReaderProbe::seek(r, 100, SEEK_END), 0);
    EXPECT_EQ(OggReaderProbe::read(r, out.data(), 64), 0u);
    EXPECT_EQ(OggReaderProbe::seek(r, 0, 3), -1);
    ASSERT_EQ(OggReaderProbe::seek(r, 0, SEEK_SET), 0);
    EXPECT_EQ(OggReaderProbe::read(r, out.data(), 4), 4u);
    EXPECT_EQ(std::string(out.data(), 4), "OggS");
}

TEST(SoundFiles, OggKeepsTheLengthAndTheChannelsOfItsInput) {
    for (int channels : {1, 2}) {
        for (std::uint32_t frames : {1u, 1023u, 4097u}) {
            auto signal = test::testSignal(frames, channels, 44100, frames);
            auto decoded = test::decodeOgg(test::encodeOgg(channels, 44100, signal));
            ASSERT_EQ(decoded.size(), signal.size()) << channels << " x " << frames;
            if (frames < 1000)
                continue;
            // Lossy, but close to the input, channel by channel (so none is swapped or lost).
            for (int c = 0; c < channels; ++c) {
                double error = 0, power = 0;
                for (std::size_t i = 512 * channels + c; i < signal.size(); i += channels) {
                    error += (decoded[i] - signal[i]) * double(decoded[i] - signal[i]);
                    power += signal[i] * double(signal[i]);
                }
                EXPECT_LT(error, power / 100) << "channel " << c;
            }
        }
    }
}

TEST(SoundFiles, WavLayout) {
    std::string wav = test::wav16(2, 44100, {1, -2, 0x1234});
    ASSERT_EQ(wav.size(), 44u + 6 + 0); // an even data chunk needs no pad byte
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(static_cast<unsigned char>(wav[4]), wav.size() - 8);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(static_cast<unsigned char>(wav[32]), 4); // block align
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(wav.substr(44), std::string("\x01\x00\xFE\xFF\x34\x12", 6));
    std::vector<std::uint8_t> odd = {9};
    EXPECT_EQ(test::wavBytes(test::pcmFmt(1, 8000, 8), odd, "junk").size(), 44u + 4 + 2);
}

} // namespace
} // namespace vura
