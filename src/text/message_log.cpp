#include "text/message_log.hpp"

#include "base/sjis.hpp"

#include <algorithm>

namespace vura {

void MessageLog::AddPage(int window, std::string_view pageText) {
    if (pages_.size() >= kLogPagesMax)
        pages_.pop_front();
    pages_.push_back(
        LogPage{window, std::string(sjisPrefix(pageText, kLogPageTextMax)), std::move(voices_)});
    voices_ = PageVoiceList{};
    cursor_ = std::min<int>(cursor_, static_cast<int>(pages_.size()));
}

void MessageLog::AddVoice(int x, int y, std::string_view name) {
    if (voices_.count >= kPageVoicesMax)
        return;
    voices_.slots[static_cast<std::size_t>(voices_.count++)] =
        PageVoice{x, y, std::string(sjisPrefix(name, kVoiceNameMax))};
}

void MessageLog::Clear() {
    pages_.clear();
    voices_ = PageVoiceList{};
    cursor_ = 0;
}

void MessageLog::SetCursor(int fromNewest) {
    cursor_ = pages_.empty() ? 0 : std::clamp(fromNewest, 1, static_cast<int>(pages_.size()));
}

void MessageLog::CursorOlder() {
    if (cursor_ > 0 && cursor_ < static_cast<int>(pages_.size()))
        ++cursor_;
}

void MessageLog::CursorNewer() {
    if (cursor_ > 1)
        --cursor_;
}

const LogPage* MessageLog::cursorPage() const {
    if (cursor_ <= 0 || cursor_ > static_cast<int>(pages_.size()))
        return nullptr;
    return &pages_[pages_.size() - static_cast<std::size_t>(cursor_)];
}

void MessageLog::restore(std::deque<LogPage> pages, PageVoiceList voices) {
    while (pages.size() > kLogPagesMax)
        pages.pop_front();
    pages_ = std::move(pages);
    voices_ = std::move(voices);
    cursor_ = 0;
}

} // namespace vura
