// The demo's sounds as made at build time, and as heard when the demo runs headless: the music
// decodes to its whole loop and joins smoothly at the loop point, the effect and the voice have
// the formats the demo shows off, and a recorded run holds the music repeated exactly across
// the loop point at the music volume, with the click on top where the title is clicked.

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kLoopFrames = 16 * 44100;

struct Pcm {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / channels : 0; }
};

std::uint32_t le(const std::vector<char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

// A 16-bit PCM WAV file, its chunks walked in order.
Pcm readWav(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Pcm pcm;
    if (b.size() < 12 || std::string(b.data(), 4) != "RIFF" || std::string(&b[8], 4) != "WAVE")
        return pcm;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::string id(&b[at], 4);
        std::size_t size = le(b, at + 4, 4);
        std::size_t body = at + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= b.size()) {
            pcm.channels = static_cast<int>(le(b, body + 2, 2));
            pcm.rate = static_cast<int>(le(b, body + 4, 4));
            pcm.bits = static_cast<int>(le(b, body + 14, 2));
        } else if (id == "data") {
            size = std::min(size, b.size() - body);
            for (std::size_t i = 0; i + 1 < size; i += 2)
                pcm.samples.push_back(static_cast<std::int16_t>(le(b, body + i, 2)));
        }
        at = body + size + (size & 1);
    }
    return pcm;
}

Pcm readOgg(const fs::path& file, long* declaredFrames) {
    Pcm pcm;
    OggVorbis_File vf;
    if (ov_fopen(file.c_str(), &vf) != 0)
        return pcm;
    vorbis_info* info = ov_info(&vf, -1);
    pcm.channels = info->channels;
    pcm.rate = static_cast<int>(info->rate);
    pcm.bits = 16;
    *declaredFrames = static_cast<long>(ov_pcm_total(&vf, -1));
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        auto* s = reinterpret_cast<const std::int16_t*>(buffer);
        pcm.samples.insert(pcm.samples.end(), s, s + got / 2);
    }
    ov_clear(&vf);
    return pcm;
}

int peak(const Pcm& pcm) {
    int most = 0;
    for (std::int16_t v : pcm.samples)
        most = std::max(most, std::abs(static_cast<int>(v)));
    return most;
}

const Pcm& music() {
    static long declared = 0;
    static const Pcm pcm = readOgg(fs::path(DEMO_DIR) / "snd" / "BGM.OGG", &declared);
    return pcm;
}

TEST(DemoSounds, MusicDecodesToItsWholeLoop) {
    long declared = 0;
    Pcm pcm = readOgg(fs::path(DEMO_DIR) / "snd" / "BGM.OGG", &declared);
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.rate, 44100);
    EXPECT_EQ(declared, kLoopFrames);
    EXPECT_EQ(pcm.frames(), static_cast<std::size_t>(kLoopFrames));
    // About half of full scale: room for the effects, never clipped by the codec.
    EXPECT_GT(peak(pcm), 32768 * 0.35);
    EXPECT_LT(peak(pcm), 32768 * 0.6);
}

// Across the loop point the music moves as it does anywhere inside: the step from the last
// frame to the first is no larger than the piece's largest step, and the change of slope there
// is not above what 99 % of the piece shows.
TEST(DemoSounds, MusicJoinsSmoothlyAtTheLoopPoint) {
    const Pcm& pcm = music();
    ASSERT_EQ(pcm.frames(), static_cast<std::size_t>(kLoopFrames));
    auto at = [&](long frame, int c) {
        long n = kLoopFrames;
        return static_cast<int>(pcm.samples[((frame % n + n) % n) * 2 + c]);
    };
    for (int c = 0; c < 2; ++c) {
        int largestStep = 0;
        std::vector<int> bends;
        for (long k = 1; k + 1 < kLoopFrames; ++k) {
            largestStep = std::max(largestStep, std::abs(at(k, c) - at(k - 1, c)));
            bends.push_back(std::abs(at(k + 1, c) - 2 * at(k, c) + at(k - 1, c)));
        }
        std::nth_element(bends.begin(), bends.begin() + bends.size() * 99 / 100, bends.end());
        int bend99 = bends[bends.size() * 99 / 100];
        EXPECT_LE(std::abs(at(0, c) - at(-1, c)), largestStep) << "channel " << c;
        for (long k : {-1L, 0L})
            EXPECT_LE(std::abs(at(k + 1, c) - 2 * at(k, c) + at(k - 1, c)), bend99)
                << "channel " << c << " frame " << k;
    }
}

TEST(DemoSounds, EffectAndVoiceAreSixteenBitMonoAtTwoRates) {
    Pcm click = readWav(fs::path(DEMO_SOUND_DIR) / "SE_CLICK.WAV");
    EXPECT_EQ(click.channels, 1);
    EXPECT_EQ(click.rate, 44100);
    EXPECT_EQ(click.bits, 16);
    EXPECT_GT(click.frames(), 44100u / 50);
    EXPECT_LT(click.frames(), 44100u / 5);
    EXPECT_NEAR(peak(click), 32767 * 0.6, 2);
    Pcm voice = readWav(fs::path(DEMO_SOUND_DIR) / "VOICE1.WAV");
    EXPECT_EQ(voice.channels, 1);
    EXPECT_EQ(voice.rate, 22050);
    EXPECT_EQ(voice.bits, 16);
    EXPECT_GE(voice.frames(), 22050u);
    EXPECT_LE(voice.frames(), 2 * 22050u);
    EXPECT_NEAR(peak(voice), 32767 * 0.7, 2);
    // Mina's line in the text scene: the same format, a little under three seconds.
    Pcm line = readWav(fs::path(DEMO_SOUND_DIR) / "VOICE2.WAV");
    EXPECT_EQ(line.channels, 1);
    EXPECT_EQ(line.rate, 22050);
    EXPECT_GE(line.frames(), 2 * 22050u);
    EXPECT_LE(line.frames(), 3 * 22050u);
    EXPECT_NEAR(peak(line), 32767 * 0.7, 2);
}

// A click at once skips the opening movie (silent in its first moments); the title waits for a
// click, and one at 1 s sounds the effect. Everything else heard in 20 s is the music from the
// moment it starts, looped once, at the music volume 80.
TEST(DemoRun, MusicLoopsExactlyAndTheTitleClickSoundsTheEffect) {
    const Pcm& bgm = music();
    ASSERT_EQ(bgm.frames(), static_cast<std::size_t>(kLoopFrames));
    fs::path work = fs::path(DEMO_WORK_DIR);
    fs::create_directories(work);
    // A lock directory of its own, so the run goes side by side with other engine runs.
    setenv("XDG_RUNTIME_DIR", work.c_str(), 1);
    {
        std::ofstream input(work / "clicks.txt");
        input << "0 click 10 10\n1000 click 320 240\n"; // the movie skipped, the title
    }
    fs::path recorded = work / "demo.wav";
    fs::remove(recorded);
    fs::remove_all(work / "sav"); // no settings or read lines from an earlier run
    std::string command = std::string("'") + VURA_BINARY + "' --headless --input '" +
                          (work / "clicks.txt").string() + "' --quit-after 20000 --audio-out '" +
                          recorded.string() + "' --save-dir '" + (work / "sav").string() + "' '" +
                          DEMO_DIR + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    Pcm rec = readWav(recorded);
    ASSERT_EQ(rec.channels, 2);
    ASSERT_EQ(rec.rate, 44100);
    ASSERT_GE(rec.frames(), 19u * 44100);

    // The music's first frame is not silent, so the first sound heard is where it starts.
    ASSERT_TRUE(bgm.samples[0] != 0 || bgm.samples[1] != 0);
    std::size_t start = 0;
    while (start < rec.frames() && rec.samples[2 * start] == 0 && rec.samples[2 * start + 1] == 0)
        ++start;
    ASSERT_LT(start, 44100u / 2) << "the music starts with the title";
    auto heard = [&](std::size_t k, int c) { return double(rec.samples[2 * k + c]); };
    auto played = [&](std::size_t k, int c) {
        return double(bgm.samples[((k - start) % kLoopFrames) * 2 + c]);
    };
    // The gain that best explains the first 0.6 s, before the click.
    double xy = 0, xx = 0;
    for (std::size_t k = start; k < start + 26000; ++k)
        for (int c = 0; c < 2; ++c)
            xy += played(k, c) * heard(k, c), xx += played(k, c) * played(k, c);
    double gain = xy / xx;
    EXPECT_NEAR(gain, 0.8, 0.004) << "music volume 80";

    const std::size_t clickFrom = 44100, clickTo = 44100 * 13 / 10;
    double outside = 0, click = 0;
    int fullScale = 0;
    for (std::size_t k = start; k < rec.frames(); ++k)
        for (int c = 0; c < 2; ++c) {
            double rest = std::abs(heard(k, c) - gain * played(k, c));
            double& worst = k >= clickFrom && k < clickTo ? click : outside;
            worst = std::max(worst, rest);
            fullScale += std::abs(heard(k, c)) >= 32767;
        }
    ASSERT_GT(rec.frames() - start, static_cast<std::size_t>(kLoopFrames) + 44100);
    EXPECT_LE(outside, 1.5) << "the music repeats sample for sample across the loop point";
    // The click's peak 0.6 at channel percent 70 of the effect volume 100.
    EXPECT_NEAR(click / 32768, 0.6 * 0.7, 0.02);
    EXPECT_EQ(fullScale, 0);
}

} // namespace
