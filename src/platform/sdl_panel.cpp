#include "platform/sdl_panel.hpp"

#include "platform/pixel_convert.hpp"

#include <string>

// clang-format off
#include <SDL.h>
// clang-format on

namespace vura {

namespace {

PanelKey panelKeyOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return PanelKey::Return;
    case SDLK_ESCAPE:
        return PanelKey::Escape;
    case SDLK_TAB:
        return PanelKey::Tab;
    case SDLK_SPACE:
        return PanelKey::Space;
    case SDLK_BACKSPACE:
        return PanelKey::Backspace;
    case SDLK_DELETE:
        return PanelKey::Delete;
    case SDLK_LEFT:
        return PanelKey::Left;
    case SDLK_RIGHT:
        return PanelKey::Right;
    case SDLK_UP:
        return PanelKey::Up;
    case SDLK_DOWN:
        return PanelKey::Down;
    case SDLK_HOME:
        return PanelKey::Home;
    case SDLK_END:
        return PanelKey::End;
    default:
        return PanelKey::Other;
    }
}

} // namespace

SdlPanelSurface::SdlPanelSurface(SDL_Window* window, SDL_Renderer* renderer, SDL_Texture* texture,
                                 int width, int height)
    : window_(window), renderer_(renderer), texture_(texture), width_(width), height_(height) {}

SdlPanelSurface::SdlPanelSurface(std::string_view captionUtf8, int width, int height)
    : width_(width), height_(height), owned_(true) {
    window_ = SDL_CreateWindow(std::string(captionUtf8).c_str(), SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, width, height, 0);
    if (!window_)
        return;
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture_)
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_RaiseWindow(window_);
}

SdlPanelSurface::~SdlPanelSurface() {
    if (textInputOn_)
        SDL_StopTextInput();
    if (!owned_)
        return;
    if (texture_)
        SDL_DestroyTexture(texture_);
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    if (window_)
        SDL_DestroyWindow(window_);
}

bool uploadToTexture(SDL_Texture* texture, const BgrImageView& picture, const Rect& r) {
    SDL_Rect rect{r.x, r.y, r.width, r.height};
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture, &rect, &pixels, &pitch) != 0)
        return false;
    convertBgrToXrgb(picture, r, static_cast<std::uint8_t*>(pixels), pitch);
    SDL_UnlockTexture(texture);
    return true;
}

void renderTexture(SDL_Renderer* renderer, SDL_Texture* texture) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

void SdlPanelSurface::show(const BgrImageView& picture) {
    if (!texture_ || !picture.pixels)
        return;
    const Rect r = clipRect({0, 0, width_, height_}, picture.width, picture.height);
    if (r.width > 0 && r.height > 0 && uploadToTexture(texture_, picture, r))
        renderTexture(renderer_, texture_);
}

bool SdlPanelSurface::translate(const SDL_Event& e, PanelEvent& out) {
    const Uint32 id = window_ ? SDL_GetWindowID(window_) : 0;
    out = PanelEvent{};
    switch (e.type) {
    case SDL_QUIT:
        quitSeen_ = true;
        out.kind = PanelEvent::Kind::Close;
        return true;
    case SDL_WINDOWEVENT:
        if (e.window.windowID != id)
            return false;
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
            out.kind = PanelEvent::Kind::Close;
            return true;
        }
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
            e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            renderTexture(renderer_, texture_);
            out.kind = PanelEvent::Kind::Redraw;
            return true;
        }
        return false;
    case SDL_KEYDOWN:
        out.kind = PanelEvent::Kind::Key;
        out.key = panelKeyOf(e.key.keysym.sym);
        out.shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
        out.ms = e.key.timestamp;
        return true;
    case SDL_TEXTINPUT:
        out.kind = PanelEvent::Kind::Text;
        out.text = e.text.text;
        out.ms = e.text.timestamp;
        return true;
    case SDL_TEXTEDITING:
        out.kind = PanelEvent::Kind::Editing;
        out.text = e.edit.text;
        out.cursor = e.edit.start;
        out.ms = e.edit.timestamp;
        return true;
    case SDL_TEXTEDITING_EXT:
        out.kind = PanelEvent::Kind::Editing;
        if (e.editExt.text) {
            out.text = e.editExt.text;
            SDL_free(e.editExt.text);
        }
        out.cursor = e.editExt.start;
        out.ms = e.editExt.timestamp;
        return true;
    case SDL_MOUSEMOTION:
        out.kind = PanelEvent::Kind::MouseMove;
        out.x = e.motion.x;
        out.y = e.motion.y;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        out.kind =
            e.type == SDL_MOUSEBUTTONDOWN ? PanelEvent::Kind::MouseDown : PanelEvent::Kind::MouseUp;
        out.button = e.button.button == SDL_BUTTON_LEFT    ? 0
                     : e.button.button == SDL_BUTTON_RIGHT ? 1
                                                           : 2;
        out.x = e.button.x;
        out.y = e.button.y;
        out.ms = e.button.timestamp;
        return true;
    default:
        return false;
    }
}

bool SdlPanelSurface::nextEvent(PanelEvent& event, int timeoutMs) {
    const Uint32 start = SDL_GetTicks();
    SDL_Event e;
    for (;;) {
        const Uint32 spent = SDL_GetTicks() - start;
        const int left =
            timeoutMs > static_cast<int>(spent) ? timeoutMs - static_cast<int>(spent) : 0;
        if (!SDL_WaitEventTimeout(&e, left))
            return false;
        if (translate(e, event))
            return true;
    }
}

void SdlPanelSurface::textInput(bool on, const Rect& caret) {
    if (!on) {
        if (textInputOn_)
            SDL_StopTextInput();
        textInputOn_ = false;
        return;
    }
    // The candidate window goes beside the caret, in the window's own coordinates: through the
    // renderer's scale and letterbox.
    int x0 = caret.x, y0 = caret.y, x1 = caret.x + caret.width, y1 = caret.y + caret.height;
    if (renderer_) {
        SDL_RenderLogicalToWindow(renderer_, static_cast<float>(caret.x),
                                  static_cast<float>(caret.y), &x0, &y0);
        SDL_RenderLogicalToWindow(renderer_, static_cast<float>(caret.x + caret.width),
                                  static_cast<float>(caret.y + caret.height), &x1, &y1);
    }
    SDL_Rect rect{x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)};
    SDL_SetTextInputRect(&rect);
    if (!textInputOn_)
        SDL_StartTextInput();
    textInputOn_ = true;
}

} // namespace vura
