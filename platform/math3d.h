// Vectors and matrices in the program's conventions: left-handed axes (x east, y up, z north),
// row vectors multiplied on the left (v' = v M), matrices stored row by row, clip depth 0..1.
// Angles are radians. A positive yaw turns +z toward +x.
#pragma once

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

// 3-vectors.
vec3 operator+(const vec3& a, const vec3& b);
vec3 operator-(const vec3& a, const vec3& b);
vec3 operator-(const vec3& a);
vec3 operator*(const vec3& a, float s);
vec3 operator*(float s, const vec3& a);
vec3 operator/(const vec3& a, float s);
vec3& operator+=(vec3& a, const vec3& b);
vec3& operator-=(vec3& a, const vec3& b);
vec3& operator*=(vec3& a, float s);
float dot(const vec3& a, const vec3& b);
vec3 cross(const vec3& a, const vec3& b);
float length(const vec3& a);
float length_sq(const vec3& a);
// The unit vector along a; a zero vector stays zero.
vec3 normalize(const vec3& a);
vec3 lerp(const vec3& a, const vec3& b, float t);

// 4-vectors.
float dot4(const vec4& a, const vec4& b);

// Matrices.
mat4 mat_identity();
bool is_identity(const mat4& m);
// a then b: v (a b) = (v a) b.
mat4 operator*(const mat4& a, const mat4& b);
mat4 mat_transpose(const mat4& m);
// The inverse; false (and out untouched) when the matrix is singular. det receives the
// determinant when given.
bool mat_inverse(const mat4& m, mat4* out, float* det = nullptr);
float mat_determinant(const mat4& m);
mat4 mat_translation(float x, float y, float z);
mat4 mat_translation(const vec3& v);
mat4 mat_scaling(float x, float y, float z);
mat4 mat_rotation_x(float angle);
mat4 mat_rotation_y(float angle);
mat4 mat_rotation_z(float angle);
// Rotation about an axis through the origin (normalised here).
mat4 mat_rotation_axis(const vec3& axis, float angle);
// Roll about z, then pitch about x, then yaw about y.
mat4 mat_yaw_pitch_roll(float yaw, float pitch, float roll);
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
vec3 transform_coord(const vec3& v, const mat4& m);
vec3 transform_normal(const vec3& v, const mat4& m);
vec4 transform(const vec3& v, const mat4& m);
vec4 transform(const vec4& v, const mat4& m);
// One component of the point (x, y, z, 1) times the matrix, not divided by w: the GUI's
// projections of world positions onto its views.
float transform_point_x(const vec3& p, const mat4& m);
float transform_point_y(const vec3& p, const mat4& m);
float transform_point_z(const vec3& p, const mat4& m);

// Planes.
plane plane_from_point_normal(const vec3& point, const vec3& normal);
plane plane_from_points(const vec3& a, const vec3& b, const vec3& c);
plane normalize_plane(const plane& p);
float plane_dot_coord(const plane& p, const vec3& v);
// The plane seen through a matrix (for points transformed by m).
plane transform_plane(const plane& p, const mat4& m);

constexpr float k_pi = 3.14159265358979323846f;
