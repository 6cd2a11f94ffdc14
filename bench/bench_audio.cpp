// The mixer: one second of output with eight channels playing, as the sound thread asks for it
// (1024 frames at a time). The "core_share" counter is the processor time spent per second of
// sound: 0.01 is one per cent of one core.

#include "audio/sound_buffer.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace vura {
namespace {

std::vector<std::int16_t> signal(std::uint32_t frames, int channels, std::uint32_t rate) {
    std::vector<std::int16_t> s(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(8000.0 *
                                         std::sin(0.05 * static_cast<double>(i) * 44100.0 / rate));
    return s;
}

std::string wavFile(int channels, std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    auto put = [](std::string& out, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>(v >> (8 * i));
    };
    std::string w = "RIFF";
    std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
    put(w, 36 + data, 4);
    w += "WAVEfmt ";
    put(w, 16, 4);
    put(w, 1, 2);
    put(w, static_cast<std::uint32_t>(channels), 2);
    put(w, rate, 4);
    put(w, rate * static_cast<std::uint32_t>(channels) * 2, 4);
    put(w, static_cast<std::uint32_t>(channels) * 2, 2);
    put(w, 16, 2);
    w += "data";
    put(w, data, 4);
    w.append(reinterpret_cast<const char*>(samples.data()), data);
    return w;
}

std::filesystem::path writeTemp(const std::string& name, const std::string& bytes) {
    auto path = std::filesystem::temp_directory_path() / ("vura-bench-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void BM_MixEightChannels(benchmark::State& state) {
    SoundDevice device;
    std::vector<std::unique_ptr<SoundBuffer>> channels;
    auto add = [&] {
        channels.push_back(std::make_unique<SoundBuffer>(&device));
        return channels.back().get();
    };
    // Five static sounds at the output's rate, one at 22050 Hz mono and two streams, one of
    // them at 48000 Hz: the resampler runs for two of the eight.
    auto music = writeTemp("music.wav", wavFile(2, 44100, signal(3 * 44100, 2, 44100)));
    auto ambience = writeTemp("ambience.wav", wavFile(2, 48000, signal(3 * 48000, 2, 48000)));
    auto effect = writeTemp("effect.wav", wavFile(2, 44100, signal(44100, 2, 44100)));
    auto voice = writeTemp("voice.wav", wavFile(1, 22050, signal(22050, 1, 22050)));
    for (int i = 0; i < 5; ++i) {
        SoundBuffer* s = add();
        s->loadWaveFile(effect);
        s->setVolume(-300 * i);
        s->setPan(1000 * i - 2000);
        s->play(true);
    }
    SoundBuffer* v = add();
    v->loadWaveFile(voice);
    v->play(true);
    for (const auto& path : {music, ambience}) {
        SoundBuffer* s = add();
        s->streamWaveFile(path);
        s->setVolume(-600);
        s->startStream(true);
    }
    std::vector<std::int16_t> out(1024 * 2);
    for (auto _ : state) {
        for (int done = 0; done < 44100; done += 1024) {
            device.mixAudio(out.data(), static_cast<std::size_t>(std::min(1024, 44100 - done)),
                            false);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["core_share"] = benchmark::Counter(
        1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    channels.clear();
    for (const auto& path : {music, ambience, effect, voice})
        std::filesystem::remove(path);
}
BENCHMARK(BM_MixEightChannels)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vura
