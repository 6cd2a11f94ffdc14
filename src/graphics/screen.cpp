#include "graphics/screen.hpp"

#include "core/engine.hpp"

namespace vura {

void presentScreen(Engine& engine) {
    presentScreenRect(engine, {0, 0, engine.screenWidth, engine.screenHeight});
}

void presentScreenRect(Engine& engine, const ScreenRect& area) {
    if (!engine.screenSurface || engine.screenSurface->empty())
        return;
    engine.platform.present(engine.screenSurface->view(), area);
}

} // namespace vura
