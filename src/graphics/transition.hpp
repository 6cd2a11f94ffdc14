#pragma once
// The screen transitions: their six types, the state a transition starts from and the step that
// draws it at its progress. The tick paces the steps with the layer set's step timer.

#include <array>

namespace vura {

class LayerSet;

enum TransitionType : int {
    kCrossfade = 0,
    kRuleCrossfade = 1,
    kVerticalStripes = 2,
    kHorizontalStripes = 3,
    kStaggeredVerticalStripes = 4,
    kStaggeredHorizontalStripes = 5,
};

// Sets the layer set's transition going from progress 0: its limit and step from the type and
// duration (in steps). False for a type outside 0 to 5. A crossfade longer than 256 steps
// steps by 1, and a rule crossfade of duration 1 behaves like duration 0, rather than never
// moving or dividing by zero.
bool startTransition(LayerSet& set, int type, int duration, int ruleIndex);

// Draws the transition at its progress, then advances it; true once the step at the limit has
// been drawn. Crossfades mix the old and the new picture over the clip rectangle; stripes copy
// columns or rows of the new picture onto the screen.
bool stepTransitionOnce(LayerSet& set);

} // namespace vura
