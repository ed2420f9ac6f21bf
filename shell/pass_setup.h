// The numbers behind the scene's frame and its off-screen passes, worked out as plain
// functions of their inputs so they can be checked without a device: the fog, clear and
// ambient colours of a frame above or below the water, the shadow map's ground point and
// light matrices, the overhead view of the sea's wave patches, and whether the main view
// takes in any water (the passes that serve only the water are left out when it does not).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/math3d.h"

class terrain;

// What the fog of a frame is made from. Distances in m; colours as the sky gives them.
struct fog_inputs {
    bool above_water = true;
    float camera_alt = 0.0f;      // absolute camera altitude (m)
    float fog_alt = 1000.0f;      // [fog_alt]: top of the air fog layer
    float fog_air = 10000.0f;     // [fog_air]: visibility inside the layer
    float max_fog = 150000.0f;    // visibility in clear air
    int sky_fog_rgb[3] = {225, 240, 255};
    float sky_rgb[3] = {0.5f, 0.7f, 1.0f};   // 0..1
    float sun_rgb[3] = {1.0f, 1.0f, 1.0f};   // 0..1
    // Below water: the camera's height above the higher of ground and sea surface (negative
    // under water), the sea fog distance and the [sea] colour as read.
    float height_above_surface = 0.0f;
    float sea_fog = 50.0f;
    int sea_rgb[3] = {0, 64, 96};
};

struct fog_setup {
    int mode = 1;                 // 1 air fog, 0 water fog
    float distance = 10000.0f;    // the fog "density" as a distance: the device gets 2.3 / it
    float blended = 10000.0f;     // for the shaders: the layer and clear air mixed by height
    float distance_copy = 10000.0f;
    std::uint32_t fog_colour = 0xFFFFFFFFu;
    std::uint32_t clear_colour = 0xFF000000u;
    std::uint32_t ambient_colour = 0xFF808080u;
    float sun_rgb[3] = {1.0f, 1.0f, 1.0f};  // the sun light's colour for this frame
    float depth_factors[8] = {1, 1, 1, 1, 1, 1, 1, 1};
};

// Opaque ARGB from three channel values; each is clamped to 0..255 first, so a value out of
// range never spills into its neighbour.
std::uint32_t pack_opaque_rgb(float r, float g, float b);
fog_setup compute_fog(const fog_inputs& in);

// The shadow map's view: the camera's sight line (pointing down at least 0.2) meets the
// ground in three bisection steps; the light looks at that point from shadow distance away.
struct shadow_setup {
    float distance = 0.0f;        // along the sight line to the ground point, plus [shadow_alt]
    vec3 ground_point;            // the last point tried on the sight line
    vec3 eye;                     // the light's eye point
    mat4 view = mat_identity();
    mat4 projection = mat_identity();
};

// ground(x, z) is the ground height; sea_level the sea surface height under the camera.
shadow_setup compute_shadow(const vec3& camera, vec3 forward, const vec3& light_direction,
                            float shadow_alt, const std::function<float(float, float)>& ground,
                            float sea_level);
// The view that looks from eye along direction (unit).
mat4 light_view(const vec3& eye, const vec3& direction);

// The overhead view of the sea: straight down from 5000 m over a square around the camera
// (or behind a tracked object).
struct overhead_setup {
    float centre_x = 0.0f, height = 5000.0f, centre_z = 0.0f, half_size = 128.0f;  // absolute
    mat4 view = mat_identity();
    mat4 projection = mat_identity();
};

struct overhead_inputs {
    vec3 camera;                  // scene position and forward axis
    vec3 camera_forward{0.0f, 0.0f, 1.0f};
    float camera_above_water = 0.0f;
    bool tracking = false;        // the camera tracks an object:
    vec3 object;                  // its scene position, forward axis and camera distance
    vec3 object_forward{0.0f, 0.0f, 1.0f};
    float object_distance = 0.0f;
    vec3 origin;                  // the world origin offset
};

overhead_setup compute_overhead(const overhead_inputs& in);

// Whether water can be drawn in the main view seen through view_projection (world x view x
// projection of the scene): the camera under the water, no scenery, the sea's own wave grid
// (drawn beyond the tiles as well) all count as water in view; otherwise a tile with water
// (triangles under the level) whose square at the water plane lies in the view volume, as the
// water's own drawing tests it. water_y is the water plane in scene coordinates.
bool water_in_view(const terrain& ground, const mat4& view_projection, float water_y, bool above_water);
