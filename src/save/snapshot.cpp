#include "save/snapshot.hpp"

#include "core/command_signatures.hpp"
#include "save/snapshot_records.hpp"

#include <algorithm>
#include <cstring>

namespace vura {

using namespace snapshot_records;

namespace {

constexpr std::size_t kTitleField = 33;
constexpr std::size_t kDateField = 12;
constexpr std::size_t kWindowTitleField = 128;
constexpr std::size_t kFrameNameField = 128;
constexpr std::size_t kLogPagesKept = 100;

// The counts the main record gives the variable part.
struct Counts {
    std::int32_t windows = 0, channels = 0, layers = 0, masks = 0, logPages = 0, buttons = 0,
                 hotspots = 0, choices = 0;
};

void putMainHead(ByteWriter& w, const Snapshot& s) {
    w.field(s.windowTitle, kWindowTitleField);
    w.i32(s.screenWidth);
    w.i32(s.screenHeight);
    w.i32(s.reserved);
    w.u8(s.effectRunning);
    w.u8(s.scriptRunsDuringEffect);
    w.zeros(2);
    w.i32(static_cast<std::int32_t>(s.windows.size()));
    w.i32(static_cast<std::int32_t>(s.channels.size()));
    w.i32(s.packCount);
    putState(w, s.state);
    w.i32(s.savedTop);
    for (const SavedCommand& c : s.saved)
        putState(w, c);
    w.zeros(20);
    w.u8(s.rightClickEnabled);
    w.u8(s.skipMode);
    w.u8(s.windowsOnTop);
    w.zeros(9);
    w.i32(static_cast<std::int32_t>(s.layers.size()));
    w.i32(static_cast<std::int32_t>(s.masks.size()));
    for (int v : {s.tone.mode, s.tone.level, s.tone.shownMode, s.tone.shownLevel})
        w.i32(v);
}

void putMachine(ByteWriter& w, const Snapshot& s) {
    w.field(s.scriptName, kNameField);
    // Values above the top and frames above the frame top are written as zeros, so the same
    // state always gives the same bytes.
    for (int i = 0; i < ScriptVm::kStackSize; ++i) {
        const Value v = i <= s.top ? s.stack[static_cast<std::size_t>(i)] : Value{};
        w.u32(v.type);
        w.i32(v.value);
    }
    w.i32(s.top);
    for (int i = 0; i < ScriptVm::kFrameCount; ++i) {
        const CallFrame f = i <= s.frameTop ? s.frames[static_cast<std::size_t>(i)] : CallFrame{};
        w.field(f.scriptName, kFrameNameField);
        w.i32(f.returnPc);
        w.u8(f.resumeCommand);
        w.zeros(3);
    }
    w.i32(s.frameTop);
    w.i32(s.pc);
    for (std::uint32_t size : s.bankSizes)
        w.u32(size);
}

void putMainTail(ByteWriter& w, const Snapshot& s) {
    w.i32(static_cast<std::int32_t>(s.log.size()));
    for (std::int32_t v : s.history.values)
        w.i32(v);
    putVoices(w, s.voices);
    w.i32(static_cast<std::int32_t>(s.buttons.size()));
    w.i32(s.buttonLayer);
    w.i32(s.spaceButton);
    w.i32(s.wheelButton);
    w.i32(static_cast<std::int32_t>(s.hotspots.size()));
    w.i32(s.mapLayer);
    w.i32(s.mapHoverChannel);
    w.i32(s.mapClickChannel);
    w.field(s.mapHoverSound, kNameField);
    w.field(s.mapClickSound, kNameField);
    w.i32(static_cast<std::int32_t>(s.choices.size()));
    w.field(s.choiceStartText, kTextField);
    for (const AnimationRecord& a : s.animations)
        putAnimation(w, a);
}

void putVariable(ByteWriter& w, const Snapshot& s) {
    for (std::int32_t v : s.gameInts)
        w.i32(v);
    for (std::uint8_t f : s.gameFlags)
        w.u8(f != 0);
    for (const std::string& text : s.gameStrings) {
        w.u32(static_cast<std::uint32_t>(text.size()));
        w.raw(text);
    }
    for (const auto* table : {&s.layers, &s.shownLayers, &s.masks, &s.shownMasks})
        for (const LayerRecord& l : *table)
            putLayer(w, l);
    for (const ChannelRecord& c : s.channels)
        putChannel(w, c);
    for (const WindowRecord& win : s.windows)
        putWindow(w, win);
    for (const LogPage& page : s.log)
        putLogPage(w, page);
    for (const SystemButton& b : s.buttons)
        putButton(w, b);
    for (const ClickableMapItem& i : s.hotspots)
        putHotspot(w, i);
    for (const ChoiceLine& c : s.choices)
        putChoice(w, c);
}

bool validState(const SavedCommand& s) {
    return s.engineState >= 0 && s.engineState < kCommandCount && s.commandPhase >= 0 &&
           s.commandPhase < commandPhaseCount(s.engineState);
}

// The main record, up to the counts of the variable part.
void getMain(ByteReader& r, Snapshot& s, Counts& c) {
    s.windowTitle = r.field(kWindowTitleField);
    s.screenWidth = r.i32();
    s.screenHeight = r.i32();
    s.reserved = r.i32();
    s.effectRunning = r.u8() != 0;
    s.scriptRunsDuringEffect = r.u8() != 0;
    r.skip(2);
    c.windows = r.i32();
    c.channels = r.i32();
    s.packCount = r.i32();
    s.state = getState(r);
    s.savedTop = r.i32();
    for (SavedCommand& saved : s.saved)
        saved = getState(r);
    r.skip(20);
    s.rightClickEnabled = r.u8() != 0;
    s.skipMode = r.u8() != 0;
    s.windowsOnTop = r.u8() != 0;
    r.skip(9);
    c.layers = r.i32();
    c.masks = r.i32();
    for (int* v : {&s.tone.mode, &s.tone.level, &s.tone.shownMode, &s.tone.shownLevel})
        *v = r.i32();
    s.scriptName = r.field(kNameField);
    for (Value& v : s.stack) {
        v.type = r.u32();
        v.value = r.i32();
    }
    s.top = r.i32();
    for (CallFrame& f : s.frames) {
        f.scriptName = r.field(kFrameNameField);
        f.returnPc = r.i32();
        f.resumeCommand = r.u8() != 0;
        r.skip(3);
    }
    s.frameTop = r.i32();
    s.pc = r.i32();
    for (std::uint32_t& size : s.bankSizes)
        size = r.u32();
    c.logPages = r.i32();
    for (std::int32_t& v : s.history.values)
        v = r.i32();
    s.voices = getVoices(r);
    c.buttons = r.i32();
    s.buttonLayer = r.i32();
    s.spaceButton = r.i32();
    s.wheelButton = r.i32();
    c.hotspots = r.i32();
    s.mapLayer = r.i32();
    s.mapHoverChannel = r.i32();
    s.mapClickChannel = r.i32();
    s.mapHoverSound = r.field(kNameField);
    s.mapClickSound = r.field(kNameField);
    c.choices = r.i32();
    s.choiceStartText = r.field(kTextField);
    for (AnimationRecord& a : s.animations)
        a = getAnimation(r);
}

// What the main record's control fields allow: a state the engine can resume.
const char* checkControl(const Snapshot& s) {
    if (!validState(s.state))
        return "an engine state or phase no command has";
    if (s.top < -1 || s.top >= ScriptVm::kStackSize)
        return "a value-stack top outside the stack";
    if (s.frameTop < -1 || s.frameTop >= ScriptVm::kFrameCount)
        return "a call-frame top outside the frames";
    if (s.savedTop < -1 || s.savedTop >= kSavedCommandDepth)
        return "a saved-command top outside the stack";
    for (int i = 0; i <= s.savedTop; ++i)
        if (!validState(s.saved[static_cast<std::size_t>(i)]))
            return "a saved command no command has";
    return nullptr;
}

// The variable part's size in 64 bits, -1 when a count is negative. Game strings are counted as
// their length fields only; their bytes are checked as they are read.
std::int64_t fixedVariableSize(const Snapshot& s, const Counts& c) {
    const std::int64_t counts[] = {c.windows,  c.channels, c.layers,   c.masks,
                                   c.logPages, c.buttons,  c.hotspots, c.choices};
    for (std::int64_t n : counts)
        if (n < 0)
            return -1;
    std::int64_t size =
        4 * std::int64_t{s.bankSizes[0]} + s.bankSizes[1] + 4 * std::int64_t{s.bankSizes[2]};
    size += 2 * std::int64_t{kLayerRecordSize} * (c.layers + c.masks);
    size +=
        std::int64_t{kChannelRecordSize} * c.channels + std::int64_t{kWindowRecordSize} * c.windows;
    size +=
        std::int64_t{kLogPageRecordSize} * c.logPages + std::int64_t{kButtonRecordSize} * c.buttons;
    size +=
        std::int64_t{kHotspotRecordSize} * c.hotspots + std::int64_t{kChoiceRecordSize} * c.choices;
    return size;
}

template <typename T, typename Get>
void getRecords(ByteReader& r, std::int32_t count, std::vector<T>& out, Get get) {
    out.clear();
    for (std::int32_t i = 0; i < count && !r.failed(); ++i)
        out.push_back(get(r));
}

void getVariable(ByteReader& r, Snapshot& s, const Counts& c) {
    s.gameInts.assign(s.bankSizes[0], 0);
    for (std::int32_t& v : s.gameInts)
        v = r.i32();
    s.gameFlags.assign(s.bankSizes[1], 0);
    for (std::uint8_t& f : s.gameFlags)
        f = r.u8() != 0;
    s.gameStrings.assign(s.bankSizes[2], {});
    for (std::string& text : s.gameStrings) {
        std::uint32_t length = r.u32();
        text = length <= r.left() ? r.raw(length) : (r.skip(r.left() + 1), std::string());
    }
    getRecords(r, c.layers, s.layers, getLayer);
    getRecords(r, c.layers, s.shownLayers, getLayer);
    getRecords(r, c.masks, s.masks, getLayer);
    getRecords(r, c.masks, s.shownMasks, getLayer);
    getRecords(r, c.channels, s.channels, getChannel);
    getRecords(r, c.windows, s.windows, getWindow);
    getRecords(r, c.logPages, s.log, getLogPage);
    getRecords(r, c.buttons, s.buttons, getButton);
    getRecords(r, c.hotspots, s.hotspots, getHotspot);
    getRecords(r, c.choices, s.choices, getChoice);
    // The log keeps the last 100 pages.
    if (s.log.size() > kLogPagesKept)
        s.log.erase(s.log.begin(), s.log.end() - kLogPagesKept);
}

bool failWith(std::string* error, const char* what) {
    if (error)
        *error = what;
    return false;
}

} // namespace

std::vector<std::uint8_t> encodeSnapshot(const Snapshot& snapshot) {
    ByteWriter w;
    w.u32(0); // the size, filled in below
    w.field(snapshot.title, kTitleField);
    w.field(snapshot.date, kDateField);
    w.zeros(3);
    putMainHead(w, snapshot);
    putMachine(w, snapshot);
    putMainTail(w, snapshot);
    putVariable(w, snapshot);
    std::vector<std::uint8_t>& bytes = w.bytes();
    writeLe32(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return std::move(bytes);
}

std::optional<Snapshot> decodeSnapshot(std::span<const std::uint8_t> bytes, std::string* error) {
    if (bytes.size() < kSnapshotFixedSize) {
        failWith(error, "shorter than a snapshot's header and main record");
        return std::nullopt;
    }
    ByteReader r(bytes);
    const std::uint32_t size = r.u32();
    if (size < kSnapshotFixedSize || size > bytes.size()) {
        failWith(error, "a stated size outside the bytes there");
        return std::nullopt;
    }
    Snapshot s;
    s.title = r.field(kTitleField);
    s.date = r.field(kDateField);
    r.skip(3);
    Counts counts;
    getMain(r, s, counts);
    if (const char* wrong = checkControl(s)) {
        failWith(error, wrong);
        return std::nullopt;
    }
    const std::int64_t variable = fixedVariableSize(s, counts);
    const std::int64_t stated = std::int64_t{size} - std::int64_t{kSnapshotFixedSize};
    if (variable < 0 || variable > stated) {
        failWith(error, "counts that do not fit the stated size");
        return std::nullopt;
    }
    ByteReader rest(bytes.subspan(kSnapshotFixedSize, size - kSnapshotFixedSize));
    getVariable(rest, s, counts);
    if (rest.failed() || rest.left() != 0) {
        failWith(error, "a variable part that does not add up to the stated size");
        return std::nullopt;
    }
    return s;
}

void scrambleSnapshot(std::span<std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= static_cast<std::uint8_t>(i % 255);
}

std::optional<SlotParts> splitSlotFile(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0)
        return SlotParts{{}, file};
    // Chunks: length, type, data, CRC, up to and including IEND.
    std::size_t at = 8;
    for (;;) {
        if (file.size() - at < 12)
            return std::nullopt;
        const std::uint32_t chunk = (std::uint32_t{file[at]} << 24) |
                                    (std::uint32_t{file[at + 1]} << 16) |
                                    (std::uint32_t{file[at + 2]} << 8) | file[at + 3];
        if (chunk > file.size() - at - 12)
            return std::nullopt;
        const bool end = std::memcmp(file.data() + at + 4, "IEND", 4) == 0;
        at += 12 + std::size_t{chunk};
        if (end)
            return SlotParts{file.first(at), file.subspan(at)};
    }
}

std::optional<std::string> slotFileName(std::int32_t slot) {
    if (slot < 0)
        return std::nullopt;
    std::string number = std::to_string(slot);
    if (slot < 10)
        number = "0" + number;
    return "SAVE" + number + ".OVS";
}

int commandPhaseCount(int command) {
    switch (command) {
    case 14:
    case 15:
    case 70:
    case 92:
    case 96:
    case 99:
    case 109:
        return 2;
    case 60:
    case 79:
    case 82:
    case 97:
        return 3;
    case 44:
        return 5;
    default:
        return command >= 0 && command < kCommandCount ? 1 : 0;
    }
}

} // namespace vura
