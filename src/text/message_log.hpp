#pragma once
// The pages that went by: the last 100 finished pages of every message window, each with the
// voices that started on it, for the log viewer and the save files.

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace vura {

inline constexpr std::size_t kLogPagesMax = 100;
inline constexpr int kPageVoicesMax = 8;
inline constexpr std::size_t kLogPageTextMax = 1023; // bytes, without the terminating NUL
inline constexpr std::size_t kVoiceNameMax = 63;

// Where on its page a voice started (pen x, and pen y from the text area's top) and its name;
// a free slot has -1, -1 and no name.
struct PageVoice {
    int x = -1;
    int y = -1;
    std::string name;
    bool operator==(const PageVoice&) const = default;
};

struct PageVoiceList {
    int count = 0;
    std::array<PageVoice, kPageVoicesMax> slots{};
    bool operator==(const PageVoiceList&) const = default;
};

struct LogPage {
    int window = 0;
    std::string text; // the window's page text when the page ended, at most 1023 bytes
    PageVoiceList voices;
    bool operator==(const LogPage&) const = default;
};

class MessageLog {
public:
    // Appends the page as the newest, dropping the oldest when 100 are kept, with the voices
    // recorded since the last page; the voice list then starts empty.
    void AddPage(int window, std::string_view pageText);
    // Records a voice on the current page; a ninth voice is not recorded. Names are cut to 63
    // bytes.
    void AddVoice(int x, int y, std::string_view name);
    void Clear();

    // The browsing cursor: n entries back from the newest (1 is the newest), clamped to the
    // pages there are; 0 when the log is empty.
    void SetCursor(int fromNewest);
    void CursorOlder();
    void CursorNewer();
    int cursor() const { return cursor_; }
    const LogPage* cursorPage() const;

    const std::deque<LogPage>& pages() const { return pages_; }
    const PageVoiceList& currentVoices() const { return voices_; }
    // For a save being loaded: the pages and the current voice list as they were stored.
    void restore(std::deque<LogPage> pages, PageVoiceList voices);

private:
    std::deque<LogPage> pages_;
    PageVoiceList voices_;
    int cursor_ = 0; // 1-based from the newest; 0 = nowhere
};

} // namespace vura
