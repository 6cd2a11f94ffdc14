#include "graphics/layer_set.hpp"

#include "base/rect.hpp"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace vura {
namespace {

// A picture the copy and the pixel primitives can read: loaded, 24 bits per pixel.
bool usable(const Surface* s) {
    return s != nullptr && !s->empty() && s->bytesPerPixel() == 3;
}

// The part of rect inside the destination and inside every input read at the source position,
// both origins moving together. Scripts are meant to keep source rectangles inside their
// pictures, but a wrong one must only lose its outside part, never read past the picture.
BlendRect fitted(const BlendRect& rect, const Surface& dst,
                 std::initializer_list<const Surface*> inputs) {
    CopyRegion region(rect);
    region.clipDestination(boundsOf(dst.width(), dst.height()));
    for (const Surface* input : inputs)
        region.clipSource(boundsOf(input->width(), input->height()));
    return region.toBlendRect();
}

} // namespace

void LayerSet::resizeLayers(int count, Table table) {
    std::vector<Layer>& primary = table == Table::Layers ? layers_ : masks_;
    std::vector<Layer>& shadow = table == Table::Layers ? shownLayers_ : shownMasks_;
    std::vector<Layer>().swap(primary);
    std::vector<Layer>().swap(shadow);
    if (count <= 0)
        return;
    primary.resize(static_cast<std::size_t>(count));
    shadow.resize(static_cast<std::size_t>(count));
    for (Layer& entry : primary)
        entry.surface = std::make_unique<Surface>();
}

void LayerSet::setSurfaces(Surface* screen, Surface* work, Surface* previous) {
    screenSurface = screen;
    workSurface = work;
    previousSurface = previous;
    clipRect = {0, 0, work ? work->width() : 0, work ? work->height() : 0};
}

bool LayerSet::clipLayer(int index, View view) {
    const Layer* e = entryOf(layersFor(view), index);
    if (!e) {
        clipped = {};
        return false;
    }
    // Script values are any 32-bit numbers; a result beyond the int range lies outside every
    // surface, and stays outside once narrowed to the nearest end.
    CopyRegion region(e->x, e->y, e->width, e->height, e->srcX, e->srcY);
    region.clipDestination(clipRect);
    clipped = region.narrowed();
    return !region.empty();
}

const Surface* LayerSet::pictureOf(int index, View view) const {
    if (view == View::Shown && shownLayers_[static_cast<std::size_t>(index)].surface)
        return shownLayers_[static_cast<std::size_t>(index)].surface.get();
    return layers_[static_cast<std::size_t>(index)].surface.get();
}

const Surface* LayerSet::maskPictureOf(int index, View view) const {
    if (index < 0 || index >= maskCount())
        return nullptr;
    if (view == View::Shown && shownMasks_[static_cast<std::size_t>(index)].surface)
        return shownMasks_[static_cast<std::size_t>(index)].surface.get();
    return masks_[static_cast<std::size_t>(index)].surface.get();
}

void LayerSet::drawBlended(int index, View view, Surface& destination) {
    const Layer* entry = entryOf(layersFor(view), index);
    if (!entry || !usable(&destination))
        return;
    const Surface* picture = pictureOf(index, view);
    if (!usable(picture))
        return;
    // A mask that does not exist or failed to load draws nothing, as with unblended layers:
    // the whole rectangle of a character drawn opaque would be worse than a missing one.
    const Surface* maskPicture = nullptr;
    if (entry->maskIndex >= 0) {
        maskPicture = maskPictureOf(entry->maskIndex, view);
        if (!usable(maskPicture))
            return;
    }
    switch (entry->blendMode) {
    case 0:
        if (maskPicture)
            shiftBrightnessMasked(destination, fitted(clipped, destination, {picture, maskPicture}),
                                  *picture, *maskPicture, entry->blendLevel);
        else
            shiftBrightness(destination, fitted(clipped, destination, {picture}), *picture,
                            entry->blendLevel);
        break;
    case 1:
        // A fade without a mask has nothing to fade through and is not drawn.
        if (maskPicture)
            maskedFade(destination, fitted(clipped, destination, {picture, maskPicture}), *picture,
                       *maskPicture, entry->blendLevel);
        break;
    default:
        break;
    }
}

void LayerSet::drawLayers(View view, Surface& destination, bool leaveOutHidden) {
    if (!usable(&destination))
        return;
    const std::vector<Layer>& entries = layersFor(view);
    // The highest index is drawn first, so layer 0 is drawn last and ends on top.
    for (int i = layerCount() - 1; i >= 0; --i) {
        const Layer& entry = entries[static_cast<std::size_t>(i)];
        if (!entry.visible || (leaveOutHidden && entry.hideInPeek) || !clipLayer(i, view))
            continue;
        if (entry.blendMode >= 0) {
            drawBlended(i, view, destination);
            continue;
        }
        // A picture that failed to load leaves nothing to draw.
        const Surface* picture = pictureOf(i, view);
        if (!usable(picture))
            continue;
        if (entry.maskIndex < 0) {
            const BlendRect r = fitted(clipped, destination, {picture});
            if (r.width > 0)
                destination.copyRect(*picture, r.dx, r.dy, r.width, r.height, r.sx, r.sy);
            continue;
        }
        const Surface* maskPicture = maskPictureOf(entry.maskIndex, view);
        if (usable(maskPicture))
            blendMasked(destination, fitted(clipped, destination, {picture, maskPicture}), *picture,
                        *maskPicture);
    }
}

void LayerSet::applyTone(Surface& destination, int level) {
    if (!usable(&destination))
        return;
    const BlendRect area{clipRect.x,      clipRect.y, clipRect.width,
                         clipRect.height, clipRect.x, clipRect.y};
    // The work surface is brightened in place, over the same rectangle.
    shiftBrightness(destination, fitted(area, destination, {&destination}), destination, level);
}

void LayerSet::compose() {
    if (workSurface) {
        drawLayers(View::Current, *workSurface, false);
        // The tone recorded at the previous composition: a tone change shows one composition
        // late, while switching it off (mode -1) shows at once.
        if (screenTone.mode >= 0 && screenTone.shownMode == 0)
            applyTone(*workSurface, screenTone.shownLevel);
    }
    // Everything but the picture goes to the shadow; a shadow's own picture stays its own.
    auto record = [](const std::vector<Layer>& from, std::vector<Layer>& to) {
        for (std::size_t i = 0; i < from.size(); ++i) {
            const Layer& f = from[i];
            Layer& t = to[i];
            t.maskIndex = f.maskIndex;
            t.x = f.x;
            t.y = f.y;
            t.srcX = f.srcX;
            t.srcY = f.srcY;
            t.width = f.width;
            t.height = f.height;
            t.name = f.name;
            t.blendMode = f.blendMode;
            t.blendLevel = f.blendLevel;
            t.visible = f.visible;
            t.hideInPeek = f.hideInPeek;
        }
    };
    record(layers_, shownLayers_);
    record(masks_, shownMasks_);
    screenTone.shownMode = screenTone.mode;
    screenTone.shownLevel = screenTone.level;
}

void LayerSet::redrawShown(Surface& destination) {
    drawLayers(View::Shown, destination, &destination == screenSurface);
    if (screenTone.mode == 0)
        applyTone(destination, screenTone.level);
}

void LayerSet::releaseShownSurfaces() {
    for (std::vector<Layer>* shadow : {&shownLayers_, &shownMasks_})
        for (Layer& entry : *shadow)
            entry.surface.reset();
}

} // namespace vura
