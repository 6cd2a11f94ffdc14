// Makes the demo game's sounds at build time, so the repository carries no binary files:
// BGM.OGG, sixteen bars of music that loop without a seam; SE_CLICK.WAV, a short click;
// SE_HOVER.WAV, the tick of the pointer entering a button;
// VOICE1.WAV, a voice singing the five vowels at 22050 Hz, so the mixer has a rate to convert;
// VOICE2.WAV, the character's spoken line in the text scene, a little under three seconds.
// Everything is computed from fixed numbers: the same build gives the same bytes.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A stereo picture of the loop, left and right samples as doubles.
struct Stereo {
    std::vector<double> left, right;
    explicit Stereo(std::size_t frames) : left(frames), right(frames) {}
    std::size_t frames() const { return left.size(); }
};

double midiToHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Attack, then an exponential decay; the last 10 ms fade to exactly zero, so a note that is
// cut at its length never clicks.
double envelope(double t, double length, double attack, double decay) {
    if (t >= length)
        return 0;
    double a = t < attack ? t / attack : std::exp(-(t - attack) / decay);
    double tail = std::min(1.0, (length - t) / 0.01);
    return a * tail;
}

// The music. Every note is written at its start modulo the loop's length, so a note that
// rings past the end continues at the beginning: the buffer is one period of a signal that
// is exactly periodic, and the loop has no seam.
class Music {
public:
    static constexpr int kRate = 44100;
    static constexpr int kBeat = kRate / 2; // 120 beats a minute
    static constexpr int kBar = 4 * kBeat;
    static constexpr int kBars = 8;

    Music() : out_(static_cast<std::size_t>(kBar) * kBars) {}

    Stereo render() {
        // One chord a bar: the bass root and three pad notes, led smoothly from bar to bar.
        struct Chord {
            int root;
            std::array<int, 3> pad;
        };
        constexpr std::array<Chord, kBars> chords = {{
            {36, {60, 64, 67}}, // C
            {45, {60, 64, 69}}, // Am
            {41, {60, 65, 69}}, // F
            {43, {59, 62, 67}}, // G
            {40, {59, 64, 67}}, // Em
            {45, {60, 64, 69}}, // Am
            {38, {60, 65, 69}}, // Dm7
            {43, {59, 65, 67}}, // G7, which leads back to C at the loop
        }};
        // The arpeggio walks the chord up and back down in eighth notes.
        constexpr std::array<int, 8> pattern = {0, 1, 2, 3, 4, 3, 2, 1};
        for (int bar = 0; bar < kBars; ++bar) {
            const Chord& c = chords[bar];
            long start = static_cast<long>(bar) * kBar;
            for (int note : c.pad)
                pad(start, note);
            bass(start, c.root);
            bass(start + 2 * kBeat, c.root);
            bass(start + 3 * kBeat + kBeat / 2, c.root + 12);
            std::array<int, 5> tones = {c.pad[0] + 12, c.pad[1] + 12, c.pad[2] + 12, c.pad[0] + 24,
                                        c.pad[1] + 24};
            for (int i = 0; i < 8; ++i)
                piano(start + i * (kBeat / 2), tones[pattern[i]], i % 2 ? 0.62 : 0.38);
        }
        echo();
        return out_;
    }

private:
    void add(long frame, double left, double right) {
        std::size_t i = static_cast<std::size_t>(frame % static_cast<long>(out_.frames()));
        out_.left[i] += left;
        out_.right[i] += right;
    }

    // Warm additive pad: three harmonics, each side a hair detuned for width.
    void pad(long start, int note) {
        double f = midiToHz(note);
        double length = 2.6; // a bar and the release into the next
        for (long k = 0; k < static_cast<long>(length * kRate); ++k) {
            double t = static_cast<double>(k) / kRate;
            double env = std::min(1.0, t / 0.35) * std::min(1.0, std::max(0.0, (length - t) / 0.6));
            auto voice = [&](double fr) {
                double p = kTwoPi * fr * t;
                return std::sin(p) + 0.3 * std::sin(2 * p) + 0.12 * std::sin(3 * p);
            };
            add(start + k, 0.05 * env * voice(f * 0.9985), 0.05 * env * voice(f * 1.0015));
        }
    }

    // Round bass: a sine with a little second harmonic, plucked.
    void bass(long start, int note) {
        double f = midiToHz(note);
        double length = 0.9;
        for (long k = 0; k < static_cast<long>(length * kRate); ++k) {
            double t = static_cast<double>(k) / kRate;
            double p = kTwoPi * f * t;
            double s = envelope(t, length, 0.006, 0.35) * (std::sin(p) + 0.25 * std::sin(2 * p));
            add(start + k, 0.22 * s, 0.22 * s);
        }
    }

    // Electric piano by two-operator FM: the modulation index falls quickly, so each note
    // starts bright and settles into a soft tone. `pan` is 0 for left, 1 for right.
    void piano(long start, int note, double pan) {
        double f = midiToHz(note);
        double length = 0.8;
        for (long k = 0; k < static_cast<long>(length * kRate); ++k) {
            double t = static_cast<double>(k) / kRate;
            double index = 0.3 + 1.8 * std::exp(-t / 0.08);
            double s = std::sin(kTwoPi * f * t + index * std::sin(kTwoPi * f * t));
            s *= envelope(t, length, 0.003, 0.25) * 0.09;
            add(start + k, s * (1 - pan), s * pan);
        }
    }

    // A ping-pong echo of a dotted eighth. It runs around the loop: the first pass reads
    // the unechoed end for its first delay, the second pass corrects that with the echoed
    // end, leaving an error far below one sample step.
    void echo() {
        const std::size_t delay = 3 * kBeat / 4;
        const double feedback = 0.35;
        const std::size_t n = out_.frames();
        Stereo dry = out_;
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t i = 0; i < n; ++i) {
                std::size_t j = (i + n - delay) % n;
                double l = dry.left[i] + feedback * out_.right[j];
                double r = dry.right[i] + feedback * out_.left[j];
                out_.left[i] = l;
                out_.right[i] = r;
            }
        }
    }

    Stereo out_;
};

// Scales a signal so that its largest magnitude is `peak`.
void normalise(std::vector<double>& s, double peak) {
    double most = 0;
    for (double v : s)
        most = std::max(most, std::abs(v));
    if (most > 0)
        for (double& v : s)
            v *= peak / most;
}

// The click: a falling tone over a brighter one, both gone within 80 ms.
std::vector<double> click(int rate) {
    std::vector<double> s(static_cast<std::size_t>(rate * 0.08));
    double phase = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        double t = static_cast<double>(k) / rate;
        phase += kTwoPi * (1100 + 900 * std::exp(-t / 0.01)) / rate;
        s[k] = envelope(t, 0.08, 0.0008, 0.012) * std::sin(phase) +
               0.4 * envelope(t, 0.08, 0.0004, 0.004) * std::sin(kTwoPi * 3300 * t);
    }
    normalise(s, 0.6);
    return s;
}

// The hover tick: a soft high blip, over within 20 ms, so a click that follows at once is
// heard on its own.
std::vector<double> hoverTick(int rate) {
    std::vector<double> s(static_cast<std::size_t>(rate * 0.02));
    for (std::size_t k = 0; k < s.size(); ++k) {
        double t = static_cast<double>(k) / rate;
        s[k] = envelope(t, 0.02, 0.0005, 0.004) * std::sin(kTwoPi * 2400 * t);
    }
    normalise(s, 0.3);
    return s;
}

// One vowel of a voice: its three formants and how long it lasts. A vowel with `loud` 0 is a
// pause between phrases.
struct Vowel {
    double f1, f2, f3, length;
    double loud = 1;
};

constexpr Vowel vowelA(double length) {
    return {850, 1250, 2900, length};
}
constexpr Vowel vowelI(double length) {
    return {320, 2700, 3300, length};
}
constexpr Vowel vowelU(double length) {
    return {380, 1450, 2600, length};
}
constexpr Vowel vowelE(double length) {
    return {520, 2200, 2950, length};
}
constexpr Vowel vowelO(double length) {
    return {500, 880, 2750, length};
}
constexpr Vowel pause(double length) {
    return {500, 1500, 2500, length, 0};
}

// The pitch in Hz at time t of an utterance `total` seconds long.
using Contour = double (*)(double t, double total);

// A voice speaking a row of vowels. Each harmonic of the glottal pulse (falling as 1/k) is
// shaped by three formant resonances, cascaded as the vocal tract does; the formants glide from
// one vowel to the next, the voice dips between syllables, and the last vowel may get vibrato.
std::vector<double> speak(int rate, std::span<const Vowel> vowels, Contour pitch,
                          bool vibratoAtEnd) {
    double total = 0;
    for (const Vowel& v : vowels)
        total += v.length;
    std::vector<double> s(static_cast<std::size_t>(total * rate));
    double phase = 0;
    double vowelStart = 0;
    std::size_t current = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        double t = static_cast<double>(k) / rate;
        while (current + 1 < vowels.size() && t >= vowelStart + vowels[current].length) {
            vowelStart += vowels[current].length;
            ++current;
        }
        double inVowel = t - vowelStart;
        // Glide from the previous vowel's formants over the first 60 ms.
        const Vowel& now = vowels[current];
        const Vowel& before = vowels[current == 0 ? 0 : current - 1];
        double g = std::min(1.0, inVowel / 0.06);
        std::array<double, 3> formants = {before.f1 + (now.f1 - before.f1) * g,
                                          before.f2 + (now.f2 - before.f2) * g,
                                          before.f3 + (now.f3 - before.f3) * g};
        constexpr std::array<double, 3> bandwidths = {90, 110, 160};
        double f0 = pitch(t, total);
        if (vibratoAtEnd && current + 1 == vowels.size())
            f0 *= 1 + 0.012 * std::sin(kTwoPi * 5.5 * inVowel) * std::min(1.0, inVowel / 0.2);
        phase += kTwoPi * f0 / rate;
        double sum = 0;
        for (int h = 1; h * f0 < 5000; ++h) {
            double f = h * f0;
            double gain = std::min(1.0, (5000 - f) / 1000) / h; // fades out towards 5 kHz
            for (int i = 0; i < 3; ++i) {
                double ratio = f / formants[i];
                gain /= std::sqrt((1 - ratio * ratio) * (1 - ratio * ratio) +
                                  (f * bandwidths[i] / (formants[i] * formants[i])) *
                                      (f * bandwidths[i] / (formants[i] * formants[i])));
            }
            sum += gain * std::sin(h * phase);
        }
        // The voice dips smoothly around each change of vowel, so the syllables are heard apart.
        double fromChange = std::min(current == 0 ? 1.0 : inVowel,
                                     current + 1 == vowels.size() ? 1.0 : now.length - inVowel);
        double syllable =
            1 - 0.6 * 0.5 * (1 + std::cos(std::numbers::pi * std::min(1.0, fromChange / 0.05)));
        double whole = std::min({1.0, t / 0.03, (total - t) / 0.12});
        // Into and out of a pause over 30 ms.
        double loud = before.loud + (now.loud - before.loud) * std::min(1.0, inVowel / 0.03);
        s[k] = sum * syllable * whole * loud;
    }
    normalise(s, 0.7);
    return s;
}

// A voice singing a-i-u-e-o: the pitch rises a little and falls, with vibrato on the last vowel.
std::vector<double> voice(int rate) {
    constexpr std::array<Vowel, 5> vowels = {
        {vowelA(0.28), vowelI(0.24), vowelU(0.24), vowelE(0.26), vowelO(0.48)}};
    return speak(
        rate, vowels,
        [](double t, double total) {
            double u = t / total;
            return 250 + 50 * std::sin(std::numbers::pi * u * 1.3) - 40 * u;
        },
        true);
}

// Mina's line "ne-e, ki-ko-e-ru? ko-re-ga wa-ta-shi-no ko-e" in vowels: a question that rises
// at its end, a pause, and a statement that settles down.
std::vector<double> minaVoice(int rate) {
    constexpr std::array<Vowel, 17> vowels = {{
        vowelE(0.14), vowelE(0.22), pause(0.12),                             // ne-e,
        vowelI(0.12), vowelO(0.13), vowelE(0.13), vowelU(0.26), pause(0.22), // ki-ko-e-ru?
        vowelO(0.12), vowelE(0.12), vowelA(0.14),                            // ko-re-ga
        vowelA(0.13), vowelA(0.12), vowelI(0.11), vowelO(0.16),              // wa-ta-shi-no
        vowelO(0.14), vowelE(0.34),                                          // ko-e
    }};
    return speak(
        rate, vowels,
        [](double t, double total) {
            constexpr double kQuestionEnd = 1.12, kRiseFrom = 0.86;
            if (t < kQuestionEnd) {
                double rise = std::max(0.0, (t - kRiseFrom) / (kQuestionEnd - kRiseFrom));
                return 255 - 25 * t / kQuestionEnd + 90 * rise * rise;
            }
            double u = (t - kQuestionEnd) / (total - kQuestionEnd);
            return 275 - 85 * u + 12 * std::sin(std::numbers::pi * u * 3);
        },
        true);
}

void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A 16-bit PCM WAV file of one channel.
bool writeWav(const std::filesystem::path& file, const std::vector<double>& s, int rate) {
    std::string out = "RIFF";
    put32(out, static_cast<std::uint32_t>(36 + 2 * s.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // one channel
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate * 2));
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, static_cast<std::uint32_t>(2 * s.size()));
    for (double v : s)
        put16(out, static_cast<std::uint16_t>(
                       static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767))));
    return writeFile(file, out);
}

// Ogg Vorbis of the stereo signal at quality 0.4. The encoder marks the last page with the
// exact sample count, so the file decodes to as many frames as it was given.
bool writeOgg(const std::filesystem::path& file, const Stereo& s, int rate) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, rate, 0.4f) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "vura demo");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x76757261); // any fixed serial number keeps the bytes stable

    std::string bytes;
    ogg_page page;
    auto takePage = [&] {
        bytes.append(reinterpret_cast<const char*>(page.header), page.header_len);
        bytes.append(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    ogg_packet header, commentHeader, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codebooks);
    while (ogg_stream_flush(&stream, &page) != 0)
        takePage();

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    takePage();
            }
        }
    };
    constexpr std::size_t kChunk = 4096;
    for (std::size_t at = 0; at < s.frames(); at += kChunk) {
        std::size_t n = std::min(kChunk, s.frames() - at);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
        for (std::size_t i = 0; i < n; ++i) {
            buffer[0][i] = static_cast<float>(s.left[at + i]);
            buffer[1][i] = static_cast<float>(s.right[at + i]);
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0); // the end of the stream
    drain();
    while (ogg_stream_flush(&stream, &page) != 0)
        takePage();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return writeFile(file, bytes);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sounds OUTPUT_DIR\n";
        return 2;
    }
    std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    Stereo music = Music().render();
    // Both sides scaled alike, to half of full scale: room for the effects and the codec.
    double most = 0;
    for (std::size_t i = 0; i < music.frames(); ++i)
        most = std::max({most, std::abs(music.left[i]), std::abs(music.right[i])});
    for (std::size_t i = 0; i < music.frames(); ++i) {
        music.left[i] *= 0.5 / most;
        music.right[i] *= 0.5 / most;
    }
    bool ok = writeOgg(out / "BGM.OGG", music, Music::kRate);
    ok &= writeWav(out / "SE_CLICK.WAV", click(44100), 44100);
    ok &= writeWav(out / "SE_HOVER.WAV", hoverTick(44100), 44100);
    ok &= writeWav(out / "VOICE1.WAV", voice(22050), 22050);
    ok &= writeWav(out / "VOICE2.WAV", minaVoice(22050), 22050);
    if (!ok) {
        std::cerr << "make_sounds: cannot write the sounds into " << out << '\n';
        return 1;
    }
    return 0;
}
