// The headless sound output: the recording follows the virtual clock frame for frame, in memory
// and in a WAV file.

#include "platform/headless_platform.hpp"
#include "support/test_game.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vura {
namespace {

class NullHandler : public WindowEventHandler {
public:
    void OnClose() override {}
    void OnActivateApp(bool) override {}
    void OnMouseMove(int, int) override {}
    void OnMove(int, int) override {}
    void OnPaint() override {}
};

// Counts its frames into the samples (left k, right -k for its k-th frame from 1), so every
// recorded frame can be traced to the pull that gave it.
class RampSource : public AudioSource {
public:
    void mixAudio(std::int16_t* out, std::size_t frames, bool deterministic) override {
        ++calls;
        allDeterministic = allDeterministic && deterministic;
        largestPull = std::max(largestPull, frames);
        for (std::size_t i = 0; i < frames; ++i) {
            ++given;
            out[2 * i] = static_cast<std::int16_t>(given % 30000);
            out[2 * i + 1] = static_cast<std::int16_t>(-(given % 30000));
        }
    }
    std::uint64_t given = 0;
    int calls = 0;
    bool allDeterministic = true;
    std::size_t largestPull = 0;
};

std::uint64_t framesAt(std::uint64_t ms) {
    return ms * 44100 / 1000;
}

// True when recorded frames [from, to) are the ramp's frames starting with its frame `first`.
::testing::AssertionResult isRamp(const std::vector<std::int16_t>& audio, std::uint64_t from,
                                  std::uint64_t to, std::uint64_t first) {
    for (std::uint64_t f = from; f < to; ++f) {
        auto k = static_cast<std::int16_t>((first + f - from) % 30000);
        if (audio[2 * f] != k || audio[2 * f + 1] != -k)
            return ::testing::AssertionFailure()
                   << "frame " << f << " is not ramp frame " << first + f - from;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult isSilent(const std::vector<std::int16_t>& audio, std::uint64_t from,
                                    std::uint64_t to) {
    for (std::uint64_t i = 2 * from; i < 2 * to; ++i)
        if (audio[i] != 0)
            return ::testing::AssertionFailure() << "sample " << i << " is " << audio[i];
    return ::testing::AssertionSuccess();
}

TEST(HeadlessAudio, FramesFollowTheClockExactlyOverUnevenTicks) {
    // 7 ms is 308.7 frames: rounding each tick on its own would lose 0.7 frames a pass.
    HeadlessConfig config;
    config.tickMs = 7;
    config.keepAudio = true;
    HeadlessPlatform platform(config);
    NullHandler handler;
    RampSource source;
    auto output = platform.openAudio(source);
    ASSERT_NE(output, nullptr);
    for (int i = 0; i < 1000; ++i) {
        platform.pumpEvents(handler);
        ASSERT_EQ(platform.audioFrames(), framesAt(platform.elapsedMs())) << "pass " << i;
    }
    EXPECT_EQ(platform.elapsedMs(), 6993u); // the first pass does not advance the clock
    EXPECT_EQ(source.given, platform.audioFrames());
    EXPECT_TRUE(source.allDeterministic);
    ASSERT_EQ(platform.recordedAudio().size(), 2 * platform.audioFrames());
    EXPECT_TRUE(isRamp(platform.recordedAudio(), 0, platform.audioFrames(), 1));

    // A long tick is pulled in chunks of at most 4096 frames; without keepAudio nothing is
    // kept, yet the frames are counted and the source is still pulled.
    HeadlessConfig slowConfig;
    slowConfig.tickMs = 250;
    HeadlessPlatform slow(slowConfig);
    RampSource slowSource;
    auto slowOutput = slow.openAudio(slowSource);
    for (int i = 0; i < 5; ++i)
        slow.pumpEvents(handler);
    EXPECT_EQ(slow.audioFrames(), framesAt(1000));
    EXPECT_EQ(slowSource.given, framesAt(1000));
    EXPECT_EQ(slowSource.largestPull, HeadlessPlatform::kAudioChunkFrames);
    EXPECT_TRUE(slow.recordedAudio().empty());
}

TEST(HeadlessAudio, SilenceWithoutAnOpenOutputAndOneOutputAtATime) {
    HeadlessConfig config;
    config.tickMs = 10;
    config.keepAudio = true;
    HeadlessPlatform platform(config);
    NullHandler handler;
    auto passes = [&](int n) {
        for (int i = 0; i < n; ++i)
            platform.pumpEvents(handler);
    };
    passes(4); // 30 ms before any output
    const std::uint64_t opened = platform.audioFrames();
    EXPECT_EQ(opened, framesAt(30));

    RampSource source;
    RampSource second;
    auto output = platform.openAudio(source);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(platform.openAudio(second), nullptr);
    passes(3);
    const std::uint64_t closed = platform.audioFrames();
    output.reset();
    passes(3);
    const std::uint64_t end = platform.audioFrames();

    const auto& audio = platform.recordedAudio();
    ASSERT_EQ(audio.size(), 2 * end);
    EXPECT_TRUE(isSilent(audio, 0, opened));
    EXPECT_TRUE(isRamp(audio, opened, closed, 1));
    EXPECT_TRUE(isSilent(audio, closed, end));
    EXPECT_EQ(source.given, closed - opened);
    EXPECT_EQ(second.calls, 0);

    // Once the first is gone, another output may open and is pulled from its first frame.
    auto again = platform.openAudio(second);
    ASSERT_NE(again, nullptr);
    passes(1);
    EXPECT_EQ(second.given, platform.audioFrames() - end);
}

std::uint32_t le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

std::uint16_t le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                      (static_cast<std::uint8_t>(b[at + 1]) << 8));
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Checks the canonical 44-byte header of a 44100 Hz 16-bit stereo file and returns its frames.
std::uint64_t wavFrames(const std::string& file) {
    EXPECT_GE(file.size(), 44u);
    if (file.size() < 44)
        return 0;
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(file, 4), file.size() - 8);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1u); // integer PCM
    EXPECT_EQ(le16(file, 22), 2u);
    EXPECT_EQ(le32(file, 24), 44100u);
    EXPECT_EQ(le32(file, 28), 44100u * 4);
    EXPECT_EQ(le16(file, 32), 4u);
    EXPECT_EQ(le16(file, 34), 16u);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(le32(file, 40), file.size() - 44);
    return (file.size() - 44) / 4;
}

TEST(HeadlessAudio, WavFileHoldsTheRecording) {
    test::TempDir dir;
    HeadlessConfig config;
    config.tickMs = 7;
    config.keepAudio = true;
    config.audioOut = dir.path() / "run.wav";
    std::vector<std::int16_t> recorded;
    {
        HeadlessPlatform platform(config);
        NullHandler handler;
        RampSource source;
        for (int i = 0; i < 50; ++i)
            platform.pumpEvents(handler);
        auto output = platform.openAudio(source);
        for (int i = 0; i < 150; ++i)
            platform.pumpEvents(handler);
        EXPECT_TRUE(platform.audioOutError().empty());
        recorded = platform.recordedAudio();
    }
    std::string file = readAll(config.audioOut);
    EXPECT_EQ(wavFrames(file), framesAt(199 * 7));
    ASSERT_EQ(file.size() - 44, recorded.size() * 2);
    EXPECT_EQ(std::memcmp(file.data() + 44, recorded.data(), file.size() - 44), 0);
}

TEST(HeadlessAudio, FileProblemsAreReportedOnceAndTheRunGoesOn) {
    test::TempDir dir;
    NullHandler handler;
    {
        std::ostringstream log;
        HeadlessConfig config;
        config.log = &log;
        config.audioOut = dir.path() / "missing" / "run.wav";
        HeadlessPlatform platform(config);
        EXPECT_NE(platform.audioOutError().find("cannot create"), std::string::npos);
        EXPECT_NE(log.str().find("run.wav"), std::string::npos) << log.str();
        for (int i = 0; i < 20; ++i)
            platform.pumpEvents(handler);
        EXPECT_EQ(platform.audioFrames(), framesAt(19));
    }
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full to fail the writes";
    std::ostringstream log;
    HeadlessConfig config;
    config.log = &log;
    config.keepAudio = true;
    config.tickMs = 100;
    config.audioOut = "/dev/full";
    {
        HeadlessPlatform platform(config);
        for (int i = 0; i < 20; ++i)
            platform.pumpEvents(handler);
        EXPECT_NE(platform.audioOutError(), "");
        // The recording in memory does not depend on the file.
        EXPECT_EQ(platform.recordedAudio().size(), 2 * framesAt(1900));
    }
    std::string text = log.str();
    EXPECT_NE(text.find("/dev/full"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(HeadlessAudio, AudioOutOptionRecordsTheRun) {
    test::TestGame game;
    game.layout();
    game.script("INIT", "top: call WaitClick(0)\nJump 0 top");
    test::TempDir runtime;
    std::map<std::string, std::string> env{{"XDG_RUNTIME_DIR", runtime.path().string()}};
    auto wav = game.path() / "out.wav";
    test::ProcessResult r = test::runProcess(
        VURA_BINARY,
        {"--headless", "--audio-out", wav.string(), "--quit-after", "500", game.path().string()},
        env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::uint64_t frames = wavFrames(readAll(wav));
    EXPECT_GE(frames, framesAt(500));
    EXPECT_LE(frames, framesAt(510));

    // A file that cannot be created stops the start, as an unreadable input script does.
    r = test::runProcess(VURA_BINARY,
                         {"--headless", "--audio-out", (game.path() / "no" / "x.wav").string(),
                          game.path().string()},
                         env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("x.wav"), std::string::npos) << r.err;
}

} // namespace
} // namespace vura
