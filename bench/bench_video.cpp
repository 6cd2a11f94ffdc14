// Movies: a 640 x 480, 30 frames a second MPEG-4 movie with 44100 Hz stereo sound, one second
// of it at a time. The player as a headless run plays it (every picture decoded and converted
// when due, the sound decoded as the output pulls it), against the bare decoding and
// conversion of the same second; and the main thread's share in a window, where the decode
// thread works ahead and the main loop only takes the picture that is due.

#include "video/media_file.hpp"
#include "video/movie_writer.hpp"
#include "video/video_player.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

namespace vura {
namespace {

constexpr int kFps = 30;
constexpr int kSeconds = 3;

const std::filesystem::path& movie() {
    static const std::filesystem::path path = [] {
        std::filesystem::path p =
            std::filesystem::path(VURA_BENCH_SAVE_DIR).parent_path() / "bench-movie.avi";
        if (!std::filesystem::exists(p)) {
            MovieSpec spec;
            spec.codec = MovieSpec::Codec::Mpeg4;
            spec.width = 640;
            spec.height = 480;
            spec.fps = kFps;
            spec.frames = kFps * kSeconds;
            spec.paint = [](int n, std::vector<std::uint8_t>& bgr) {
                for (int y = 0; y < 480; ++y)
                    for (int x = 0; x < 640; ++x) {
                        std::uint8_t* p = bgr.data() + (static_cast<std::size_t>(y) * 640 + x) * 3;
                        p[0] = static_cast<std::uint8_t>(x + 4 * n);
                        p[1] = static_cast<std::uint8_t>(y + 2 * n);
                        p[2] = static_cast<std::uint8_t>((x ^ y) + n);
                    }
            };
            spec.soundSamples = 44100 * kSeconds;
            spec.sound = [](std::int64_t i, std::int16_t& l, std::int16_t& r) {
                l = r = static_cast<std::int16_t>(8000 * std::sin(i * 0.0627));
            };
            std::string error;
            writeMovie(p, spec, error);
        }
        return p;
    }();
    return path;
}

class StepClock : public Clock {
public:
    std::uint32_t milliseconds() override { return ms; }
    std::optional<std::int64_t> performanceFrequency() override { return 1000; }
    std::int64_t performanceCounter() override { return ms; }
    std::uint32_t ms = 0;
};

// One second of play as a headless run plays it: 100 passes of 10 ms, each with its pull of
// sound. The time per iteration over one second is the share of one core.
void BM_PlayerOneSecond(benchmark::State& state) {
    StepClock clock;
    VideoPlayer player(clock, VideoPlayer::Mode::Deterministic);
    std::string error;
    if (!player.open(movie(), 640, 480, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    player.setSoundOutput(true);
    std::vector<std::int16_t> sound(2 * 441);
    for (auto _ : state) {
        player.seekToStart();
        player.play(false);
        for (int pass = 0; pass < 100; ++pass) {
            player.mixAudio(sound.data(), 441, true);
            benchmark::DoNotOptimize(player.update());
        }
        player.stop();
    }
}
BENCHMARK(BM_PlayerOneSecond)->Unit(benchmark::kMillisecond);

// The same second, decoded and converted with nothing else around it.
void BM_BareDecodeOneSecond(benchmark::State& state) {
    std::string error;
    auto file = MediaFile::open(movie(), 640, 480, error);
    if (!file) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<std::int16_t> sound(2 * 44100);
    VideoFrame frame;
    for (auto _ : state) {
        file->rewind();
        for (int n = 0; n < kFps; ++n)
            benchmark::DoNotOptimize(file->nextFrame(frame));
        benchmark::DoNotOptimize(file->readAudio(sound.data(), 44100));
    }
}
BENCHMARK(BM_BareDecodeOneSecond)->Unit(benchmark::kMillisecond);

// In a window: the main loop's update when a picture is due, with the decode thread ahead.
void BM_ThreadedUpdatePerPicture(benchmark::State& state) {
    StepClock clock;
    VideoPlayer player(clock, VideoPlayer::Mode::Threaded);
    std::string error;
    if (!player.open(movie(), 640, 480, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    player.setSoundOutput(false); // on the clock, which the benchmark moves a picture at a time
    player.play(true);
    for (auto _ : state) {
        state.PauseTiming();
        clock.ms += 1000 / kFps + 1;
        if (player.takeEnd()) {
            player.seekToStart();
            player.play(true);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(15)); // the thread decodes ahead
        state.ResumeTiming();
        benchmark::DoNotOptimize(player.update());
    }
}
BENCHMARK(BM_ThreadedUpdatePerPicture)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
} // namespace vura
