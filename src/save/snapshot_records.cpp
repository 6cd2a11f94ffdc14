#include "save/snapshot_records.hpp"

#include <algorithm>

namespace vura::snapshot_records {

namespace {

void putRgb(ByteWriter& w, const Rgb& c) {
    w.u8(c.red);
    w.u8(c.green);
    w.u8(c.blue);
}

Rgb getRgb(ByteReader& r) {
    Rgb c;
    c.red = r.u8();
    c.green = r.u8();
    c.blue = r.u8();
    return c;
}

} // namespace

void putState(ByteWriter& w, const SavedCommand& s) {
    w.i32(s.engineState);
    w.i32(s.commandPhase);
    for (std::int32_t v : s.commandScratch)
        w.i32(v);
}

SavedCommand getState(ByteReader& r) {
    SavedCommand s;
    s.engineState = r.i32();
    s.commandPhase = r.i32();
    for (std::int32_t& v : s.commandScratch)
        v = r.i32();
    return s;
}

void putVoices(ByteWriter& w, const PageVoiceList& v) {
    w.i32(v.count);
    for (const PageVoice& slot : v.slots) {
        w.i32(slot.x);
        w.i32(slot.y);
        w.field(slot.name, kNameField);
    }
}

PageVoiceList getVoices(ByteReader& r) {
    PageVoiceList v;
    v.count = std::clamp(r.i32(), 0, kPageVoicesMax);
    for (PageVoice& slot : v.slots) {
        slot.x = r.i32();
        slot.y = r.i32();
        slot.name = r.field(kNameField);
    }
    return v;
}

void putLayer(ByteWriter& w, const LayerRecord& l) {
    for (std::int32_t v : {l.maskIndex, l.x, l.y, l.srcX, l.srcY, l.width, l.height})
        w.i32(v);
    w.field(l.name, kNameField);
    w.i32(l.blendMode);
    w.i32(l.blendLevel);
    w.u8(l.visible);
    w.u8(l.hideInPeek);
    w.zeros(2);
}

LayerRecord getLayer(ByteReader& r) {
    LayerRecord l;
    for (std::int32_t* v : {&l.maskIndex, &l.x, &l.y, &l.srcX, &l.srcY, &l.width, &l.height})
        *v = r.i32();
    l.name = r.field(kNameField);
    l.blendMode = r.i32();
    l.blendLevel = r.i32();
    l.visible = r.u8() != 0;
    l.hideInPeek = r.u8() != 0;
    r.skip(2);
    return l;
}

void putChannel(ByteWriter& w, const ChannelRecord& c) {
    w.i32(c.pack);
    w.i32(c.volumePercent);
    w.field(c.name, kNameField);
    w.u8(c.streaming);
    w.u8(c.wasLooping);
    w.zeros(2);
}

ChannelRecord getChannel(ByteReader& r) {
    ChannelRecord c;
    c.pack = r.i32();
    c.volumePercent = r.i32();
    c.name = r.field(kNameField);
    c.streaming = r.u8() != 0;
    c.wasLooping = r.u8() != 0;
    r.skip(2);
    return c;
}

void putWindow(ByteWriter& w, const WindowRecord& win) {
    const MessageWindowSettings& s = win.settings;
    w.u32(win.characterInterval);
    for (std::int32_t v :
         {s.screenRect.x, s.screenRect.y, s.screenRect.width, s.screenRect.height, s.textArea.left,
          s.textArea.top, s.textArea.width, s.textArea.height, win.pen.x, win.pen.y,
          win.readPosition, win.textLength, s.lineSpacing, s.characterSpacing})
        w.i32(v);
    w.field(win.pageText, kTextField);
    w.raw(std::string_view(win.text.data(), win.text.size() - 1));
    w.u8(0);
    w.field(win.voiceName, kNameField);
    w.i32(s.voiceChannel);
    w.i32(s.shadowOffset.dx);
    w.i32(s.shadowOffset.dy);
    w.u8(win.halfWidth);
    w.u8(s.shadow);
    w.u8(s.bracketIndent);
    w.zeros(1);
    w.i32(win.bracketDepth);
    w.u8(s.hangingPunctuation);
    w.u8(s.logPages);
    w.u8(s.instant);
    putRgb(w, s.textColour);
    putRgb(w, s.shadowColour);
    w.zeros(3);
    w.i32(s.hookSelector);
    w.i32(s.style.font.height);
    w.i32(s.style.font.weight);
    w.field(s.style.font.faceName, kNameField);
    w.u8(s.style.format == kGlyphGray);
    w.u8(s.style.bottomAlign);
    w.u8(s.style.font.italic != 0);
    w.u8(s.style.font.underline != 0);
    w.u8(s.style.font.strikeOut != 0);
    w.zeros(3);
}

WindowRecord getWindow(ByteReader& r) {
    WindowRecord win;
    MessageWindowSettings& s = win.settings;
    win.characterInterval = r.u32();
    for (int* v :
         {&s.screenRect.x, &s.screenRect.y, &s.screenRect.width, &s.screenRect.height,
          &s.textArea.left, &s.textArea.top, &s.textArea.width, &s.textArea.height, &win.pen.x,
          &win.pen.y, &win.readPosition, &win.textLength, &s.lineSpacing, &s.characterSpacing})
        *v = r.i32();
    win.pageText = r.field(kTextField);
    std::string text = r.raw(kTextField);
    // The window's text keeps its terminating zero, whatever the file holds.
    std::copy_n(text.begin(), std::min(text.size(), win.text.size() - 1), win.text.begin());
    win.voiceName = r.field(kNameField);
    s.voiceChannel = r.i32();
    s.shadowOffset.dx = r.i32();
    s.shadowOffset.dy = r.i32();
    win.halfWidth = r.u8() != 0;
    s.shadow = r.u8() != 0;
    s.bracketIndent = r.u8() != 0;
    r.skip(1);
    win.bracketDepth = std::max(0, r.i32());
    s.hangingPunctuation = r.u8() != 0;
    s.logPages = r.u8() != 0;
    s.instant = r.u8() != 0;
    s.textColour = getRgb(r);
    s.shadowColour = getRgb(r);
    r.skip(3);
    s.hookSelector = r.i32();
    s.style.font.height = r.i32();
    s.style.font.weight = r.i32();
    s.style.font.faceName = r.field(kNameField).substr(0, 31);
    s.style.format = r.u8() != 0 ? kGlyphGray : kGlyphBitmap;
    s.style.bottomAlign = r.u8() != 0;
    s.style.font.italic = r.u8() != 0;
    s.style.font.underline = r.u8() != 0;
    s.style.font.strikeOut = r.u8() != 0;
    r.skip(3);
    // A read position outside the text means the text is over.
    win.readPosition = std::clamp(win.readPosition, -1, static_cast<int>(kMessageTextCapacity));
    return win;
}

void putLogPage(ByteWriter& w, const LogPage& page) {
    w.i32(page.window);
    w.field(page.text, kTextField);
    putVoices(w, page.voices);
}

LogPage getLogPage(ByteReader& r) {
    LogPage page;
    page.window = r.i32();
    page.text = r.field(kTextField);
    page.voices = getVoices(r);
    return page;
}

void putButton(ByteWriter& w, const SystemButton& b) {
    for (std::int32_t v :
         {b.x, b.y, b.srcX, b.srcY, b.width, b.height, b.hitX, b.hitY, b.hitWidth, b.hitHeight})
        w.i32(v);
    w.u8(b.enabled);
    w.u8(b.shown);
    w.field(b.script, kNameField);
    w.zeros(2);
    w.i32(b.hoverChannel);
    w.i32(b.clickChannel);
    w.field(b.hoverSound, kNameField);
    w.field(b.clickSound, kNameField);
}

SystemButton getButton(ByteReader& r) {
    SystemButton b;
    for (std::int32_t* v : {&b.x, &b.y, &b.srcX, &b.srcY, &b.width, &b.height, &b.hitX, &b.hitY,
                            &b.hitWidth, &b.hitHeight})
        *v = r.i32();
    b.enabled = r.u8() != 0;
    b.shown = r.u8() != 0;
    b.script = r.field(kNameField);
    r.skip(2);
    b.hoverChannel = r.i32();
    b.clickChannel = r.i32();
    b.hoverSound = r.field(kNameField);
    b.clickSound = r.field(kNameField);
    return b;
}

void putHotspot(ByteWriter& w, const ClickableMapItem& i) {
    for (std::int32_t v :
         {i.x, i.y, i.width, i.height, i.srcX, i.srcY, i.srcWidth, i.srcHeight, i.chipX, i.chipY,
          i.chipWidth, i.chipHeight, i.chipSrcX, i.chipSrcY, i.chipSrcWidth, i.chipSrcHeight})
        w.i32(v);
    w.u8(i.enabled);
    w.zeros(3);
}

ClickableMapItem getHotspot(ByteReader& r) {
    ClickableMapItem i;
    for (std::int32_t* v : {&i.x, &i.y, &i.width, &i.height, &i.srcX, &i.srcY, &i.srcWidth,
                            &i.srcHeight, &i.chipX, &i.chipY, &i.chipWidth, &i.chipHeight,
                            &i.chipSrcX, &i.chipSrcY, &i.chipSrcWidth, &i.chipSrcHeight})
        *v = r.i32();
    i.enabled = r.u8() != 0;
    r.skip(3);
    return i;
}

void putChoice(ByteWriter& w, const ChoiceLine& c) {
    for (std::int32_t v : {c.x, c.y, c.width, c.height})
        w.i32(v);
    w.field(c.text, kNameField);
}

ChoiceLine getChoice(ByteReader& r) {
    ChoiceLine c;
    for (std::int32_t* v : {&c.x, &c.y, &c.width, &c.height})
        *v = r.i32();
    c.text = r.field(kNameField);
    return c;
}

void putAnimation(ByteWriter& w, const AnimationRecord& a) {
    for (std::int32_t v :
         {a.layer, a.x, a.y, a.srcX, a.srcY, a.width, a.height, a.frameCount, a.frame})
        w.i32(v);
    w.u8(a.enabled);
    w.zeros(3);
}

AnimationRecord getAnimation(ByteReader& r) {
    AnimationRecord a;
    for (std::int32_t* v :
         {&a.layer, &a.x, &a.y, &a.srcX, &a.srcY, &a.width, &a.height, &a.frameCount, &a.frame})
        *v = r.i32();
    a.enabled = r.u8() != 0;
    r.skip(3);
    a.frame = a.frameCount > 0 ? std::clamp(a.frame, 0, a.frameCount - 1) : 0;
    return a;
}

} // namespace vura::snapshot_records
