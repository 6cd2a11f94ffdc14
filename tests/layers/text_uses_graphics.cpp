// What a text mechanism may include: its own layer's and those below it.
#include "base/sjis.hpp"
#include "graphics/surface.hpp"
#include "platform/frame_timer.hpp"
#include "text/message_window.hpp"

int main() {
    return 0;
}
