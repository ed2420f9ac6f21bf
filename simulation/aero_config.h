// The airframe of a missile: a body of revolution (a nose with a spherical cap and an ogive,
// a cylinder and a boat tail) and up to 8 wing sets (fins, wings or control surfaces). It turns
// its dimensions into coefficient tables over Mach 0 to 4 by a component build-up of fitted
// chart formulas, and the missile reads drag, normal-force slope and trim angle from them each
// flight step. Its definition file is "configs\<name>.txt". Lengths are stored in cm as the
// file and the design screen give them; all computation is in m. It is a frame (an owned child
// of its missile, drawn and moved with it); its bounding box follows its dimensions.
#pragma once

#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "platform/math3d.h"
#include "simulation/design_name.h"
#include "simulation/mach_table.h"

constexpr int aero_max_wing_sets = 8;

// One vertex of the airframe's meshes: position (cm, body axis along z, nose tip at
// -body_length / 2), normal and texture coordinates; 32 bytes, as the device draws them.
struct aero_vertex {
    vec3 position;
    vec3 normal;
    float u = 0.0f, v = 0.0f;
};

class aero_config : public frame {
public:
    aero_config();

    // Reads "configs\<name>.txt"; false (nothing changed) when the name is refused, the file
    // does not open or it cannot be read whole (cut short). Values outside physical ranges are
    // bounded with a log line naming the file, then by clamp_dimensions, and the geometry is
    // rebuilt; the Mach tables are not recomputed (the caller runs compute_coefficients).
    bool load(const char* design_name);
    // Takes the name and writes "configs\<name>.txt"; false, and a log line, when the name is
    // refused or the file cannot be written.
    bool save(const char* design_name);

    // Bounds the dimensions in place and derives body_length, the two nose-arc radii and the
    // bounding box. Every load, edit and scaling passes through it before anything is built.
    void clamp_dimensions();
    // Fills every Mach table and the scalars for the altitude in m (every caller passes 0).
    // The dimensions must have passed clamp_dimensions.
    void compute_coefficients(float altitude);
    // Reads the tables at a Mach number. While the motor burns the base drag is left out.
    // trim_alpha (rad) is at most 0.5, and 0 where it is undefined.
    void get_coefficients(float mach, bool motor_burning, float& drag_coefficient, float& cn_alpha,
                          float& trim_alpha) const;

    // ---- Geometry (aero_config_geometry.cpp) ----
    // Bounds the dimensions, then rebuilds the body of revolution: 9 profile segments (nose
    // cap, ogive, cylinder, boat tail, base ring) turned in 18 steps, 972 vertices.
    void build_body(bool with_normals);
    // One wing set's panel: 3 chord segments of the hexagonal section, upper and lower face,
    // and the tip closure, 48 vertices. Nothing for a set outside 0..7.
    void build_wing_set(int set, bool with_normals);
    // The body, then all eight wing sets (those beyond NW too, so that a set added later is
    // drawn at once). A wing set stands at a place measured from the nose tip while its
    // vertices are measured from the body's middle: a new body length moves every set.
    void build_geometry();
    // Diameters (DS, DC, DB, nozzle exit, spans) or lengths (LN, LC, LT, CG, chords, wing
    // places) times the factor, then rebuilt; a factor within 0.001 of 1 changes nothing.
    void scale_diameters(float factor);
    void scale_lengths(float factor);

    // ---- Drawing (aero_config_draw.cpp) ----
    // In the scene: the airframe (not in the second root pass), then the children.
    void render() override;
    // The design views (own projection and light; x, y, z in body lengths): the body, then
    // each used wing set; draw_body may mark the centre-of-pressure range and the CG.
    void draw(float angle_x, float angle_y, float x, float y, float z, bool translucent);
    void draw_body(float angle_x, float angle_y, float x, float y, float z, bool show_markers,
                   bool translucent);
    void draw_wing_set(int set, float angle_x, float angle_y, float x, float y, float z,
                       bool highlighted);

    std::vector<aero_vertex> body_vertices;
    std::vector<aero_vertex> wing_vertices[aero_max_wing_sets];

    // What a file may give (cm): a body at most 10 m across and each section at most 100 m.
    static constexpr float k_max_diameter = 1000.0f;
    static constexpr float k_max_length = 10000.0f;

    char name[design_name_size] = {};
    static constexpr const char* k_folder = "configs";  // where its definition files lie
    part_file file = part_file::taken;  // how its file stood when a design named it

    // Body, cm.
    float DS = 8.0f;     // nose-cap (sphere section) diameter
    float DC = 12.5f;    // cylinder diameter, the reference diameter
    float DB = 8.0f;     // base diameter at the end of the boat tail
    float nozzle_exit_diameter = 0.0f;  // copied from the motor; drawing only
    float LN = 25.0f;    // nose length
    float LC = 142.0f;   // cylinder length
    float LT = 13.0f;    // boat-tail length
    float CG = 70.0f;    // centre of gravity behind the nose tip

    // Wing sets, cm; only the first NW take part.
    std::int32_t NW = 2;
    float CR[aero_max_wing_sets] = {};  // root chord
    float CT[aero_max_wing_sets] = {};  // tip chord
    float HR[aero_max_wing_sets] = {};  // root leading edge to tip trailing edge, along the body
    float B[aero_max_wing_sets] = {};   // span, tip to tip
    float TC[aero_max_wing_sets] = {};  // thickness / chord
    float XW[aero_max_wing_sets] = {};  // root leading edge behind the nose tip
    std::int32_t FLGW[aero_max_wing_sets] = {};  // 0 static, 1 control surface

    // Derived by clamp_dimensions.
    float cap_radius = 0.0f;    // cm, spherical nose cap
    float ogive_radius = 0.0f;  // cm, ogive that meets the cylinder tangentially
    float body_length = 0.0f;   // cm
    // Bounding box in m about the body's middle, and its radius (the frame takes these).
    vec3 box_min;
    vec3 box_max;
    float bounding_radius = 0.0f;

    // Derived by compute_coefficients.
    float reference_area = 0.0f;  // m², cylinder cross-section
    float mass_estimate = 0.0f;   // kg
    float xcp_min = 0.0f;         // m, extremes of xcp_total over Mach
    float xcp_max = 0.0f;

    mach_table cd0_body;                             // friction and base (and wave) drag
    mach_table cd_base;                              // the base-drag part of cd0_body
    mach_table cn_alpha_wing[aero_max_wing_sets];    // per rad, scaled by 0.8
    mach_table xcp_wing[aero_max_wing_sets];         // m behind the nose tip
    mach_table cd0_wings;
    mach_table cn_alpha_nose;
    mach_table xcp_nose;
    mach_table cn_alpha_tail;
    mach_table cm_delta;        // control set's moment about CG, per body diameter
    mach_table xcp_total;
    mach_table cn_alpha_total;
    mach_table cm_alpha;        // per body diameter; negative when stable
    mach_table xcp_tail;

private:
    void solve_nose_arcs();
    // What get_coefficients reads at one Mach slot, gathered from the tables above by
    // compute_coefficients (the sums and the trim worked out as get_coefficients did them from
    // the tables), so that a flight step reads two neighbouring entries of one small array.
    struct flight_slot {
        float drag_coasting = 0.0f;  // zero-lift drag of wings and body
        float drag_burning = 0.0f;   // the same less the base drag
        float cn_alpha = 0.0f;
        float trim_alpha = 0.0f;
    };
    void gather_flight_slots();
    flight_slot flight_[mach_table_size];
};
