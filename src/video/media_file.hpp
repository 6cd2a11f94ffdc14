#pragma once
// A movie file read through FFmpeg's own demuxers and decoders: its pictures converted into the
// engine's 24-bit bottom-up layout stretched to the screen, and its sound resampled to the sound
// output's format. No threads: a caller pulls frames and samples in the order it needs them.
//
// Opening is careful with what it lets FFmpeg do: only the file protocol (a playlist dressed as
// an .AVI cannot reach other files or addresses) and only the demuxers of real media containers.

#include "base/rect.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vura {

// One picture: width x height, three bytes a pixel (blue, green, red), rows bottom-up `pitch`
// bytes apart as a Surface keeps them, shown from `startMs` for `durationMs`.
struct VideoFrame {
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::vector<std::uint8_t> pixels;
    std::int64_t startMs = 0;
    std::int64_t durationMs = 0;
};

class MediaFile {
public:
    ~MediaFile();
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    // Opens the file, finds its streams, opens their decoders and decodes the first picture
    // (which the first nextFrame returns). Nothing, with `error` saying why, on any failure.
    // Pictures come out width x height.
    static std::unique_ptr<MediaFile> open(const std::filesystem::path& path, int width, int height,
                                           std::string& error);

    bool hasAudio() const;
    // The next picture in presentation order; false at the end of the pictures (the end of the
    // file, or a long run of broken packets). A broken packet is skipped. Without `picture`, a
    // late frame is passed over: its times only, no pixels converted.
    bool nextFrame(VideoFrame& out, bool picture = true);
    // Up to `frames` stereo 16-bit frames at the sound output's rate; fewer (0 at the end) when
    // the sound ends.
    std::size_t readAudio(std::int16_t* out, std::size_t frames);
    // Back to the start, the decoders and the resampler emptied; false when the file cannot seek.
    bool rewind();

    // FFmpeg's own messages go here (or nowhere) rather than to standard error.
    static void setLog(std::ostream* log);

private:
    struct Impl;
    explicit MediaFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace vura
