#include "audio/wave_reader.hpp"
#include "support/test_support.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace vura {
namespace {

using test::TempDir;

std::string chunk(const std::string& id, const std::string& body) {
    std::string c = id;
    for (int i = 0; i < 4; ++i)
        c += static_cast<char>(body.size() >> (8 * i));
    c += body;
    if (body.size() % 2)
        c += '\0'; // chunks are padded to an even length
    return c;
}

std::string riff(const std::string& form, const std::string& chunks) {
    std::string body = form + chunks;
    std::string r = "RIFF";
    for (int i = 0; i < 4; ++i)
        r += static_cast<char>(body.size() >> (8 * i));
    return r + body;
}

// A 16-byte format record: PCM, stereo, 44100 Hz, 16 bits; `extra` bytes follow it.
std::string fmt(int extra = 0) {
    std::string f = {1, 0, 2, 0, 0x44, (char)0xAC, 0, 0, 0x10, (char)0xB1, 2, 0, 4, 0, 16, 0};
    return f + std::string(static_cast<std::size_t>(extra), '\x07');
}

std::string samples(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('a' + i % 26);
    return s;
}

TEST(WaveReader, HeaderRulesAndChunkOrder) {
    TempDir dir;
    WaveReader r;
    EXPECT_FALSE(r.openFile(dir.write("a.wav", riff("AVI ", chunk("fmt ", fmt())))));
    EXPECT_FALSE(r.openFile(dir.write("b.wav", riff("WAVE", chunk("fmt ", fmt().substr(0, 14))))));
    EXPECT_FALSE(r.openFile(dir.write("c.wav", riff("WAVE", chunk("data", "xx")))));
    EXPECT_FALSE(r.openFile(dir.path() / "missing.wav"));
    // The data before the format, an odd-sized chunk between, an 18-byte format read whole.
    auto good = dir.write("d.wav", riff("WAVE", chunk("data", samples(10)) + chunk("LIST", "odd") +
                                                    chunk("fmt ", fmt(2))));
    ASSERT_TRUE(r.openFile(good));
    EXPECT_EQ(r.format().size(), 18u);
    EXPECT_EQ(r.format()[16], 7);
    ASSERT_TRUE(r.findData());
    EXPECT_EQ(r.dataSize(), 10u);
    std::vector<std::uint8_t> out(12, 0xFF);
    ASSERT_TRUE(r.read(12, out.data()));
    EXPECT_EQ(std::string(out.begin(), out.begin() + 10), samples(10));
    EXPECT_EQ(out[10], 0); // past the data: silence, never the next chunk
}

TEST(WaveReader, AWavInsideAnArchiveIsReadFromItsOffsetThroughTheCallersHandle) {
    TempDir dir;
    std::string wav = riff("WAVE", chunk("fmt ", fmt()) + chunk("data", samples(8)));
    auto path = dir.write("pack", std::string(100, 'J') + wav + "tail");
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    {
        WaveReader r;
        ASSERT_TRUE(r.openHandle(fd, 100));
        ASSERT_TRUE(r.findData());
        std::vector<std::uint8_t> out(8);
        ASSERT_TRUE(r.read(8, out.data()));
        EXPECT_EQ(std::string(out.begin(), out.end()), samples(8));
    }
    // Offset 0 reads from where the handle stands; the reader never closes the caller's handle.
    ASSERT_EQ(::lseek(fd, 100, SEEK_SET), 100);
    WaveReader r;
    ASSERT_TRUE(r.openHandle(fd, 0));
    ASSERT_TRUE(r.findData());
    r.close();
    EXPECT_EQ(::lseek(fd, 0, SEEK_SET), 0); // still open
    ::close(fd);
}

TEST(WaveReader, StreamingReadsWrapAtTheEndOfTheData) {
    TempDir dir;
    WaveReader r;
    // Ten bytes of 4-byte frames: only the two whole frames loop, "ij" is never played.
    ASSERT_TRUE(r.openFile(
        dir.write("s.wav", riff("WAVE", chunk("fmt ", fmt()) + chunk("data", samples(10))))));
    ASSERT_TRUE(r.findData());
    auto next = [&r](std::uint32_t n) {
        std::vector<std::uint8_t> out(n, 'X');
        EXPECT_TRUE(r.readWrapping(n, out.data()));
        return std::string(out.begin(), out.end());
    };
    EXPECT_EQ(next(6), "abcdef");
    EXPECT_FALSE(r.wrapped);
    EXPECT_EQ(next(6), "ghabcd");
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(next(4), "efgh");
    EXPECT_FALSE(r.wrapped);
    // Data shorter than one read wraps as often as it takes.
    EXPECT_EQ(next(25), "abcdefghabcdefghabcdefgha");
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(next(3), "bcd");

    // Less than one frame is silence that has reached its end.
    ASSERT_TRUE(r.openFile(
        dir.write("t.wav", riff("WAVE", chunk("fmt ", fmt()) + chunk("data", samples(3))))));
    ASSERT_TRUE(r.findData());
    EXPECT_EQ(next(5), std::string(5, '\0'));
    EXPECT_TRUE(r.wrapped);
}

TEST(WaveReader, VolumeToMillibels) {
    EXPECT_EQ(VolumeToMillibels(0, 100), -10000);
    EXPECT_EQ(VolumeToMillibels(100, 100), 0);
    EXPECT_EQ(VolumeToMillibels(50, 100), -602);
    EXPECT_EQ(VolumeToMillibels(10, 100), -2000);
    EXPECT_EQ(VolumeToMillibels(1, 100), -4000);
    EXPECT_GT(VolumeToMillibels(150, 100), 0);
    EXPECT_EQ(VolumeToMillibels(-5, 100), -10000) << "below nothing is silence, not a NaN";
}

} // namespace
} // namespace vura
