// A missile's fragmentation warhead and its proximity fuse: a conical steel case filled with
// explosive, whose fragments leave at the Gurney speed and kill where their density on the
// target reaches a threshold. From its dimensions it derives the explosive and case masses,
// fragment speed, size and count, the kill distance, the time the fragments need to reach it,
// the fuse range and the smart fuse delay; for the design screens it gives blast and fragment
// values at any distance; at closest approach it decides whether the spray meets the target.
// Its definition file is "warheads\<name>.txt".
#pragma once

#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "platform/math3d.h"
#include "simulation/design_name.h"

constexpr int warhead_fragment_angles = 36;

// What the warhead screen plots against distance (warhead::effects_at_distance).
struct blast_results {
    float scaled_distance = 0.0f;   // m per kg^(1/3) of explosive
    float over_pressure = 0.0f;     // psi
    float dynamic_pressure = 0.0f;
    float fragment_speed = 0.0f;    // m/s after drag
    float fragment_energy = 0.0f;   // J
    float fragment_density = 0.0f;  // fragments per m²
};

// One vertex of the warhead's preview meshes: position (cm, axis along z, front at
// -LN / 2), normal and colour (ARGB); 28 bytes, as the device draws them.
struct warhead_vertex {
    vec3 position;
    vec3 normal;
    std::uint32_t colour = 0;
};

// The warhead is a frame (owned by its missile, not in the scene graph) so the missile's
// assembled view can place and draw it like the other parts.
class warhead : public frame {
public:
    // The defaults, with the 36 fragment preview angles drawn from the program's rand, then
    // everything computed with the previews.
    warhead();

    // compute_performance, then the body mesh; with previews also the fragment lines and the
    // guidance-section and seeker-head shapes; then the frame's box and radius.
    void compute(bool with_previews);
    // The preview meshes (warhead_draw.cpp): surfaces of revolution in 18 steps of 20 degrees.
    void build_body();
    void build_fragments();
    void build_guidance_section();
    void build_seeker_head();
    // In the scene (not in the second root pass): the body, then its case again as wireframe.
    void render() override;
    // The design views: the body (and the fragment lines when asked) with its own projection
    // and light, x, y, z in (LN + DC + DS); the two seeker shapes in a colour (0..1 each)
    // with the frame's world transform.
    void draw(float pitch, float yaw, float x, float y, float z, bool show_fragments);
    void draw_guidance_section(float r, float g, float b);
    void draw_seeker_head(float r, float g, float b);

    // Reads "warheads\<name>.txt" and recomputes every derived value; false (nothing changed)
    // when the name is refused, the file does not open or it cannot be read whole (cut short).
    // Each value outside its range (diameters up to 10 m, a length up to 100 m, the ranges of
    // compute_performance) is bounded with a log line naming the file.
    bool load(const char* design_name);
    // Takes the name and writes "warheads\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    // Bounds every input and derives every value in order.
    void compute_performance();
    // Fills `effects` at a distance in m from the warhead. Without explosive there is no blast
    // and no fragment speed; at a distance of 0 or less every value is 0.
    void effects_at_distance(float distance);
    // The fuse delay in ms that lets the fragments meet the middle of the target when it
    // closes at closing_speed (m/s), for the lateral distance miss_distance; never below 0.
    float smart_fuse_delay(float closing_speed_now) const;
    // At closest approach: missile speed vm and target speed vt in m/s, aspect angle in rad
    // (0 head-on). Stores the closing speed (and the smart delay); true for a kill.
    bool test_fragment_hit(float vm, float vt, float aspect);

    static constexpr float k_max_diameter = 1000.0f;  // cm
    static constexpr float k_max_length = 10000.0f;   // cm

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "warheads";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it

    // Inputs, cm unless stated.
    float DS = 12.0f;               // front diameter
    float DC = 12.0f;               // base diameter
    float seeker_diameter = 12.0f;  // copied from the seeker; sizes the guidance-section preview
    float LN = 25.0f;               // length
    float TH = 0.5f;                // case thickness
    float GC = 2843.0f;             // Gurney constant, m/s
    float KC = 0.5f;                // explosive shape factor (0.5 for a cylinder)
    float fragment_mass = 25.0f;    // g, one fragment
    float CD = 0.5f;                // fragment drag coefficient
    float ER = 0.2f;                // fragmentation expansion ratio
    float KT = 2.0f;                // kill threshold, fragments per m²

    // Derived.
    float explosive_mass = 0.0f;        // kg
    float case_mass = 0.0f;             // kg
    float fragment_speed = 0.0f;        // m/s, initial (Gurney)
    float fragment_size = 0.0f;         // cm, edge of a cube of one fragment's mass
    float fragment_area = 0.0f;         // m²
    float fragment_count = 0.0f;
    float fragment_axial_speed = 0.0f;  // m/s, taper x fragment speed + closing speed
    float taper = 0.0f;                 // (DC - DS) / (2 LN)

    // Fuse.
    std::uint8_t smart_delay = 1;      // the fuse delay follows the fuse geometry
    float fuse_offset = 25.0f;         // cm, fuse position relative to the warhead
    float closing_speed = 600.0f;      // m/s
    float fuse_delay = 2.0f;           // ms
    float target_length = 100.0f;      // cm, length of the target area
    float warhead_delay = 4.0f;        // ms, fragments' flight to the kill distance
    float fuse_angle = 30.0f;          // deg, fuse cone relative to the vertical
    float fuse_range = 10.0f;          // m
    float radial_speed_offset = 0.0f;  // m/s, set by the fuse screen
    float miss_distance = 100.0f;      // m, lateral distance the fuse is evaluated at

    blast_results effects;
    float kill_distance = 0.0f;  // m

    float fragment_angles[warhead_fragment_angles] = {};  // rad, preview only
    float seeker_head_diameter = 10.0f;                   // cm, preview only

    // The preview meshes: body triangles, fragment lines, guidance section and seeker head.
    std::vector<warhead_vertex> body_vertices;
    std::vector<warhead_vertex> fragment_vertices;
    std::vector<warhead_vertex> guidance_vertices;
    std::vector<warhead_vertex> seeker_vertices;
};
