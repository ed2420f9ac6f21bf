// A frame that draws one piece of flat, textured ground geometry from a vertex buffer of its
// own: the runways, roads, tracks and patches of a scenery. It lies on the ground through a
// projection of its own without writing depth (so it never fights with the terrain), may
// carry a night texture drawn unlit at night, receives shadows in the shadow pass and
// answers the picking ray on its triangles.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/frame.h"
#include "platform/gfx_device.h"

// A vertex of the visual (and of meshes): position, normal, one texture coordinate.
struct model_vertex {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 1, nz = 0;
    float u = 0, v = 0;
};

class visual : public frame {
public:
    visual();
    ~visual() override;

    void clear_children() override;
    void render() override;
    void update_bounding_box() override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;

    void set_colour(float r, float g, float b, float a);
    // Keeps every stride-th of the total points from start on; false when that is nothing
    // to keep or memory runs out.
    bool set_points(int total, int stride, int start, const vec3* points);
    // Type 4 triangle list, 5 strip, 6 fan; false (and nothing kept) for another type, for
    // a strip or fan of fewer than three vertices or a list of fewer than one triangle, and
    // when the device refuses the buffer.
    bool create_vertex_buffer(std::uint32_t primitive_type, int vertex_count,
                              const model_vertex* vertices);
    // Loads the texture (its "_n" night variant when one exists); nothing for the name it
    // already has.
    void set_texture(const char* file_name, int load_mode);
    // Lays every vertex on the ground below it.
    void drape_on_ground();
    // What draping does besides moving the vertices: the ground under every vertex counts as
    // taken and the strip casts no shadow. For geometry already shaped to the ground (a
    // track's raised bed), which draping would flatten.
    void mark_draped();

    std::uint8_t near_projection = 0;
    std::uint8_t night_variant = 0;
    std::int32_t vertex_count = 0;
    std::int32_t primitive_count = 0;
    std::int32_t point_count = 0;
    std::uint32_t primitive_type = PT_TRIANGLELIST;
    gfx_material material;
    vertex_buffer_ptr vertex_buffer;
    gfx_texture* texture = nullptr;
    std::vector<vec3> points;

private:
    void render_shadow_receiver();
    // Marks the ground under every vertex; with lay, also lays the vertex on it.
    void mark_ground(bool lay);
    void release_texture();
};

hresult create_visual(frame* parent, visual** out);
hresult create_detached_visual(visual** out);
hresult destroy_visual(visual** variable);
