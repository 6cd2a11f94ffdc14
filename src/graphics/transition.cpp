#include "graphics/transition.hpp"

#include "base/rect.hpp"
#include "graphics/blend.hpp"
#include "graphics/layer_set.hpp"

#include <algorithm>
#include <initializer_list>

namespace vura {

namespace {

// The clip rectangle cut to the surfaces a crossfade reads and writes.
BlendRect clipWithin(const LayerSet& set, std::initializer_list<const Surface*> surfaces) {
    const Rect& c = set.clipRect;
    CopyRegion region(c.x, c.y, c.width, c.height, c.x, c.y);
    for (const Surface* s : surfaces)
        region.clipDestination(boundsOf(s->width(), s->height()));
    return region.toBlendRect();
}

bool usable(const Surface* s) {
    return s && !s->empty() && s->bitsPerPixel() == 24;
}

} // namespace

bool startTransition(LayerSet& set, int type, int duration, int ruleIndex) {
    TransitionState& t = set.transition;
    if (type < kCrossfade || type > kStaggeredHorizontalStripes)
        return false;
    t = {};
    t.type = type;
    t.ruleIndex = ruleIndex;
    switch (type) {
    case kCrossfade:
        t.limit = 256;
        t.step = duration <= 0 ? 256 : std::max(1, 256 / duration);
        break;
    case kRuleCrossfade:
        t.limit = 511;
        t.step = duration / 2 <= 0 ? 256 : std::max(1, 256 / (duration / 2));
        break;
    case kVerticalStripes:
    case kHorizontalStripes:
        t.limit = 16;
        t.step = 1;
        break;
    default:
        t.limit = 56;
        t.step = 1;
        break;
    }
    return true;
}

bool stepTransitionOnce(LayerSet& set) {
    TransitionState& t = set.transition;
    Surface* screen = set.screenSurface;
    Surface* work = set.workSurface;
    Surface* previous = set.previousSurface;
    const Rect& clip = set.clipRect;
    const int p = t.progress;
    if (usable(screen) && usable(work)) {
        switch (t.type) {
        case kCrossfade:
            if (usable(previous)) {
                BlendRect r = clipWithin(set, {screen, work, previous});
                crossfade(*screen, r, *previous, *work, p);
            }
            break;
        case kRuleCrossfade: {
            const Layer* rule = set.mask(t.ruleIndex);
            const Surface* rulePicture = rule ? rule->surface.get() : nullptr;
            if (!usable(previous))
                break;
            if (usable(rulePicture)) {
                BlendRect r = clipWithin(set, {screen, work, previous, rulePicture});
                ruleBlend(*screen, r, *work, *previous, *rulePicture, p);
            } else {
                // Without a rule picture the change runs as a plain crossfade of the same
                // length rather than not at all.
                BlendRect r = clipWithin(set, {screen, work, previous});
                crossfade(*screen, r, *previous, *work, std::min(256, p * 256 / 511));
            }
            break;
        }
        case kVerticalStripes:
        case kStaggeredVerticalStripes:
        case kHorizontalStripes:
        case kStaggeredHorizontalStripes: {
            bool columns = t.type == kVerticalStripes || t.type == kStaggeredVerticalStripes;
            bool staggered = t.type >= kStaggeredVerticalStripes;
            int strips = columns ? 40 : 30;
            int last = staggered ? std::min(p, strips - 1) : strips - 1;
            for (int i = 0; i <= last; ++i) {
                int offset = p;
                if (staggered) {
                    if (t.strips[i] >= 16)
                        continue;
                    offset = t.strips[i]++;
                }
                int at = offset + 16 * i;
                // Stripes run past the clip rectangle's far edges; copyRect keeps them on the
                // surfaces.
                if (columns && at >= clip.x)
                    screen->copyRect(*work, at, clip.y, 1, clip.height, at, clip.y);
                else if (!columns && at >= clip.y)
                    screen->copyRect(*work, clip.x, at, clip.width, 1, clip.x, at);
            }
            break;
        }
        default:
            return true;
        }
    }
    if (p >= t.limit)
        return true;
    t.progress = std::min(p + t.step, t.limit);
    return false;
}

} // namespace vura
