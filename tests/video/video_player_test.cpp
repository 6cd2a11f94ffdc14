// The video device on its own: threaded as in a window, with a sound thread pulling as a device
// does, and on the platform's clock when there is no sound output.

#include "support/test_support.hpp"
#include "video/movie_writer.hpp"
#include "video/video_player.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vura {
namespace {

using namespace std::chrono_literals;

// A clock that other threads may read while the test moves it.
class SharedClock : public Clock {
public:
    std::uint32_t milliseconds() override { return ms; }
    std::optional<std::int64_t> performanceFrequency() override { return 1000; }
    std::int64_t performanceCounter() override { return ms; }
    std::atomic<std::uint32_t> ms{1000};
};

std::filesystem::path movie(const test::TempDir& dir, bool sound) {
    MovieSpec spec;
    spec.frames = 10;
    spec.paint = [](int n, std::vector<std::uint8_t>& bgr) {
        for (std::size_t i = 0; i < bgr.size(); i += 3)
            bgr[i] = static_cast<std::uint8_t>(20 * n + 10), bgr[i + 1] = bgr[i + 2] = 0;
    };
    if (sound) {
        spec.soundSamples = 44100;
        spec.sound = [](std::int64_t, std::int16_t& l, std::int16_t& r) { l = 8000, r = -8000; };
    }
    const std::filesystem::path path = dir.path() / "M.AVI";
    std::string error;
    EXPECT_TRUE(writeMovie(path, spec, error)) << error;
    return path;
}

TEST(VideoPlayer, ThreadedPicturesFollowTheSoundThreadToTheEnd) {
    test::TempDir dir;
    SharedClock clock;
    VideoPlayer player(clock, VideoPlayer::Mode::Threaded);
    std::string error;
    ASSERT_TRUE(player.open(movie(dir, true), 64, 48, error)) << error;
    player.setSoundOutput(true);
    ASSERT_TRUE(player.play(false));
    // The sound thread takes 441 frames (10 ms) every 2 ms: five times real time.
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::thread device([&] {
        std::vector<std::int16_t> out(2 * 441);
        while (!done) {
            player.mixAudio(out.data(), 441, false);
            for (std::size_t i = 0; i < out.size(); i += 2)
                if (!(out[i] == 0 && out[i + 1] == 0) && !(out[i] == 8000 && out[i + 1] == -8000))
                    ++wrong;
            std::this_thread::sleep_for(2ms);
        }
    });
    int last = -1, shown = 0;
    std::optional<std::uint32_t> end;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!end && std::chrono::steady_clock::now() < deadline) {
        if (const VideoFrame* f = player.update()) {
            const int b = f->pixels[0];
            EXPECT_GE(b, last); // never back in time
            last = b;
            ++shown;
        }
        end = player.takeEnd();
        std::this_thread::sleep_for(1ms);
    }
    done = true;
    device.join();
    ASSERT_TRUE(end);
    EXPECT_EQ(*end, player.serial());
    EXPECT_EQ(last, 190); // the last picture was shown
    EXPECT_GT(shown, 1);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_GE(player.positionMs(), 1000);
}

TEST(VideoPlayer, WithoutSoundItRunsOnTheClockAndStopKeepsThePlace) {
    test::TempDir dir;
    SharedClock clock;
    VideoPlayer player(clock, VideoPlayer::Mode::Deterministic);
    std::string error;
    ASSERT_TRUE(player.open(movie(dir, true), 64, 48, error)) << error;
    ASSERT_TRUE(player.play(false));
    clock.ms += 250;
    ASSERT_TRUE(player.update());
    EXPECT_EQ(player.shown()->pixels[0], 20 * 2 + 10);
    player.stop(); // paused: the clock runs on, the movie does not
    clock.ms += 5000;
    EXPECT_FALSE(player.update());
    EXPECT_EQ(player.positionMs(), 250);
    player.play(false);
    clock.ms += 800;
    player.update();
    EXPECT_EQ(player.takeEnd(), player.serial());
    EXPECT_EQ(player.serial(), 2u); // each play has its own number
    // Closing clears both, and raises nothing.
    player.close();
    EXPECT_FALSE(player.isOpen());
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.takeEnd());
}

} // namespace
} // namespace vura
