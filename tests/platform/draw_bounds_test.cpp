// The box test that lets the device leave out draws the clipper would remove entirely.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/draw_bounds.h"

namespace {

// A camera at the origin looking along +z: 90 degrees across, near 1, far 100.
mat4 view_projection() { return mat_perspective_fov_lh(1.5707964f, 1.0f, 1.0f, 100.0f); }

position_box box(vec3 lo, vec3 hi) {
    position_box b;
    b.lo = lo;
    b.hi = hi;
    b.valid = true;
    return b;
}

bool nowhere(const position_box& b, const mat4& world = mat_identity()) {
    return box_drawn_nowhere(b, world, view_projection(), nullptr, 0, 0);
}

}  // namespace

TEST(DrawBounds, TheBoxOfStridedPositionsIgnoresTheOtherFields) {
    struct v {
        float x, y, z;
        std::uint32_t colour;
        float u, w;
    };
    const v vertices[3] = {{1, -2, 3, 0xFFFFFFFFu, 100, 100},
                           {-4, 5, 0.5f, 0, -100, -100},
                           {2, 0, -6, 7, 0, 0}};
    const position_box b = box_of_positions(reinterpret_cast<const std::uint8_t*>(vertices), sizeof(v), 3);
    ASSERT_TRUE(b.valid);
    EXPECT_FLOAT_EQ(b.lo.x, -4);
    EXPECT_FLOAT_EQ(b.lo.y, -2);
    EXPECT_FLOAT_EQ(b.lo.z, -6);
    EXPECT_FLOAT_EQ(b.hi.x, 2);
    EXPECT_FLOAT_EQ(b.hi.y, 5);
    EXPECT_FLOAT_EQ(b.hi.z, 3);
}

TEST(DrawBounds, NoBoxWithoutFinitePositions) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float bad[2][3] = {{0, 0, 5}, {nan, 0, 5}};
    const float far[2][3] = {{0, 0, 5}, {0, inf, 5}};
    EXPECT_FALSE(box_of_positions(reinterpret_cast<const std::uint8_t*>(bad), 12, 2).valid);
    EXPECT_FALSE(box_of_positions(reinterpret_cast<const std::uint8_t*>(far), 12, 2).valid);
    EXPECT_FALSE(box_of_positions(reinterpret_cast<const std::uint8_t*>(bad), 12, 0).valid);
    EXPECT_FALSE(box_of_positions(nullptr, 12, 2).valid);
    EXPECT_FALSE(box_of_positions(reinterpret_cast<const std::uint8_t*>(bad), 8, 1).valid);  // no room for xyz
    // An invalid box is never left out.
    EXPECT_FALSE(box_drawn_nowhere(position_box{}, mat_identity(), view_projection(), nullptr, 0, 0));
}

TEST(DrawBounds, BoxesOutsideOneSideOfTheViewAreLeftOut) {
    // In front, inside: drawn.
    EXPECT_FALSE(nowhere(box({-1, -1, 9}, {1, 1, 11})));
    // Behind the camera, beyond the far plane, nearer than the near plane: left out.
    EXPECT_TRUE(nowhere(box({-1, -1, -11}, {1, 1, -9})));
    EXPECT_TRUE(nowhere(box({-1, -1, 101}, {1, 1, 120})));
    EXPECT_TRUE(nowhere(box({-0.1f, -0.1f, 0.2f}, {0.1f, 0.1f, 0.8f})));
    // At depth 10 the view reaches x = +-10: a box from 11 to 12 is outside, 9 to 12 crosses.
    EXPECT_TRUE(nowhere(box({11, -1, 9.5f}, {12, 1, 10})));
    EXPECT_FALSE(nowhere(box({9, -1, 9.5f}, {12, 1, 10})));
    EXPECT_TRUE(nowhere(box({-1, -13, 10}, {1, -11, 10})));
    // A box outside no single side is kept, even when no corner is inside the view.
    EXPECT_FALSE(nowhere(box({-50, -1, -5}, {50, 1, 50})));
    // The world matrix places the box: moved 20 to the right it leaves the view.
    EXPECT_FALSE(nowhere(box({-1, -1, 9}, {1, 1, 11})));
    EXPECT_TRUE(nowhere(box({-1, -1, 9}, {1, 1, 11}), mat_translation(20, 0, 0)));
    // A box that only touches a side is kept.
    EXPECT_FALSE(nowhere(box({10, -1, 10}, {12, 1, 10})));
}

TEST(DrawBounds, BoxesBehindAnEnabledClipPlaneAreLeftOut) {
    // Keeps y >= 2 (0 x + 1 y + 0 z - 2 >= 0) as plane 1; plane 0 keeps everything.
    const float planes[2][4] = {{0, 0, 0, 1}, {0, 1, 0, -2}};
    const position_box below = box({-1, -1, 9}, {1, 1, 11});
    const position_box across = box({-1, 1, 9}, {1, 3, 11});
    EXPECT_TRUE(box_drawn_nowhere(below, mat_identity(), view_projection(), planes, 2, 0x2));
    EXPECT_FALSE(box_drawn_nowhere(across, mat_identity(), view_projection(), planes, 2, 0x2));
    // Not enabled: no effect.
    EXPECT_FALSE(box_drawn_nowhere(below, mat_identity(), view_projection(), planes, 2, 0x1));
    // The plane is in world space: the box moved up by 5 is above it.
    EXPECT_FALSE(box_drawn_nowhere(below, mat_translation(0, 5, 0), view_projection(), planes, 2, 0x2));
}
