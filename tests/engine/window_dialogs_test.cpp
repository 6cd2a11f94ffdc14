// The engine's own panels in a real window, inside their own Xvfb server: the name dialog typed
// into with text-input events as an input method sends them, its confirmation answered with the
// keyboard, and the quit confirmation answered with the keyboard and with a click.

#include "base/sjis.hpp"
#include "core/engine.hpp"
#include "platform/sdl_platform.hpp"
#include "support/test_game.hpp"
#include "ui/message_panel.hpp"
#include "ui/modal_panels.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

// clang-format off
#include <SDL.h>
// clang-format on

namespace vura {
namespace {

using namespace std::chrono_literals;

// Events as SDL delivers them from the desktop, pushed from the test's own thread.
void key(SDL_Keycode code) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = code;
    e.key.timestamp = SDL_GetTicks();
    SDL_PushEvent(&e);
}
void text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    e.text.timestamp = SDL_GetTicks();
    SDL_PushEvent(&e);
}
void editing(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTEDITING;
    std::strncpy(e.edit.text, utf8, sizeof e.edit.text - 1);
    e.edit.timestamp = SDL_GetTicks();
    SDL_PushEvent(&e);
}
void click(int x, int y) {
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }
}
void closeWindow() {
    for (Uint32 id = 1; id < 16; ++id)
        if (SDL_GetWindowFromID(id)) {
            SDL_Event e{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_CLOSE;
            e.window.windowID = id;
            SDL_PushEvent(&e);
            return;
        }
}

// Where the quit confirmation's はい lies: the box's layout needs no glyphs.
Rect yesButtonOfQuitBox() {
    struct NoGlyphs : GlyphSource {
        bool rasterize(const FontDescription&, int, std::uint16_t, GlyphBitmap&) override {
            return false;
        }
    } none;
    PanelPainter painter(none, 16);
    int w = 0, h = 0;
    MessagePanel::sizeFor(painter, sjis("終了します。よろしいですか？"), sjis("終了確認"),
                          MessageBoxButtons::YesNo, w, h);
    // The buttons sit centred along the bottom, はい first.
    const int x = (640 - w) / 2 + (w - (2 * 96 + 12)) / 2;
    const int y = (480 - h) / 2 + h - 16 - 28;
    return {x, y, 96, 28};
}

TEST(WindowDialogs, NameTypedThroughTheInputMethodAndTheQuitConfirmation) {
    test::TestGame game;
    game.layout();
    game.script("INIT", "call NameEntryDialog(\"山田\", \"太郎\", gs[0], gs[1])\n"
                        "call WaitClick(0)\n");
    SdlPlatform platform;
    EngineConfig config;
    config.gameDirectory = game.path();
    config.saveDirectory = game.path() / "sav";
    Engine engine(platform, config);
    ASSERT_TRUE(InitEngine(engine));
    ASSERT_TRUE(StartScript(engine));

    std::thread player([] {
        std::this_thread::sleep_for(1500ms); // the dialog is up
        key(SDLK_BACKSPACE);
        key(SDLK_BACKSPACE);
        editing("すずき");
        key(SDLK_RETURN); // the input method's: the dialog stays
        text("鈴木");
        key(SDLK_RETURN); // came with the commit: still no OK
        key(SDLK_TAB);
        key(SDLK_END);
        key(SDLK_BACKSPACE);
        key(SDLK_BACKSPACE);
        text("ハル");
        std::this_thread::sleep_for(300ms);
        key(SDLK_RETURN); // OK
        std::this_thread::sleep_for(500ms);
        key(SDLK_RETURN); // はい to the confirmation
        std::this_thread::sleep_for(1000ms);
        closeWindow();
        std::this_thread::sleep_for(500ms);
        key(SDLK_TAB);
        key(SDLK_RETURN); // いいえ: the game goes on
        std::this_thread::sleep_for(800ms);
        closeWindow();
        std::this_thread::sleep_for(500ms);
        const Rect yes = yesButtonOfQuitBox();
        click(yes.x + yes.width / 2, yes.y + yes.height / 2);
    });
    const auto start = std::chrono::steady_clock::now();
    RunMainLoop(engine, 15000);
    const auto took = std::chrono::steady_clock::now() - start;
    player.join();
    EXPECT_EQ(engine.script.vm->gameStrings[0], sjis("鈴木"));
    EXPECT_EQ(engine.script.vm->gameStrings[1], sjis("ハル"));
    // The click on はい ended the game long before the time limit.
    EXPECT_LT(took, 12s);
    ShutdownEngine(engine);
}

TEST(WindowDialogs, ABoxBeforeTheMainWindowHasASmallWindowOfItsOwn) {
    SdlPlatform platform;
    ASSERT_TRUE(platform.registerWindowClass("vura-test"));
    Engine engine(platform, {});
    std::unique_ptr<BoxPainter> painter = MakeBoxPainter(engine);
    platform.setBoxPainter(painter.get());
    std::thread player([] {
        std::this_thread::sleep_for(1000ms);
        key(SDLK_RIGHT);
        key(SDLK_SPACE);
    });
    EXPECT_EQ(platform.messageBox(BoxOwner::NoWindow, sjis("起動に失敗しました"), "error",
                                  MessageBoxButtons::YesNo),
              MessageBoxAnswer::No);
    player.join();
    platform.setBoxPainter(nullptr);
}

} // namespace
} // namespace vura
