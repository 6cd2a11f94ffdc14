#pragma once
// The script's side of text: the commands that create and describe the message windows and the
// two animations, the message command with its log, skipping and voice, the peek at the picture
// without the text, and the small option commands the message command reads.

#include <string_view>

namespace vura {

class Engine;
class FontSystem;
struct MessageWindow;

// The engine's fonts, opened at the first call. A font file forced on the command line that
// cannot be opened is reported in a warning box, and the fonts are then matched by name.
FontSystem& Fonts(Engine& engine);

// Draws the window's page text again into its target surface from the top-left of its screen
// rectangle, on a copy of the window; the window itself does not change.
void RedrawPage(Engine& engine, MessageWindow& window);

// Erases the animation's previous frame (its rectangle back from the work surface), draws the
// current frame through the layer's mask (a plain copy when the layer has no mask), steps the
// frame and presents the rectangle. Nothing for an animation number outside the two.
void DrawAnimationFrame(Engine& engine, int animation, int x, int y);

namespace commands {

// Setup of the windows and the animations.
int SetMessageWindowCount(Engine& engine);        // 29
int SetMessageFont(Engine& engine);               // 30
int SetMessageFontStyle(Engine& engine);          // 31
int SetMessageAntialias(Engine& engine);          // 32
int SetMessageBottomAlign(Engine& engine);        // 33
int SetMessageShadow(Engine& engine);             // 34
int SetMessageTextColor(Engine& engine);          // 35
int SetMessageShadowColor(Engine& engine);        // 36
int SetMessageShadowOffset(Engine& engine);       // 37
int SetMessageWindowRect(Engine& engine);         // 38
int SetMessageHooks(Engine& engine);              // 39
int SetMessageHangingPunctuation(Engine& engine); // 40
int SetMessageBracketIndent(Engine& engine);      // 41
int SetMessageLogPages(Engine& engine);           // 42
int SetMessageSpeed(Engine& engine);              // 43
int SetMessageWindowVoiceChannel(Engine& engine); // 52
int SetMessageWindowInstant(Engine& engine);      // 53
int SetWindowsOnTop(Engine& engine);              // 86
int SetSpaceButton(Engine& engine);               // 87
int SetWheelButton(Engine& engine);               // 88
int SetAnimationEnabled(Engine& engine);          // 89
int SetAnimation(Engine& engine);                 // 90

// Options the message command reads, the display mode and the message box.
int SetLayerHidden(Engine& engine);        // 61
int SetWindowModeVariable(Engine& engine); // 62
int SetEffectVariable(Engine& engine);     // 63
int SetNoWaitVariable(Engine& engine);     // 64
int ApplyWindowMode(Engine& engine);       // 66
int SetRightClickEnabled(Engine& engine);  // 73
int SetSkipAllVariable(Engine& engine);    // 74
int SetMessageSpacing(Engine& engine);     // 75
int StartSkipMode(Engine& engine);         // 76
int ShowMessageBox(Engine& engine);        // 77

// The message command and what goes with it.
int MessageFlowReady(Engine& engine);  // 44
int MessageWindowPeek(Engine& engine); // 60
int ReplayMsgBoxSound(Engine& engine); // 112

} // namespace commands

} // namespace vura
