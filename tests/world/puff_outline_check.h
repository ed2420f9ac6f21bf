// The promise of a puff outline, checked from outside: bilinear filtering at a point reads the
// texels whose centres lie within one texel of it in x and in y, so a visible texel (alpha
// above 0) colours the open square of one texel around its centre, clipped to the square the
// billboard samples. Both are convex, as is the outline: the outline holds that square when
// it holds its four corners.
#pragma once

#include <algorithm>
#include <string>

#include "platform/image.h"
#include "world/puff_outline.h"

// "" when the outline holds the reach of every visible texel of the picture; otherwise the
// first texel it misses.
inline std::string outline_misses(const image& picture, const puff_outline& outline, float inset) {
    const float w = static_cast<float>(picture.width), h = static_cast<float>(picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if ((picture.pixel(x, y) >> 24) == 0) continue;
            const float cx = static_cast<float>(x) + 0.5f, cy = static_cast<float>(y) + 0.5f;
            const float x0 = std::max(inset, cx - 1.0f), x1 = std::min(w - inset, cx + 1.0f);
            const float y0 = std::max(inset, cy - 1.0f), y1 = std::min(h - inset, cy + 1.0f);
            for (const float px : {x0, x1}) {
                for (const float py : {y0, y1}) {
                    if (!outline.contains(px / w, py / h)) {
                        return "texel " + std::to_string(x) + "," + std::to_string(y) + " reaches " +
                               std::to_string(px) + "," + std::to_string(py) + " outside the outline";
                    }
                }
            }
        }
    }
    return "";
}
