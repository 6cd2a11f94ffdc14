#include "ui/message_panel.hpp"

#include "base/sjis.hpp"

#include <algorithm>

namespace vura {

namespace {

constexpr int kPadding = 16;
constexpr int kTextWidthMax = 448;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;
constexpr int kButtonGap = 12;
constexpr int kLineGap = 4;
constexpr int kWidthMin = 240;

struct Extent {
    int width;
    int height;
    std::vector<std::string> lines;
};

Extent extentOf(const PanelPainter& painter, std::string_view text, std::string_view caption,
                int buttons) {
    Extent e;
    e.lines = painter.wrap(text, kTextWidthMax);
    int widest = painter.textWidth(caption) + 16;
    for (const std::string& line : e.lines)
        widest = std::max(widest, painter.textWidth(line));
    const int buttonRow = buttons * kButtonWidth + (buttons - 1) * kButtonGap;
    e.width = std::max({kWidthMin, widest + 2 * kPadding, buttonRow + 2 * kPadding});
    e.height = painter.captionHeight() + kPadding +
               static_cast<int>(e.lines.size()) * (painter.cell() + kLineGap) + kPadding +
               kButtonHeight + kPadding;
    return e;
}

bool contains(const Rect& r, int x, int y) {
    return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

} // namespace

MessagePanel::MessagePanel(std::string_view textSjis, std::string_view captionSjis,
                           MessageBoxButtons buttons)
    : text_(textSjis), caption_(captionSjis) {
    if (buttons == MessageBoxButtons::YesNo) {
        buttons_ = {{sjis("はい"), MessageBoxAnswer::Yes, {}},
                    {sjis("いいえ"), MessageBoxAnswer::No, {}}};
        cancel_ = MessageBoxAnswer::No;
    } else {
        buttons_ = {{"OK", MessageBoxAnswer::Ok, {}}};
        cancel_ = MessageBoxAnswer::Ok;
    }
}

void MessagePanel::sizeFor(const PanelPainter& painter, std::string_view textSjis,
                           std::string_view captionSjis, MessageBoxButtons buttons, int& width,
                           int& height) {
    Extent e =
        extentOf(painter, textSjis, captionSjis, buttons == MessageBoxButtons::YesNo ? 2 : 1);
    width = e.width;
    height = e.height;
}

void MessagePanel::layout(const PanelPainter& painter, int width, int height) {
    const int count = static_cast<int>(buttons_.size());
    Extent e = extentOf(painter, text_, caption_, count);
    lines_ = std::move(e.lines);
    rect_ = {(width - e.width) / 2, (height - e.height) / 2, e.width, e.height};
    const int row = count * kButtonWidth + (count - 1) * kButtonGap;
    int x = rect_.x + (rect_.width - row) / 2;
    for (Button& b : buttons_) {
        b.rect = {x, rect_.y + rect_.height - kPadding - kButtonHeight, kButtonWidth,
                  kButtonHeight};
        x += kButtonWidth + kButtonGap;
    }
}

int MessagePanel::buttonAt(int x, int y) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (contains(buttons_[i].rect, x, y))
            return static_cast<int>(i);
    return -1;
}

std::optional<MessageBoxAnswer> MessagePanel::handle(const PanelEvent& e) {
    const int count = static_cast<int>(buttons_.size());
    switch (e.kind) {
    case PanelEvent::Kind::Close:
        return cancel_;
    case PanelEvent::Kind::Key:
        switch (e.key) {
        case PanelKey::Return:
        case PanelKey::Space:
            return buttons_[static_cast<std::size_t>(focus_)].answer;
        case PanelKey::Escape:
            return cancel_;
        case PanelKey::Tab:
            focus_ = (focus_ + (e.shift ? count - 1 : 1)) % count;
            break;
        case PanelKey::Left:
        case PanelKey::Up:
            focus_ = (focus_ + count - 1) % count;
            break;
        case PanelKey::Right:
        case PanelKey::Down:
            focus_ = (focus_ + 1) % count;
            break;
        default:
            break;
        }
        return std::nullopt;
    case PanelEvent::Kind::MouseDown:
        if (e.button == 0) {
            pressed_ = buttonAt(e.x, e.y);
            if (pressed_ >= 0)
                focus_ = pressed_;
        }
        return std::nullopt;
    case PanelEvent::Kind::MouseUp: {
        const int pressed = pressed_;
        pressed_ = -1;
        if (e.button == 0 && pressed >= 0 && buttonAt(e.x, e.y) == pressed)
            return buttons_[static_cast<std::size_t>(pressed)].answer;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void MessagePanel::draw(Surface& target, PanelPainter& painter) const {
    painter.frame(target, rect_, caption_);
    int y = rect_.y + painter.captionHeight() + kPadding;
    for (const std::string& line : lines_) {
        painter.text(target, rect_.x + kPadding, y, line, PanelColour{16, 16, 24});
        y += painter.cell() + kLineGap;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        painter.button(target, buttons_[i].rect, buttons_[i].label, static_cast<int>(i) == focus_,
                       static_cast<int>(i) == pressed_);
}

} // namespace vura
