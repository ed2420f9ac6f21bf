// The fog, shadow and overhead numbers of the scene's frame and passes, checked against
// values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/math3d.h"
#include "shell/pass_setup.h"

namespace {

vec3 apply(const mat4& m, const vec3& p) {
    const vec4 r = transform(p, m);
    return {r.x, r.y, r.z};
}

}  // namespace

TEST(FogSetup, AboveTheWaterTheLayerThinsWithAltitudeUpToClearAir) {
    fog_inputs in;
    in.camera_alt = 500.0f;  // halfway up the 1000 m layer
    fog_setup f = compute_fog(in);
    EXPECT_EQ(f.mode, 1);
    EXPECT_FLOAT_EQ(f.distance, 10000.0f);
    EXPECT_FLOAT_EQ(f.blended, 0.5f * 10000.0f + 0.5f * 150000.0f);
    EXPECT_EQ(f.clear_colour, 0xFF7FB2FFu);    // 0.5, 0.7, 1.0 of 255, truncated
    EXPECT_EQ(f.ambient_colour, 0xFF808080u);  // sun green 1 x 128
    for (float d : f.depth_factors) EXPECT_FLOAT_EQ(d, 1.0f);

    in.camera_alt = 3000.0f;  // three layers up: three times the distance
    in.sun_rgb[1] = 0.5f;
    f = compute_fog(in);
    EXPECT_FLOAT_EQ(f.distance, 30000.0f);
    EXPECT_FLOAT_EQ(f.blended, 150000.0f);
    EXPECT_EQ(f.ambient_colour, 0xFF404040u);
    in.camera_alt = 100000.0f;  // never beyond clear air
    EXPECT_FLOAT_EQ(compute_fog(in).distance, 150000.0f);
}

TEST(FogSetup, BelowTheWaterTheSeaColourDarkensWithDepth) {
    fog_inputs in;
    in.above_water = false;
    in.height_above_surface = -25.0f;  // (100 - 25) / 100 of the sun's green
    const fog_setup f = compute_fog(in);
    EXPECT_EQ(f.mode, 0);
    EXPECT_FLOAT_EQ(f.distance, 50.0f);
    EXPECT_EQ(f.fog_colour, 0xFF003048u);  // 0, 64 x 0.75, 96 x 0.75
    EXPECT_EQ(f.clear_colour, f.fog_colour);
    EXPECT_EQ(f.ambient_colour, f.fog_colour);
    EXPECT_FLOAT_EQ(f.sun_rgb[0], 0.0f);
    EXPECT_FLOAT_EQ(f.sun_rgb[1], 0.75f);
    EXPECT_FLOAT_EQ(f.sun_rgb[2], 0.75f);
    for (float d : f.depth_factors) EXPECT_FLOAT_EQ(d, 0.5f);  // (-25 + 50) x 0.02

    in.height_above_surface = -500.0f;  // deep down: black
    EXPECT_EQ(compute_fog(in).fog_colour, 0xFF000000u);
}

TEST(FogSetup, ASeaColourOutOfRangeIsClampedPerChannel) {
    fog_inputs in;
    in.above_water = false;
    in.height_above_surface = 0.0f;  // full light
    in.sea_rgb[0] = 300;
    in.sea_rgb[1] = -20;
    in.sea_rgb[2] = 96;
    // 300 would carry into the alpha byte and -20 borrow from red.
    EXPECT_EQ(compute_fog(in).fog_colour, 0xFFFF0060u);
    EXPECT_EQ(pack_opaque_rgb(255.9f, 256.0f, NAN), 0xFFFFFF00u);
}

TEST(ShadowSetup, OnAPlaneTheBisectionBracketsTheGroundPoint) {
    const auto flat = [](float, float) { return 0.0f; };
    const vec3 down{0.0f, -1.0f, 0.0f};
    const shadow_setup s = compute_shadow({0.0f, 100.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, down, 100.0f, flat, -5.0f);
    // Ground at t = 100: t 100 (at it: hi), 50 (above: lo), 75 (above: lo), ends at 87.5.
    EXPECT_FLOAT_EQ(s.distance, 87.5f + 100.0f);
    EXPECT_FLOAT_EQ(s.ground_point.y, 25.0f);
    EXPECT_FLOAT_EQ(s.eye.y, 25.0f + 187.5f);
    // The light looks straight down at the ground point.
    const vec3 centre = apply(s.view, s.ground_point);
    EXPECT_NEAR(centre.x, 0.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-3f);
    EXPECT_NEAR(centre.z, 187.5f, 1e-3f);
    EXPECT_NEAR(s.projection.m[0][0], 2.0f / 187.5f, 1e-6f);
}

TEST(ShadowSetup, OnASlopeAndWithALevelViewTheSightLineStillMeetsTheGround) {
    // Ground rising northward at 0.5: the line from (0, 100, 0) along (0, -0.6, 0.8) meets it
    // at t = 100 exactly.
    const auto slope = [](float, float z) { return 0.5f * z; };
    const vec3 light{0.0f, -1.0f, 0.0f};
    const shadow_setup s = compute_shadow({0, 100, 0}, {0.0f, -0.6f, 0.8f}, light, 0.0f, slope, -100.0f);
    EXPECT_NEAR(s.distance, 104.1667f, 1e-3f);

    // A level view counts as looking down 0.2; the sea lifts the ground it meets.
    const auto deep = [](float, float) { return -1000.0f; };
    const shadow_setup w = compute_shadow({0, 10, 0}, {0, 0, 1}, light, 0.0f, deep, 0.0f);
    // t0 = 1010 / 0.2 = 5050, hi 10100: 5050 under the sea (hi), 2525 (hi), 1262.5 (hi).
    EXPECT_NEAR(w.distance, 631.25f, 1e-2f);
}

TEST(ShadowSetup, TheLightViewTurnsItsDirectionOntoTheViewAxis) {
    const vec3 dir = normalize(vec3{0.3f, -0.8f, 0.5f});
    const vec3 eye{10.0f, 200.0f, -30.0f};
    const mat4 v = light_view(eye, dir);
    const vec3 o = apply(v, eye);
    EXPECT_NEAR(length(o), 0.0f, 1e-3f);
    const vec3 ahead = apply(v, eye + dir * 50.0f);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-3f);
    EXPECT_NEAR(ahead.z, 50.0f, 1e-3f);
}

TEST(OverheadSetup, WithoutATrackedObjectTheSquareLiesAheadOfTheCamera) {
    overhead_inputs in;
    in.camera = {10.0f, 50.0f, 20.0f};
    in.camera_above_water = 50.0f;
    in.origin = {1000.0f, 300.0f, 2000.0f};
    const overhead_setup s = compute_overhead(in);
    EXPECT_FLOAT_EQ(s.half_size, 200.0f);
    EXPECT_FLOAT_EQ(s.centre_x, 1010.0f);
    EXPECT_FLOAT_EQ(s.centre_z, 2220.0f);
    EXPECT_FLOAT_EQ(s.height, 4700.0f);
    const mat4 vp = s.view * s.projection;
    // The centre on the water maps to the middle, east of it right, north of it up.
    const vec3 c = apply(vp, {10.0f, 0.0f, 220.0f});
    EXPECT_NEAR(c.x, 0.0f, 1e-4f);
    EXPECT_NEAR(c.y, 0.0f, 1e-4f);
    EXPECT_NEAR(c.z, 0.47f, 1e-4f);
    EXPECT_NEAR(apply(vp, {210.0f, 0.0f, 220.0f}).x, 1.0f, 1e-4f);
    EXPECT_NEAR(apply(vp, {10.0f, 0.0f, 420.0f}).y, 1.0f, 1e-4f);

    in.camera_above_water = 5.0f;  // low down: the smallest square
    EXPECT_FLOAT_EQ(compute_overhead(in).half_size, 128.0f);
}

TEST(OverheadSetup, ATrackedObjectIsKeptInTheSquareAheadOfItsTail) {
    overhead_inputs in;
    in.tracking = true;
    in.object = {100.0f, 30.0f, 100.0f};
    in.object_forward = {1.0f, 0.0f, 0.0f};
    in.object_distance = 300.0f;
    const overhead_setup s = compute_overhead(in);
    EXPECT_FLOAT_EQ(s.half_size, 300.0f);
    EXPECT_FLOAT_EQ(s.centre_x, 100.0f - 225.0f);
    EXPECT_FLOAT_EQ(s.centre_z, 100.0f);
    in.object_distance = 20.0f;
    EXPECT_FLOAT_EQ(compute_overhead(in).half_size, 128.0f);
}
