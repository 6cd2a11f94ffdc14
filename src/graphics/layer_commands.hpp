#pragma once
// The commands that fill and adjust the current layer set's tables: sizes, pictures, placement,
// masks, blend modes, the clip rectangle, the transition interval and the screen tone. None of
// them draws; the picture changes when a script asks for it to be shown.

namespace vura {

class Engine;

namespace commands {

int SetLayerCount(Engine& engine);       // 16
int SetMaskCount(Engine& engine);        // 17
int LoadLayer(Engine& engine);           // 18
int LoadMask(Engine& engine);            // 19
int SetLayerVisible(Engine& engine);     // 20
int SetLayerPosition(Engine& engine);    // 21
int SetLayerSourceRect(Engine& engine);  // 22
int SetLayerMask(Engine& engine);        // 23
int SetLayerBlend(Engine& engine);       // 24
int SetClipRect(Engine& engine);         // 25
int SetEffectInterval(Engine& engine);   // 27
int SetScreenTone(Engine& engine);       // 28
int ReleaseLayerPicture(Engine& engine); // 106
int ReleaseMaskPicture(Engine& engine);  // 111

} // namespace commands

// The most layers or masks a script may ask for; a larger count ends the game with a message
// rather than exhausting the memory.
inline constexpr int kMaxLayerCount = 65536;

} // namespace vura
