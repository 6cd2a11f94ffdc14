#pragma once
// The per-tick step of a running screen transition and the redraw of what stays on top of it.

namespace vura {

class Engine;

// Advances the current layer set's transition by one step; true when it has completed.
bool RunTransitionStep(Engine& engine);

// After a step, redraws onto the screen what must stay above the picture: the choice menu when
// one is active, otherwise every message window showing text.
void RedrawWindowsOnTop(Engine& engine);

} // namespace vura
