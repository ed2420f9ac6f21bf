#include "platform/math3d.h"

#include <cmath>

bool is_identity(const mat4& m) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (m.m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
        }
    }
    return true;
}

mat4 mat_transpose(const mat4& m) {
    mat4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    }
    return r;
}

namespace {

// Cofactor expansion in double precision; the 2 x 2 sub-determinants of the top and bottom
// row pairs give all sixteen cofactors.
bool invert(const mat4& src, mat4* out, double* det_out) {
    double a[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) a[i][j] = src.m[i][j];
    }
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det_out) *det_out = det;
    if (det == 0.0 || !std::isfinite(det)) return false;
    if (out == nullptr) return true;
    const double k = 1.0 / det;
    double r[4][4];
    r[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
    r[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
    r[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
    r[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
    r[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
    r[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
    r[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
    r[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
    r[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
    r[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
    r[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
    r[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
    r[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
    r[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
    r[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
    r[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) out->m[i][j] = static_cast<float>(r[i][j]);
    }
    return true;
}

}  // namespace

bool mat_inverse(const mat4& m, mat4* out, float* det) {
    double d = 0.0;
    mat4 r;
    const bool ok = invert(m, &r, &d);
    if (det) *det = static_cast<float>(d);
    if (ok && out) *out = r;
    return ok;
}

float mat_determinant(const mat4& m) {
    double d = 0.0;
    invert(m, nullptr, &d);
    return static_cast<float>(d);
}

mat4 mat_rotation_x(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    mat4 r = mat_identity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

mat4 mat_rotation_y(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    mat4 r = mat_identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

mat4 mat_rotation_z(float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    mat4 r = mat_identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

mat4 mat_rotation_axis(const vec3& axis, float angle) {
    const vec3 v = normalize(axis);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    mat4 r = mat_identity();
    r.m[0][0] = t * v.x * v.x + c;
    r.m[0][1] = t * v.x * v.y + s * v.z;
    r.m[0][2] = t * v.x * v.z - s * v.y;
    r.m[1][0] = t * v.x * v.y - s * v.z;
    r.m[1][1] = t * v.y * v.y + c;
    r.m[1][2] = t * v.y * v.z + s * v.x;
    r.m[2][0] = t * v.x * v.z + s * v.y;
    r.m[2][1] = t * v.y * v.z - s * v.x;
    r.m[2][2] = t * v.z * v.z + c;
    return r;
}

mat4 mat_perspective_fov_lh(float fovy, float aspect, float zn, float zf) {
    const float ys = 1.0f / std::tan(fovy * 0.5f);
    const float xs = ys / aspect;
    mat4 r;
    r.m[0][0] = xs;
    r.m[1][1] = ys;
    r.m[2][2] = zf / (zf - zn);
    r.m[2][3] = 1.0f;
    r.m[3][2] = -zn * zf / (zf - zn);
    return r;
}

mat4 mat_ortho_lh(float w, float h, float zn, float zf) {
    mat4 r;
    r.m[0][0] = 2.0f / w;
    r.m[1][1] = 2.0f / h;
    r.m[2][2] = 1.0f / (zf - zn);
    r.m[3][2] = zn / (zn - zf);
    r.m[3][3] = 1.0f;
    return r;
}

mat4 mat_ortho_off_center_lh(float l, float r_, float b, float t, float zn, float zf) {
    mat4 r;
    r.m[0][0] = 2.0f / (r_ - l);
    r.m[1][1] = 2.0f / (t - b);
    r.m[2][2] = 1.0f / (zf - zn);
    r.m[3][0] = (l + r_) / (l - r_);
    r.m[3][1] = (t + b) / (b - t);
    r.m[3][2] = zn / (zn - zf);
    r.m[3][3] = 1.0f;
    return r;
}

mat4 mat_look_at_lh(const vec3& eye, const vec3& at, const vec3& up) {
    const vec3 z = normalize(at - eye);
    const vec3 x = normalize(cross(up, z));
    const vec3 y = cross(z, x);
    mat4 r = mat_identity();
    r.m[0][0] = x.x;
    r.m[1][0] = x.y;
    r.m[2][0] = x.z;
    r.m[0][1] = y.x;
    r.m[1][1] = y.y;
    r.m[2][1] = y.z;
    r.m[0][2] = z.x;
    r.m[1][2] = z.y;
    r.m[2][2] = z.z;
    r.m[3][0] = -dot(x, eye);
    r.m[3][1] = -dot(y, eye);
    r.m[3][2] = -dot(z, eye);
    return r;
}

mat4 mat_reflect(const plane& p_in) {
    const plane p = normalize_plane(p_in);
    const float n[4] = {p.a, p.b, p.c, p.d};
    mat4 r = mat_identity();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) r.m[i][j] = (i == j ? 1.0f : 0.0f) - 2.0f * n[i] * n[j];
    }
    return r;
}

mat4 mat_shadow(const vec4& light, const plane& p_in) {
    const plane p = normalize_plane(p_in);
    const float n[4] = {p.a, p.b, p.c, p.d};
    const float l[4] = {light.x, light.y, light.z, light.w};
    const float d = -(p.a * light.x + p.b * light.y + p.c * light.z + p.d * light.w);
    mat4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) r.m[i][j] = n[i] * l[j] + (i == j ? d : 0.0f);
    }
    return r;
}

plane plane_from_point_normal(const vec3& point, const vec3& normal) {
    return {normal.x, normal.y, normal.z, -dot(point, normal)};
}

plane plane_from_points(const vec3& a, const vec3& b, const vec3& c) {
    const vec3 n = normalize(cross(b - a, c - a));
    return plane_from_point_normal(a, n);
}

plane normalize_plane(const plane& p) {
    const float len = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
    if (len == 0.0f) return p;
    return {p.a / len, p.b / len, p.c / len, p.d / len};
}

float plane_dot_coord(const plane& p, const vec3& v) { return p.a * v.x + p.b * v.y + p.c * v.z + p.d; }

plane transform_plane(const plane& p, const mat4& m) {
    // Planes transform with the inverse transpose of the point transform.
    mat4 inv;
    if (!mat_inverse(m, &inv)) return p;
    const mat4 it = mat_transpose(inv);
    const vec4 r = transform(vec4{p.a, p.b, p.c, p.d}, it);
    return {r.x, r.y, r.z, r.w};
}
