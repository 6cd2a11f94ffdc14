#pragma once
// Sounds made by the tests: WAV bytes written by hand, Ogg Vorbis encoded with libvorbisenc, and
// the reference decoding of Ogg bytes with bare vorbisfile.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vura::test {

// Interleaved 16-bit samples of `frames` frames: a sum of two sines per channel with a little
// noise from a fixed seed, loud enough to catch any change of gain (peaks near 20000).
std::vector<std::int16_t> testSignal(std::uint32_t frames, int channels, std::uint32_t rate,
                                     std::uint32_t seed = 1);

// The bytes of a RIFF WAVE file. `fmt` is the whole "fmt " chunk body; `extraChunks` are put
// between "fmt " and "data" as they stand (whole chunks, header included).
std::string wavBytes(const std::vector<std::uint8_t>& fmt, std::span<const std::uint8_t> data,
                     const std::string& extraChunks = "");
// A 16-byte PCM "fmt " body.
std::vector<std::uint8_t> pcmFmt(int channels, std::uint32_t rate, int bits);
// A 16-bit PCM WAV of interleaved samples.
std::string wav16(int channels, std::uint32_t rate, const std::vector<std::int16_t>& samples);

// Encodes interleaved 16-bit samples as Ogg Vorbis (variable bit rate at `quality`).
std::string encodeOgg(int channels, std::uint32_t rate, const std::vector<std::int16_t>& samples,
                      float quality = 0.3f);
// Decodes Ogg bytes whole with vorbisfile, as 16-bit little-endian interleaved samples.
std::vector<std::int16_t> decodeOgg(const std::string& oggBytes);

} // namespace vura::test
