#pragma once
// A snapshot of the play state, as a slot file keeps it: a 52-byte header (size, title, date), a
// 13348-byte main record and a variable part of records whose counts the main record gives,
// little-endian, every byte at position i XORed with i mod 255. A slot file is an optional PNG
// thumbnail followed by the scrambled snapshot.
//
// This holds the snapshot as values and turns it into bytes and back. What goes in and where it
// comes back to in the engine is the engine's business (save/save_state.cpp).

#include "core/script_state.hpp"
#include "core/script_vm.hpp"
#include "graphics/layer_set.hpp"
#include "text/message_log.hpp"
#include "text/message_window.hpp"
#include "ui/choice_menu.hpp"
#include "ui/clickable_map.hpp"
#include "ui/system_buttons.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vura {

inline constexpr std::size_t kSnapshotHeaderSize = 52;
inline constexpr std::size_t kMainRecordSize = 13348;
inline constexpr std::size_t kSnapshotFixedSize = kSnapshotHeaderSize + kMainRecordSize;
inline constexpr std::size_t kLayerRecordSize = 104;
inline constexpr std::size_t kChannelRecordSize = 76;
inline constexpr std::size_t kWindowRecordSize = 2288;
inline constexpr std::size_t kLogPageRecordSize = 1608;
inline constexpr std::size_t kButtonRecordSize = 244;
inline constexpr std::size_t kHotspotRecordSize = 68;
inline constexpr std::size_t kChoiceRecordSize = 80;
inline constexpr std::size_t kSaveTitleMax = 32;

// One entry of a layer or mask table as saved: everything but the picture, which comes back by
// its name.
struct LayerRecord {
    std::int32_t maskIndex = -1;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string name;
    std::int32_t blendMode = -1;
    std::int32_t blendLevel = 0;
    bool visible = false;
    bool hideInPeek = false;

    bool operator==(const LayerRecord&) const = default;
};

struct ChannelRecord {
    std::int32_t pack = -1;
    std::int32_t volumePercent = 100;
    std::string name;
    bool streaming = false;
    bool wasLooping = false; // its buffer played in a loop when the game was saved

    bool operator==(const ChannelRecord&) const = default;
};

// A message window: its settings whole, and its page as it stood.
struct WindowRecord {
    std::uint32_t characterInterval = 16;
    MessageWindowSettings settings;
    Pen pen;
    std::int32_t readPosition = -1;
    std::int32_t textLength = 0;
    std::string pageText;
    std::array<char, kMessageTextCapacity> text{};
    std::string voiceName;
    bool halfWidth = false;
    std::int32_t bracketDepth = 0;

    bool operator==(const WindowRecord&) const = default;
};

struct AnimationRecord {
    std::int32_t layer = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t srcX = 0;
    std::int32_t srcY = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t frameCount = 0;
    std::int32_t frame = 0;
    bool enabled = false;

    bool operator==(const AnimationRecord&) const = default;
};

// The message history viewer's settings, kept with the log.
struct HistoryRecord {
    std::array<std::int32_t, 7> values{};
    bool operator==(const HistoryRecord&) const = default;
};

struct Snapshot {
    // The header.
    std::string title; // at most 32 bytes
    std::string date;  // "MM/DD hh:mm"

    // The main record.
    std::string windowTitle;
    std::int32_t screenWidth = 640;
    std::int32_t screenHeight = 480;
    std::int32_t reserved = 0;
    bool effectRunning = false;
    bool scriptRunsDuringEffect = false;
    std::int32_t packCount = 0;
    SavedCommand state;
    std::int32_t savedTop = -1;
    std::array<SavedCommand, kSavedCommandDepth> saved{};
    bool rightClickEnabled = false;
    bool skipMode = false;
    bool windowsOnTop = false;
    ScreenTone tone;
    std::string scriptName;
    std::array<Value, ScriptVm::kStackSize> stack{};
    std::int32_t top = -1;
    std::array<CallFrame, ScriptVm::kFrameCount> frames{};
    std::int32_t frameTop = -1;
    std::int32_t pc = 0;
    // In the layout file's order: game ints, flags and strings, constant ints, flags and
    // strings, common ints and flags.
    std::array<std::uint32_t, 8> bankSizes{};
    HistoryRecord history;
    PageVoiceList voices;
    std::int32_t buttonLayer = -1;
    std::int32_t spaceButton = -1;
    std::int32_t wheelButton = -1;
    std::int32_t mapLayer = -1;
    std::int32_t mapHoverChannel = -1;
    std::int32_t mapClickChannel = -1;
    std::string mapHoverSound;
    std::string mapClickSound;
    std::string choiceStartText;
    std::array<AnimationRecord, 2> animations{};

    // The variable part.
    std::vector<std::int32_t> gameInts;
    std::vector<std::uint8_t> gameFlags;
    std::vector<std::string> gameStrings;
    std::vector<LayerRecord> layers;
    std::vector<LayerRecord> shownLayers;
    std::vector<LayerRecord> masks;
    std::vector<LayerRecord> shownMasks;
    std::vector<ChannelRecord> channels;
    std::vector<WindowRecord> windows;
    std::vector<LogPage> log;
    std::vector<SystemButton> buttons;
    std::vector<ClickableMapItem> hotspots;
    std::vector<ChoiceLine> choices;
};

// The snapshot's bytes, header first, not scrambled; the header's size is the byte count.
std::vector<std::uint8_t> encodeSnapshot(const Snapshot& snapshot);

// Reads an unscrambled snapshot, checking every count and length against the bytes there and
// the control fields against what the engine can resume (engine state 0 to 118 with a phase its
// command has, stack, frame and saved-command tops inside their arrays). Cosmetic fields are
// brought into range (a voice list's count, an animation's frame, a window's read position, more
// than 100 log pages). Nothing, with `error` set, when the snapshot cannot be used.
std::optional<Snapshot> decodeSnapshot(std::span<const std::uint8_t> bytes, std::string* error);

// XORs every byte with its position modulo 255; scrambling twice gives the bytes back.
void scrambleSnapshot(std::span<std::uint8_t> bytes);

// A slot file's two parts: the PNG thumbnail, when the file starts with the PNG signature (its
// chunks walked up to and including IEND), and the scrambled snapshot after it.
struct SlotParts {
    std::span<const std::uint8_t> thumbnail;
    std::span<const std::uint8_t> snapshot;
};
std::optional<SlotParts> splitSlotFile(std::span<const std::uint8_t> file);

// "SAVE07.OVS" for slot 7, "SAVE12.OVS" for slot 12; nothing for a negative slot.
std::optional<std::string> slotFileName(std::int32_t slot);

// The number of phases a command's handler has, for checking a saved state: 1 for a command
// that completes in one call.
int commandPhaseCount(int command);

} // namespace vura
