// Vectors and matrices in the program's conventions: left-handed axes (x east, y up, z north),
// row vectors multiplied on the left (v' = v M), matrices stored row by row, clip depth 0..1.
// Angles are radians. A positive yaw turns +z toward +x.
#pragma once

#include <cmath>

struct vec2 {
    float x = 0, y = 0;
};

struct vec3 {
    float x = 0, y = 0, z = 0;
};

struct vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

// A plane a x + b y + c z + d = 0.
struct plane {
    float a = 0, b = 0, c = 0, d = 0;
};

struct mat4 {
    float m[4][4] = {};
    float* data() { return &m[0][0]; }
    const float* data() const { return &m[0][0]; }
};

// The small helpers are defined here, inline: the flight models call them millions of times a
// second, and a call costs as much as the arithmetic.

// 3-vectors.
inline vec3 operator+(const vec3& a, const vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator-(const vec3& a, const vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline vec3 operator-(const vec3& a) { return {-a.x, -a.y, -a.z}; }
inline vec3 operator*(const vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline vec3 operator*(float s, const vec3& a) { return a * s; }
inline vec3 operator/(const vec3& a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline vec3& operator+=(vec3& a, const vec3& b) { return a = a + b; }
inline vec3& operator-=(vec3& a, const vec3& b) { return a = a - b; }
inline vec3& operator*=(vec3& a, float s) { return a = a * s; }
inline float dot(const vec3& a, const vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline vec3 cross(const vec3& a, const vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length_sq(const vec3& a) { return dot(a, a); }
inline float length(const vec3& a) { return std::sqrt(length_sq(a)); }
// The unit vector along a; a zero vector stays zero.
inline vec3 normalize(const vec3& a) {
    const float len = length(a);
    if (len == 0.0f) return {};
    return a / len;
}
inline vec3 lerp(const vec3& a, const vec3& b, float t) { return a + (b - a) * t; }

// 4-vectors.
inline float dot4(const vec4& a, const vec4& b) { return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w; }

// Matrices.
inline mat4 mat_identity() {
    mat4 r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}
bool is_identity(const mat4& m);
// a then b: v (a b) = (v a) b.
inline mat4 operator*(const mat4& a, const mat4& b) {
    mat4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    }
    return r;
}
mat4 mat_transpose(const mat4& m);
// The inverse; false (and out untouched) when the matrix is singular. det receives the
// determinant when given.
bool mat_inverse(const mat4& m, mat4* out, float* det = nullptr);
float mat_determinant(const mat4& m);
inline mat4 mat_translation(float x, float y, float z) {
    mat4 r = mat_identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}
inline mat4 mat_translation(const vec3& v) { return mat_translation(v.x, v.y, v.z); }
inline mat4 mat_scaling(float x, float y, float z) {
    mat4 r;
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    r.m[3][3] = 1.0f;
    return r;
}
mat4 mat_rotation_x(float angle);
mat4 mat_rotation_y(float angle);
mat4 mat_rotation_z(float angle);
// Rotation about an axis through the origin (normalised here).
mat4 mat_rotation_axis(const vec3& axis, float angle);
// Roll about z, then pitch about x, then yaw about y.
inline mat4 mat_yaw_pitch_roll(float yaw, float pitch, float roll) {
    // Rz(roll) Rx(pitch) Ry(yaw) multiplied out. Each entry adds the terms that are not zero
    // in the order the full products add them, starting from +0 as they do, so the result is
    // the same to the bit at a fifth of the work.
    const float cr = std::cos(roll), sr = std::sin(roll);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float a[3][3] = {{0.0f + cr, 0.0f + sr * cp, 0.0f + sr * sp},
                           {0.0f + -sr, 0.0f + cr * cp, 0.0f + cr * sp},
                           {0.0f, 0.0f + -sp, 0.0f + cp}};
    mat4 r;
    for (int i = 0; i < 3; ++i) {
        r.m[i][0] = (0.0f + a[i][0] * cy) + a[i][2] * sy;
        r.m[i][1] = 0.0f + a[i][1];
        r.m[i][2] = (0.0f + a[i][0] * -sy) + a[i][2] * cy;
    }
    r.m[3][3] = 1.0f;
    return r;
}
// Left-handed perspective with a vertical field of view; depth 0 at zn, 1 at zf.
mat4 mat_perspective_fov_lh(float fovy, float aspect, float zn, float zf);
mat4 mat_ortho_lh(float w, float h, float zn, float zf);
mat4 mat_ortho_off_center_lh(float l, float r, float b, float t, float zn, float zf);
// A view matrix looking from eye toward at; up need not be perpendicular.
mat4 mat_look_at_lh(const vec3& eye, const vec3& at, const vec3& up);
// Mirror in a plane (normalised here).
mat4 mat_reflect(const plane& p);
// Flattens geometry onto a plane as seen from a light (w = 0: a direction, w = 1: a point).
mat4 mat_shadow(const vec4& light, const plane& p);

// Transforms. coord: (x, y, z, 1) then divided by w; normal: the 3 x 3 part only.
inline vec4 transform(const vec4& v, const mat4& m) {
    vec4 r;
    r.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + v.w * m.m[3][0];
    r.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + v.w * m.m[3][1];
    r.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + v.w * m.m[3][2];
    r.w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + v.w * m.m[3][3];
    return r;
}
inline vec4 transform(const vec3& v, const mat4& m) { return transform(vec4{v.x, v.y, v.z, 1.0f}, m); }
inline vec3 transform_coord(const vec3& v, const mat4& m) {
    const vec4 r = transform(v, m);
    if (r.w == 0.0f) return {r.x, r.y, r.z};
    return {r.x / r.w, r.y / r.w, r.z / r.w};
}
inline vec3 transform_normal(const vec3& v, const mat4& m) {
    const vec4 r = transform(vec4{v.x, v.y, v.z, 0.0f}, m);
    return {r.x, r.y, r.z};
}
// One component of the point (x, y, z, 1) times the matrix, not divided by w: the GUI's
// projections of world positions onto its views.
inline float transform_point_x(const vec3& p, const mat4& m) {
    return p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
}
inline float transform_point_y(const vec3& p, const mat4& m) {
    return p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
}
inline float transform_point_z(const vec3& p, const mat4& m) {
    return p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
}

// Planes.
plane plane_from_point_normal(const vec3& point, const vec3& normal);
plane plane_from_points(const vec3& a, const vec3& b, const vec3& c);
plane normalize_plane(const plane& p);
float plane_dot_coord(const plane& p, const vec3& v);
// The plane seen through a matrix (for points transformed by m).
plane transform_plane(const plane& p, const mat4& m);

constexpr float k_pi = 3.14159265358979323846f;
