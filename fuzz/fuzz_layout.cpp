// Arbitrary text laid out in a window of arbitrary geometry, with glyphs of arbitrary metrics:
// the layout must reach the end of the text in a bounded number of steps, and no glyph may be
// drawn outside the surface.

#include "graphics/surface.hpp"
#include "text/glyph_renderer.hpp"
#include "text/message_window.hpp"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

class NoClock : public vura::Clock {
public:
    std::uint32_t milliseconds() override { return 0; }
    std::optional<std::int64_t> performanceFrequency() override { return std::nullopt; }
    std::int64_t performanceCounter() override { return 0; }
};

// Glyphs whose size and origin come from the input, full of level 64 or set bits.
class FuzzGlyphs : public vura::GlyphSource {
public:
    explicit FuzzGlyphs(const std::int8_t metrics[4]) { std::memcpy(metrics_, metrics, 4); }
    bool rasterize(const vura::FontDescription&, int format, std::uint16_t code,
                   vura::GlyphBitmap& out) override {
        if (code % 17 == 0)
            return false; // some characters cannot be drawn
        out.format = format;
        out.blackBoxWidth = metrics_[0] & 0x3F;
        out.blackBoxHeight = metrics_[1] & 0x3F;
        out.originX = metrics_[2];
        out.originY = metrics_[3];
        out.pitch = vura::glyphRowPitch(format, out.blackBoxWidth);
        out.bits.assign(static_cast<std::size_t>(out.pitch) * out.blackBoxHeight, 0xFF);
        return true;
    }

private:
    std::int8_t metrics_[4];
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 16;
    if (size < kHeader)
        return 0;
    NoClock clock;
    vura::Surface surface;
    surface.create(96, 64, 24);
    FuzzGlyphs glyphs(reinterpret_cast<const std::int8_t*>(data));
    vura::MessageWindow window(clock);
    window.target = &surface;
    window.source = &glyphs;
    auto small = [&](int i) { return static_cast<std::int8_t>(data[i]); };
    window.style.font.height = small(4);
    window.style.format = data[5] & 1 ? vura::kGlyphBitmap : vura::kGlyphGray;
    window.style.bottomAlign = data[5] & 2;
    window.shadow = data[5] & 4;
    window.hangingPunctuation = data[5] & 8;
    window.bracketIndent = data[5] & 16;
    window.textArea = {small(6), small(7), data[8], data[9]};
    window.pen = {window.textArea.left, window.textArea.top};
    window.lineSpacing = small(10);
    window.characterSpacing = small(11);
    window.shadowOffset = {small(12), small(13)};
    std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
    if (!vura::SetText(window, text))
        return 0;
    // Every step either consumes a byte or starts a line; a line or a page never repeats
    // without a byte taken in between more than a few times.
    const std::size_t limit = 8 * (text.size() + 2);
    for (std::size_t step = 0;; ++step) {
        if (step > limit)
            std::abort();
        int result = window.nextChar(window);
        if (result == vura::kCharEnd)
            break;
        if (result == vura::kCharNewLine)
            window.newLine(window);
        else if (result == vura::kCharPageFull)
            window.newPage(window);
    }
    return 0;
}
