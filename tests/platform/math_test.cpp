#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/math3d.h"

namespace {

void expect_vec(const vec3& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void expect_mat_near(const mat4& a, const mat4& b, float tol = 1e-5f) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << i << "," << j;
    }
}

}  // namespace

TEST(Math, YawTurnsNorthTowardEast) {
    // +yaw turns +z (north) toward +x (east).
    expect_vec(transform_normal({0, 0, 1}, mat_rotation_y(k_pi / 2)), 1, 0, 0);
    expect_vec(transform_normal({0, 0, 1}, mat_yaw_pitch_roll(k_pi / 2, 0, 0)), 1, 0, 0);
    // +pitch about x turns +z downward (toward -y), as the left-handed rotation does.
    expect_vec(transform_normal({0, 0, 1}, mat_rotation_x(k_pi / 2)), 0, -1, 0);
    // +roll about z turns +x toward +y.
    expect_vec(transform_normal({1, 0, 0}, mat_rotation_z(k_pi / 2)), 0, 1, 0);
}

TEST(Math, YawPitchRollOrderIsRollPitchYaw) {
    // The multiplied-out form must give the three products to the bit (signed zeros too), so
    // that flights stay as they were; angles include zeros, right angles and negatives.
    const float angles[] = {0.0f, -0.0f, 0.7f, -0.4f, 1.1f, k_pi / 2, -k_pi, 3.0e-4f, 2.5f, -1.3f};
    for (float y : angles)
        for (float p : angles)
            for (float r : angles) {
                const mat4 a = mat_yaw_pitch_roll(y, p, r);
                const mat4 b = mat_rotation_z(r) * mat_rotation_x(p) * mat_rotation_y(y);
                ASSERT_EQ(std::memcmp(a.m, b.m, sizeof a.m), 0) << y << " " << p << " " << r;
            }
    // The axis form agrees with the named axes.
    expect_mat_near(mat_rotation_axis({0, 2, 0}, 0.3f), mat_rotation_y(0.3f));
    expect_mat_near(mat_rotation_axis({1, 0, 0}, -0.8f), mat_rotation_x(-0.8f));
}

TEST(Math, RowVectorsTranslateLast) {
    const mat4 m = mat_scaling(2, 2, 2) * mat_translation(10, 0, 0);
    expect_vec(transform_coord({1, 1, 1}, m), 12, 2, 2);
    expect_vec(transform_normal({1, 1, 1}, m), 2, 2, 2);

    // One component at a time: row 3 of translation(p) x M is the row (p, 1) through M, here
    // a perspective whose w is not 1, so a division would show.
    const mat4 full = mat_yaw_pitch_roll(0.3f, -0.7f, 0.2f) * mat_translation(40, -5, 12) *
                      mat_perspective_fov_lh(0.8f, 1.5f, 1.0f, 500.0f);
    const vec3 p{3.5f, -2.0f, 17.0f};
    const mat4 product = mat_translation(p) * full;
    ASSERT_GT(std::abs(product.m[3][3] - 1.0f), 1.0f);
    EXPECT_NEAR(transform_point_x(p, full), product.m[3][0], 1e-4f);
    EXPECT_NEAR(transform_point_y(p, full), product.m[3][1], 1e-4f);
    EXPECT_NEAR(transform_point_z(p, full), product.m[3][2], 1e-4f);
}

TEST(Math, InverseAndDeterminant) {
    const mat4 m = mat_yaw_pitch_roll(0.3f, 0.2f, -0.5f) * mat_scaling(2, 3, 4) * mat_translation(5, -6, 7);
    mat4 inv;
    float det = 0;
    ASSERT_TRUE(mat_inverse(m, &inv, &det));
    EXPECT_NEAR(det, 24.0f, 1e-3f);
    expect_mat_near(m * inv, mat_identity(), 1e-5f);
    mat4 untouched = mat_translation(1, 2, 3);
    EXPECT_FALSE(mat_inverse(mat_scaling(1, 0, 1), &untouched));
    expect_mat_near(untouched, mat_translation(1, 2, 3));
    expect_mat_near(mat_transpose(mat_transpose(m)), m);
}

TEST(Math, PerspectiveMapsNearAndFarToZeroAndOne) {
    const mat4 p = mat_perspective_fov_lh(k_pi / 2, 1.0f, 1.0f, 100.0f);
    EXPECT_NEAR(transform_coord({0, 0, 1}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(transform_coord({0, 0, 100}, p).z, 1.0f, 1e-5f);
    // A point on the edge of a 90 degree view lands on x = 1.
    EXPECT_NEAR(transform_coord({10, 0, 10}, p).x, 1.0f, 1e-5f);
    const mat4 o = mat_ortho_lh(4, 2, 0, 10);
    expect_vec(transform_coord({2, 1, 10}, o), 1, 1, 1);
    const mat4 oc = mat_ortho_off_center_lh(0, 640, 480, 0, 0, 1);
    expect_vec(transform_coord({0, 0, 0}, oc), -1, 1, 0);
    expect_vec(transform_coord({640, 480, 1}, oc), 1, -1, 1);
}

TEST(Math, LookAtPutsTargetOnPositiveZ) {
    const vec3 eye{10, 5, 0}, at{10, 5, 20};
    const mat4 v = mat_look_at_lh(eye, at, {0, 1, 0});
    expect_vec(transform_coord(at, v), 0, 0, 20);
    const mat4 east = mat_look_at_lh({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    expect_vec(transform_coord({0, 0, 1}, east), -1, 0, 0);  // north is to the left looking east
}

TEST(Math, ReflectAndShadow) {
    const mat4 r = mat_reflect({0, 1, 0, 0});
    expect_vec(transform_coord({1, 3, 2}, r), 1, -3, 2);
    const mat4 r2 = mat_reflect({0, 2, 0, -4});  // the plane y = 2, given unnormalised
    expect_vec(transform_coord({0, 5, 0}, r2), 0, -1, 0);
    // Straight-down directional light flattens onto y = 0 under the point.
    const mat4 s = mat_shadow({0, 1, 0, 0}, {0, 1, 0, 0});
    expect_vec(transform_coord({3, 7, -2}, s), 3, 0, -2);
    // A point light at (0, 10, 0): (5, 5, 0) projects to (10, 0, 0).
    const mat4 sp = mat_shadow({0, 10, 0, 1}, {0, 1, 0, 0});
    expect_vec(transform_coord({5, 5, 0}, sp), 10, 0, 0, 1e-4f);
}

TEST(Math, VectorBasicsAndZeroNormalise) {
    expect_vec(normalize({0, 0, 0}), 0, 0, 0);
    expect_vec(normalize({0, 0, 9}), 0, 0, 1);
    const plane p = plane_from_points({0, 1, 0}, {0, 1, 1}, {1, 1, 0});
    EXPECT_NEAR(plane_dot_coord(p, {4, 3, 4}), 2.0f, 1e-5f);  // the plane y = 1, normal up
    const plane moved = transform_plane({0, 1, 0, 0}, mat_translation(0, 5, 0));
    EXPECT_NEAR(plane_dot_coord(moved, {0, 5, 0}), 0.0f, 1e-5f);
}
