#include "models.h"

#include "image.h"
#include "noise.h"
#include "output.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double k_pi = 3.14159265358979323846;

struct v3 {
    double x = 0, y = 0, z = 0;
};
v3 operator+(v3 a, v3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
v3 operator-(v3 a, v3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
v3 operator*(v3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(v3 a, v3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
v3 cross(v3 a, v3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
v3 unit(v3 a)
{
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0 / l) : v3{0, 1, 0};
}

struct vertex {
    v3 p;
    v3 n;
    double u = 0, v = 0;
};

struct material {
    double r, g, b;
    double power;
    double specular;
    double emissive;
    std::string texture;  // file beside the model; empty for none
};

// Triangles with flat normals. Front faces wind clockwise seen from outside (the left-handed
// convention): the face normal is cross(b - a, c - a) and points out of the shape.
class mesh_builder {
public:
    // Adds a triangle facing away from `inside` (a point inside the convex part it belongs to).
    void tri(vertex a, vertex b, vertex c, v3 inside, int mat)
    {
        v3 n = cross(b.p - a.p, c.p - a.p);
        const v3 centre = (a.p + b.p + c.p) * (1.0 / 3.0);
        if (dot(n, centre - inside) < 0) {
            std::swap(b, c);
            n = n * -1.0;
        }
        add(a, b, c, unit(n), mat);
    }
    // Adds a triangle seen from both sides (thin parts: dish, fins, beam).
    void two_sided(vertex a, vertex b, vertex c, int mat)
    {
        const v3 n = unit(cross(b.p - a.p, c.p - a.p));
        add(a, b, c, n, mat);
        add(a, c, b, n * -1.0, mat);
    }
    void quad(vertex a, vertex b, vertex c, vertex d, v3 inside, int mat)
    {
        tri(a, b, c, inside, mat);
        tri(a, c, d, inside, mat);
    }

    void box(v3 lo, v3 hi, int mat)
    {
        const v3 inside = (lo + hi) * 0.5;
        auto p = [&](int i) { return v3{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z}; };
        const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
        for (const auto& f : faces) {
            vertex q[4];
            const double uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
            for (int k = 0; k < 4; ++k) q[k] = {p(f[k]), {}, uv[k][0], uv[k][1]};
            quad(q[0], q[1], q[2], q[3], inside, mat);
        }
    }

    // A frustum from centre a (radius ra) to centre b (radius rb), closed at both ends.
    void frustum(v3 a, v3 b, double ra, double rb, int segments, int mat)
    {
        const v3 axis = unit(b - a);
        const v3 side = unit(cross(axis, std::fabs(axis.y) < 0.9 ? v3{0, 1, 0} : v3{1, 0, 0}));
        const v3 up = cross(side, axis);
        const v3 inside = (a + b) * 0.5;
        for (int i = 0; i < segments; ++i) {
            const double t0 = 2.0 * k_pi * i / segments;
            const double t1 = 2.0 * k_pi * (i + 1) / segments;
            const v3 d0 = side * std::cos(t0) + up * std::sin(t0);
            const v3 d1 = side * std::cos(t1) + up * std::sin(t1);
            const double u0 = static_cast<double>(i) / segments;
            const double u1 = static_cast<double>(i + 1) / segments;
            const vertex a0{a + d0 * ra, {}, u0, 1}, a1{a + d1 * ra, {}, u1, 1};
            const vertex b0{b + d0 * rb, {}, u0, 0}, b1{b + d1 * rb, {}, u1, 0};
            if (ra > 0 && rb > 0) {
                quad(a0, a1, b1, b0, inside, mat);
            } else if (ra > 0) {
                tri(a0, a1, b0, inside, mat);
            } else {
                tri(a0, b1, b0, inside, mat);
            }
            if (ra > 0) tri({a, {}, 0.5, 0.5}, a0, a1, inside, mat);
            if (rb > 0) tri({b, {}, 0.5, 0.5}, b0, b1, inside, mat);
        }
    }

    const std::vector<vertex>& vertices() const { return vertices_; }
    const std::vector<int>& materials() const { return materials_; }

private:
    void add(vertex a, vertex b, vertex c, v3 n, int mat)
    {
        a.n = b.n = c.n = n;
        vertices_.push_back(a);
        vertices_.push_back(b);
        vertices_.push_back(c);
        materials_.push_back(mat);
    }
    std::vector<vertex> vertices_;
    std::vector<int> materials_;  // one per triangle
};

std::string num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", std::fabs(v) < 5e-7 ? 0.0 : v);
    return buf;
}

// Writes a Mesh data object with normals, texture coordinates and materials.
std::string mesh_text(const std::string& name, const mesh_builder& m, const std::vector<material>& mats,
                      const std::string& indent)
{
    const auto& vs = m.vertices();
    const size_t faces = vs.size() / 3;
    std::string s = indent + "Mesh " + name + " {\n";
    s += indent + " " + std::to_string(vs.size()) + ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        s += indent + " " + num(vs[i].p.x) + ";" + num(vs[i].p.y) + ";" + num(vs[i].p.z) + ";"
            + (i + 1 < vs.size() ? "," : ";") + "\n";
    }
    s += indent + " " + std::to_string(faces) + ";\n";
    auto face_list = [&](std::string& out) {
        for (size_t f = 0; f < faces; ++f) {
            out += indent + "  3;" + std::to_string(3 * f) + "," + std::to_string(3 * f + 1) + ","
                + std::to_string(3 * f + 2) + ";" + (f + 1 < faces ? "," : ";") + "\n";
        }
    };
    face_list(s);
    s += indent + " MeshNormals {\n" + indent + "  " + std::to_string(vs.size()) + ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        s += indent + "  " + num(vs[i].n.x) + ";" + num(vs[i].n.y) + ";" + num(vs[i].n.z) + ";"
            + (i + 1 < vs.size() ? "," : ";") + "\n";
    }
    s += indent + "  " + std::to_string(faces) + ";\n";
    face_list(s);
    s += indent + " }\n";
    s += indent + " MeshTextureCoords {\n" + indent + "  " + std::to_string(vs.size()) + ";\n";
    for (size_t i = 0; i < vs.size(); ++i) {
        s += indent + "  " + num(vs[i].u) + ";" + num(vs[i].v) + ";" + (i + 1 < vs.size() ? "," : ";") + "\n";
    }
    s += indent + " }\n";
    s += indent + " MeshMaterialList {\n" + indent + "  " + std::to_string(mats.size()) + ";\n" + indent
        + "  " + std::to_string(faces) + ";\n";
    for (size_t f = 0; f < faces; ++f) {
        s += indent + "  " + std::to_string(m.materials()[f]) + (f + 1 < faces ? "," : ";;") + "\n";
    }
    for (const material& mat : mats) {
        s += indent + "  Material {\n";
        s += indent + "   " + num(mat.r) + ";" + num(mat.g) + ";" + num(mat.b) + ";1.000000;;\n";
        s += indent + "   " + num(mat.power) + ";\n";
        s += indent + "   " + num(mat.specular) + ";" + num(mat.specular) + ";" + num(mat.specular) + ";;\n";
        s += indent + "   " + num(mat.emissive * mat.r) + ";" + num(mat.emissive * mat.g) + ";"
            + num(mat.emissive * mat.b) + ";;\n";
        if (!mat.texture.empty()) s += indent + "   TextureFilename {\n" + indent + "    \"" + mat.texture + "\";\n" + indent + "   }\n";
        s += indent + "  }\n";
    }
    s += indent + " }\n";
    s += indent + "}\n";
    return s;
}

std::string translation(double x, double y, double z, const std::string& indent)
{
    return indent + "FrameTransformMatrix {\n" + indent + " 1.000000,0.000000,0.000000,0.000000,\n" + indent
        + " 0.000000,1.000000,0.000000,0.000000,\n" + indent + " 0.000000,0.000000,1.000000,0.000000,\n"
        + indent + " " + num(x) + "," + num(y) + "," + num(z) + ",1.000000;;\n" + indent + "}\n";
}

const char* k_header = "xof 0303txt 0032\n\n";

// A painted camouflage or panel texture for a model.
void model_texture(const std::string& name, rgba base, rgba other, std::uint32_t seed, double scale)
{
    image img(128, 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const double n = fractal_noise(x / 128.0 * scale, y / 128.0 * scale, static_cast<int>(scale), 3, seed);
            rgba c = n > 0.55 ? other : base;
            const double grain = 0.92 + 0.08 * value_noise(x * 0.5, y * 0.5, 64, seed + 7);
            c.r *= grain;
            c.g *= grain;
            c.b *= grain;
            // Panel lines every 32 texels.
            if (x % 32 == 0 || y % 32 == 0) c = mix(c, {0, 0, 0, 1}, 0.35);
            img.set(x, y, c);
        }
    }
    write_dds(name, img);
}

// A model of three nested frames, as the launchers and radars have them: the base, the turret
// that turns on it at height turret_y and the barrel that tips on the turret at barrel_y (m).
std::string turret_model_text(const char* frame, const char* base_name, const mesh_builder& base, double turret_y,
                              const mesh_builder& turret, double barrel_y, const mesh_builder& barrel,
                              const std::vector<material>& mats)
{
    std::string s = k_header;
    s += std::string("Frame ") + frame + " {\n" + translation(0, 0, 0, " ") + mesh_text(base_name, base, mats, " ");
    s += " Frame turret {\n" + translation(0, turret_y, 0, "  ") + mesh_text("turret_mesh", turret, mats, "  ");
    s += "  Frame barrel {\n" + translation(0, barrel_y, 0, "   ") + mesh_text("barrel_mesh", barrel, mats, "   ");
    s += "  }\n }\n}\n";
    return s;
}

void launcher_model()
{
    const std::vector<material> mats = {{0.6, 0.65, 0.5, 10, 0.2, 0, "launcher.dds"},
                                        {0.15, 0.15, 0.15, 5, 0.1, 0, ""}};
    mesh_builder base;
    base.box({-1.4, 0.5, -2.8}, {1.4, 0.9, 2.8}, 0);  // trailer bed
    for (int i = 0; i < 4; ++i) {
        const double x = i & 1 ? 1.25 : -1.25;
        const double z = i & 2 ? 1.8 : -1.8;
        base.frustum({x - 0.15, 0.5, z}, {x + 0.15, 0.5, z}, 0.5, 0.5, 12, 1);  // wheels
    }
    mesh_builder turret;
    turret.frustum({0, 0, 0}, {0, 0.5, 0}, 1.0, 0.9, 16, 0);  // turntable
    turret.box({-0.95, 0.5, -0.4}, {-0.75, 1.3, 0.4}, 0);      // elevation brackets
    turret.box({0.75, 0.5, -0.4}, {0.95, 1.3, 0.4}, 0);
    mesh_builder barrel;
    // A 2 x 2 pack of missile canisters from 0.6 m behind the pivot to 4.4 m in front (-z).
    for (int i = 0; i < 4; ++i) {
        const double x = i & 1 ? 0.3 : -0.3;
        const double y = i & 2 ? 0.3 : -0.3;
        barrel.frustum({x, y, 0.6}, {x, y, -4.4}, 0.27, 0.27, 12, 0);
    }
    barrel.box({-0.7, -0.1, -0.3}, {0.7, 0.1, 0.3}, 1);  // trunnion
    write_output_text("launchers\\amraam\\launcher.x",
                      turret_model_text("launcher", "launcher_base", base, 0.9, turret, 1.0, barrel, mats));
    model_texture("launchers\\amraam\\launcher.dds", {0.45, 0.5, 0.3, 1}, {0.3, 0.33, 0.2, 1}, 301, 4);
}

void radar_model()
{
    const std::vector<material> mats = {{0.7, 0.72, 0.65, 10, 0.2, 0, "radar.dds"},
                                        {0.9, 0.9, 0.88, 30, 0.6, 0, ""}};
    mesh_builder base;
    base.box({-1.2, 0.0, -1.8}, {1.2, 1.0, 1.8}, 0);               // equipment shelter
    base.frustum({0, 1.0, 0}, {0, 2.6, 0}, 0.25, 0.2, 12, 0);    // mast
    mesh_builder turret;
    turret.frustum({0, 0, 0}, {0, 0.4, 0}, 0.45, 0.35, 12, 0);
    turret.box({-0.9, 0.3, -0.15}, {-0.75, 1.0, 0.15}, 0);        // yoke
    turret.box({0.75, 0.3, -0.15}, {0.9, 1.0, 0.15}, 0);
    mesh_builder barrel;
    // A parabolic dish of 1.6 m radius looking along -z, held 0.6 m in front of the pivot so it
    // clears the mast when it tips; its rim is 0.5 m in front of its vertex.
    const int rings = 6, sectors = 24;
    const double radius = 1.6, depth = 0.5;
    auto dish = [&](int ring, int sector) {
        const double r = radius * ring / rings;
        const double a = 2.0 * k_pi * sector / sectors;
        const double z = -0.6 - depth * (r / radius) * (r / radius);
        return vertex{{r * std::cos(a), r * std::sin(a), z}, {}, 0.5 + 0.5 * r / radius * std::cos(a),
                      0.5 + 0.5 * r / radius * std::sin(a)};
    };
    for (int ring = 0; ring < rings; ++ring) {
        for (int s = 0; s < sectors; ++s) {
            if (ring == 0) {
                barrel.two_sided(dish(0, 0), dish(1, s), dish(1, s + 1), 1);
            } else {
                barrel.two_sided(dish(ring, s), dish(ring + 1, s), dish(ring + 1, s + 1), 1);
                barrel.two_sided(dish(ring, s), dish(ring + 1, s + 1), dish(ring, s + 1), 1);
            }
        }
    }
    barrel.frustum({0, 0, -0.6}, {0, 0, -1.9}, 0.05, 0.05, 8, 0);  // feed boom
    barrel.box({-0.12, -0.12, -2.1}, {0.12, 0.12, -1.9}, 0);       // feed horn
    barrel.box({-0.75, -0.08, -0.1}, {0.75, 0.08, 0.1}, 0);        // elevation axle
    barrel.box({-0.08, -0.08, -0.6}, {0.08, 0.08, -0.1}, 0);       // dish arm
    write_output_text("radars\\Parabolic_Radar\\radar.x",
                      turret_model_text("radar", "radar_base", base, 2.6, turret, 0.8, barrel, mats));
    model_texture("radars\\Parabolic_Radar\\radar.dds", {0.55, 0.6, 0.45, 1}, {0.45, 0.5, 0.35, 1}, 311, 2);
}

void command_model()
{
    const std::vector<material> mats = {{0.5, 0.55, 0.35, 5, 0.05, 0, "tent.dds"},
                                        {0.2, 0.2, 0.2, 5, 0.1, 0, ""}};
    mesh_builder tent;
    // A ridge tent 6 m long, 4 m wide and 2.6 m high: two roof slopes and two gable ends.
    const v3 inside{0, 1.0, 0};
    const vertex l0{{-2, 0, -3}, {}, 0, 1}, l1{{-2, 0, 3}, {}, 1, 1};
    const vertex r0{{2, 0, -3}, {}, 0, 1}, r1{{2, 0, 3}, {}, 1, 1};
    const vertex t0{{0, 2.6, -3}, {}, 0, 0}, t1{{0, 2.6, 3}, {}, 1, 0};
    tent.quad(l0, l1, t1, t0, inside, 0);
    tent.quad(r0, r1, t1, t0, inside, 0);
    tent.tri(l0, r0, t0, inside, 0);
    tent.tri(l1, r1, t1, inside, 0);
    // A dark door flap on the front gable and a whip antenna at the back.
    tent.two_sided({{-0.6, 0.01, -3.02}, {}, 0, 1}, {{0.6, 0.01, -3.02}, {}, 1, 1}, {{0, 1.8, -3.02}, {}, 0.5, 0}, 1);
    tent.frustum({0, 2.6, 2.8}, {0, 6.0, 2.8}, 0.04, 0.01, 6, 1);
    std::string s = k_header;
    s += "Frame command {\n" + translation(0, 0, 0, " ") + mesh_text("command_tent", tent, mats, " ") + "}\n";
    write_output_text("commands\\Tent\\command.x", s);
    model_texture("commands\\Tent\\tent.dds", {0.42, 0.45, 0.28, 1}, {0.36, 0.38, 0.24, 1}, 321, 8);
}

// A second launcher: a tracked chassis whose turret carries two open launch rails.
void rail_launcher_model()
{
    const std::vector<material> mats = {{0.55, 0.55, 0.48, 10, 0.2, 0, "launcher.dds"},
                                        {0.2, 0.2, 0.2, 5, 0.1, 0, ""}};
    mesh_builder base;
    base.box({-1.5, 0.4, -3.0}, {1.5, 1.2, 3.0}, 0);   // hull
    base.box({-1.7, 0.0, -3.2}, {-1.3, 0.7, 3.2}, 1);  // tracks
    base.box({1.3, 0.0, -3.2}, {1.7, 0.7, 3.2}, 1);
    mesh_builder turret;
    turret.frustum({0, 0, 0}, {0, 0.4, 0}, 0.9, 0.8, 16, 0);  // turntable
    turret.box({-0.85, 0.4, -0.3}, {-0.7, 1.1, 0.3}, 0);       // elevation brackets
    turret.box({0.7, 0.4, -0.3}, {0.85, 1.1, 0.3}, 0);
    mesh_builder barrel;
    // Two rails from 0.5 m behind the pivot to 4.5 m in front (-z), joined by cross beams.
    barrel.box({-0.55, -0.06, -4.5}, {-0.35, 0.06, 0.5}, 1);
    barrel.box({0.35, -0.06, -4.5}, {0.55, 0.06, 0.5}, 1);
    barrel.box({-0.6, -0.1, -0.2}, {0.6, 0.1, 0.2}, 0);
    barrel.box({-0.6, -0.1, -3.2}, {0.6, 0.1, -2.8}, 0);
    write_output_text("launchers\\Rail\\launcher.x",
                      turret_model_text("launcher", "rail_base", base, 1.2, turret, 0.9, barrel, mats));
    model_texture("launchers\\Rail\\launcher.dds", {0.5, 0.5, 0.42, 1}, {0.38, 0.38, 0.3, 1}, 302, 4);
}

// A second radar: a flat array face on a short mast over its shelter.
void array_radar_model()
{
    const std::vector<material> mats = {{0.65, 0.68, 0.6, 10, 0.2, 0, "radar.dds"},
                                        {0.3, 0.32, 0.35, 30, 0.5, 0, ""}};
    mesh_builder base;
    base.box({-1.3, 0.0, -2.0}, {1.3, 1.2, 2.0}, 0);             // equipment shelter
    base.frustum({0, 1.2, 0}, {0, 2.2, 0}, 0.3, 0.25, 12, 0);  // mast
    mesh_builder turret;
    turret.frustum({0, 0, 0}, {0, 0.3, 0}, 0.5, 0.4, 12, 0);
    turret.box({-1.0, 0.2, -0.15}, {-0.85, 0.9, 0.15}, 0);      // yoke
    turret.box({0.85, 0.2, -0.15}, {1.0, 0.9, 0.15}, 0);
    mesh_builder barrel;
    // The array face, 2.4 m by 1.8 m, 0.5 m in front of the pivot, on an axle and two arms.
    barrel.box({-1.2, -0.9, -0.65}, {1.2, 0.9, -0.5}, 1);
    barrel.box({-0.8, -0.07, -0.1}, {0.8, 0.07, 0.1}, 0);
    barrel.box({-0.6, -0.07, -0.5}, {-0.45, 0.07, -0.1}, 0);
    barrel.box({0.45, -0.07, -0.5}, {0.6, 0.07, -0.1}, 0);
    write_output_text("radars\\Phased_Array\\radar.x",
                      turret_model_text("radar", "array_base", base, 2.2, turret, 0.6, barrel, mats));
    model_texture("radars\\Phased_Array\\radar.dds", {0.6, 0.62, 0.52, 1}, {0.48, 0.5, 0.4, 1}, 312, 2);
}

// A second command post: a cabin on the ground with a whip antenna on its roof.
void shelter_command_model()
{
    const std::vector<material> mats = {{0.5, 0.52, 0.4, 5, 0.05, 0, "shelter.dds"},
                                        {0.2, 0.2, 0.2, 5, 0.1, 0, ""}};
    mesh_builder cabin;
    cabin.box({-1.5, 0.0, -2.5}, {1.5, 2.4, 2.5}, 0);
    cabin.box({-0.5, 0.0, -2.55}, {0.5, 1.9, -2.5}, 1);  // door
    cabin.frustum({1.2, 2.4, 2.2}, {1.2, 5.5, 2.2}, 0.04, 0.01, 6, 1);
    std::string s = k_header;
    s += "Frame command {\n" + translation(0, 0, 0, " ") + mesh_text("command_shelter", cabin, mats, " ") + "}\n";
    write_output_text("commands\\Shelter\\command.x", s);
    model_texture("commands\\Shelter\\shelter.dds", {0.46, 0.48, 0.34, 1}, {0.38, 0.4, 0.28, 1}, 322, 8);
}

void target_model()
{
    // The hostile rocket: nose along +z, 6 m long, 0.5 m across, four tail fins.
    const std::vector<material> mats = {{0.75, 0.75, 0.7, 20, 0.4, 0, "target.dds"},
                                        {0.5, 0.2, 0.15, 10, 0.2, 0, ""}};
    mesh_builder m;
    m.frustum({0, 0, -3.0}, {0, 0, 2.0}, 0.25, 0.25, 16, 0);
    m.frustum({0, 0, 2.0}, {0, 0, 3.0}, 0.25, 0.0, 16, 1);
    for (int i = 0; i < 4; ++i) {
        const double a = k_pi / 4 + i * k_pi / 2;
        const v3 out{std::cos(a), std::sin(a), 0};
        const vertex root0{out * 0.25 + v3{0, 0, -3.0}, {}, 0, 1};
        const vertex root1{out * 0.25 + v3{0, 0, -1.8}, {}, 1, 1};
        const vertex tip{out * 0.85 + v3{0, 0, -3.0}, {}, 0, 0};
        m.two_sided(root0, root1, tip, 1);
    }
    std::string s = k_header;
    s += "Frame target {\n" + translation(0, 0, 0, " ") + mesh_text("target_rocket", m, mats, " ") + "}\n";
    write_output_text("common\\target.x", s);
    model_texture("common\\target.dds", {0.8, 0.8, 0.75, 1}, {0.7, 0.7, 0.65, 1}, 331, 2);
}

void beam_model()
{
    // A beam of light one unit long along +z from its source, widening to 0.1; scaled and
    // spun by the object that uses it. Drawn self-lit and additive.
    const std::vector<material> mats = {{1.0, 1.0, 0.9, 0, 0, 1.0, "beam.dds"}};
    mesh_builder m;
    const int sectors = 16;
    for (int i = 0; i < sectors; ++i) {
        const double a0 = 2.0 * k_pi * i / sectors, a1 = 2.0 * k_pi * (i + 1) / sectors;
        const vertex apex{{0, 0, 0}, {}, 0.5, 0};
        const vertex e0{{0.1 * std::cos(a0), 0.1 * std::sin(a0), 1.0}, {}, static_cast<double>(i) / sectors, 1};
        const vertex e1{{0.1 * std::cos(a1), 0.1 * std::sin(a1), 1.0}, {}, static_cast<double>(i + 1) / sectors, 1};
        m.two_sided(apex, e0, e1, 0);
    }
    std::string s = k_header;
    s += "Frame beam {\n" + translation(0, 0, 0, " ") + mesh_text("light_beam", m, mats, " ") + "}\n";
    write_output_text("graphics\\beam.x", s);
    // Bright at the source (v = 0), fading out along the beam.
    image img(16, 64);
    for (int y = 0; y < 64; ++y) {
        const double g = 1.0 - y / 63.0;
        for (int x = 0; x < 16; ++x) img.set(x, y, {g, g, g * 0.9, 1});
    }
    write_dds("graphics\\beam.dds", img);
}

// A floating navigation buoy whose file name holds "float", so a light definition mounts it on
// a floater: a round hull, a cone with a small mast and a lantern cage on top (2.7 m high, its
// waterline at y = 0), with red and white bands.
void float_buoy_model()
{
    const std::vector<material> mats = {{0.85, 0.85, 0.85, 10, 0.2, 0, "buoy.dds"},
                                        {0.2, 0.2, 0.2, 5, 0.1, 0, ""}};
    mesh_builder m;
    m.frustum({0, -0.6, 0}, {0, 0.4, 0}, 0.9, 1.0, 16, 0);   // hull
    m.frustum({0, 0.4, 0}, {0, 1.8, 0}, 0.8, 0.15, 16, 0);   // cone
    m.frustum({0, 1.8, 0}, {0, 2.4, 0}, 0.06, 0.06, 8, 1);   // mast
    m.box({-0.15, 2.4, -0.15}, {0.15, 2.7, 0.15}, 1);         // lantern cage
    std::string s = k_header;
    s += "Frame float_buoy {\n" + translation(0, 0, 0, " ") + mesh_text("buoy_hull", m, mats, " ") + "}\n";
    write_output_text("common\\float_buoy.x", s);
    // Bands along v (the hull and cone run v from 1 at the bottom to 0 at the top).
    image img(64, 64);
    for (int y = 0; y < 64; ++y) {
        const bool red = (y / 16) % 2 == 0;
        for (int x = 0; x < 64; ++x) img.set(x, y, red ? rgba{0.75, 0.1, 0.08, 1} : rgba{0.92, 0.92, 0.9, 1});
    }
    write_dds("common\\buoy.dds", img);
}

// Light definitions: the step count and pairs of (end time in s, lit), the sector count and
// groups of (start bearing in rad, red, green, blue), then the model flag with the model's
// name and twelve numbers (model position, model scale, light position, light width and
// height, one unused).
void light_definitions()
{
    // A harbour light: two short flashes every 6 s, green to the north-east, white ahead
    // (south-east), red to the west.
    write_output_text("common\\harbour_light.def",
                      "4\n0.5 1\n1.5 0\n2.0 1\n6.0 0\n"
                      "3\n0.0 0 255 64\n1.5708 255 255 230\n3.1416 255 32 0\n"
                      "0\n");
    // A buoy light: one white flash every 4 s on the floating buoy.
    write_output_text("common\\buoy_light.def",
                      "2\n1.0 1\n4.0 0\n"
                      "0\n"
                      "1 float_buoy\n0 0 0\n1 1 1\n0 2.55 0\n1.5 1.5 0\n");
}

void cow_model()
{
    // A grazing cow for the debug key: a body bone at the root and a head bone 1.1 m up and
    // 1.2 m forward, one skinned mesh (the head's vertices follow the head bone) and one
    // animation that nods the head down and up over one second.
    const std::vector<material> mats = {{0.45, 0.3, 0.2, 5, 0.1, 0, ""}};
    mesh_builder m;
    m.frustum({0, 1.0, -1.0}, {0, 1.0, 0.8}, 0.45, 0.45, 8, 0);   // body
    m.frustum({0, 1.1, 0.9}, {0, 0.9, 1.6}, 0.2, 0.12, 8, 0);     // head
    for (double x : {-0.3, 0.3}) {
        for (double z : {-0.8, 0.6}) m.frustum({x, 0.9, z}, {x, 0.0, z}, 0.08, 0.06, 6, 0);  // legs
    }
    const auto& vs = m.vertices();
    std::vector<int> head, body;
    for (size_t i = 0; i < vs.size(); ++i) (vs[i].p.z > 0.85 ? head : body).push_back(static_cast<int>(i));
    auto weights = [&](const std::string& bone, const std::vector<int>& list, double oy, double oz) {
        std::string w = "  SkinWeights {\n   \"" + bone + "\";\n   " + std::to_string(list.size()) + ";\n   ";
        for (size_t i = 0; i < list.size(); ++i) w += std::to_string(list[i]) + (i + 1 < list.size() ? "," : ";\n   ");
        for (size_t i = 0; i < list.size(); ++i) w += std::string("1.000000") + (i + 1 < list.size() ? "," : ";\n   ");
        // Mesh space to bone space: the inverse of the bone's rest position.
        w += "1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,"
             "0.000000,0.000000,1.000000,0.000000,0.000000," + num(-oy) + "," + num(-oz) + ",1.000000;;\n  }\n";
        return w;
    };
    std::string mesh = mesh_text("cow_skin", m, mats, " ");
    // The skin records go inside the Mesh object, before its closing brace.
    mesh.erase(mesh.rfind('}'));
    mesh += "  XSkinMeshHeader {\n   1;\n   1;\n   2;\n  }\n";
    mesh += weights("body", body, 0.0, 0.0) + weights("head", head, 1.1, 1.2) + " }\n";
    std::string s = k_header;
    s += "AnimTicksPerSecond {\n 4800;\n}\n";
    s += "Frame body {\n" + translation(0, 0, 0, " ") + mesh;
    s += " Frame head {\n" + translation(0, 1.1, 1.2, "  ") + " }\n}\n";
    s += "AnimationSet graze {\n Animation nod {\n  { head }\n  AnimationKey {\n   0;\n   3;\n"
         "   0;4;1.000000,0.000000,0.000000,0.000000;;,\n"
         "   2400;4;0.965926,0.258819,0.000000,0.000000;;,\n"
         "   4800;4;1.000000,0.000000,0.000000,0.000000;;;\n  }\n }\n}\n";
    write_output_text("animals\\cow\\animal_s.x", s);
}

}  // namespace

void generate_models()
{
    launcher_model();
    rail_launcher_model();
    radar_model();
    array_radar_model();
    command_model();
    shelter_command_model();
    target_model();
    beam_model();
    float_buoy_model();
    light_definitions();
    cow_model();
}
