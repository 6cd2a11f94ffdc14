#pragma once
// A modal panel's surface on SDL: the main window, where the panel is drawn over the game's
// picture, or a small window of the panel's own for boxes shown before the main window exists.
// Events are taken straight from SDL's queue while the panel is open; nothing reaches the game.

#include "platform/platform.hpp"

#include <cstdint>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace vura {

// Converts a rectangle of the picture into the streaming texture at the same place; false when
// the texture cannot be written.
bool uploadToTexture(SDL_Texture* texture, const BgrImageView& picture, const Rect& r);
// Clears the window to black and draws the whole texture over it, scaled as the renderer says.
void renderTexture(SDL_Renderer* renderer, SDL_Texture* texture);

class SdlPanelSurface final : public PanelSurface {
public:
    // Over an existing window drawn by `renderer` into `texture` at a logical width x height.
    SdlPanelSurface(SDL_Window* window, SDL_Renderer* renderer, SDL_Texture* texture, int width,
                    int height);
    // A window of its own, width x height, centred, with the caption; check ok().
    SdlPanelSurface(std::string_view captionUtf8, int width, int height);
    ~SdlPanelSurface() override;
    SdlPanelSurface(const SdlPanelSurface&) = delete;
    SdlPanelSurface& operator=(const SdlPanelSurface&) = delete;

    bool ok() const { return texture_ != nullptr; }
    // An interrupt (SDL_QUIT) arrived while the panel was open; the platform quits afterwards.
    bool quitSeen() const { return quitSeen_; }

    int width() const override { return width_; }
    int height() const override { return height_; }
    void show(const BgrImageView& picture) override;
    bool nextEvent(PanelEvent& event, int timeoutMs) override;
    void textInput(bool on, const Rect& caret) override;

private:
    bool translate(const SDL_Event& e, PanelEvent& out);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool owned_ = false;
    bool quitSeen_ = false;
    bool textInputOn_ = false;
};

} // namespace vura
