#include "text/text_state.hpp"

#include "text/font_system.hpp"

namespace vura {

TextState::TextState(Clock& clock) : animations{Animation(clock), Animation(clock)} {}

TextState::~TextState() = default;

MessageWindow* TextState::window(int number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= messageWindows.size())
        return nullptr;
    return messageWindows[static_cast<std::size_t>(number)].get();
}

} // namespace vura
