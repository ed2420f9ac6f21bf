// A frame that holds one triangle mesh loaded from a .x model file, with its materials and
// textures: the drawable of scenery objects, missile-system parts, hostile rockets and
// launcher models, and the building block of `hierarchy`. After loading, its vertices are
// always position, normal and one texture coordinate (32 bytes) with 16-bit indices, and its
// faces are sorted by material so that each material draws as one subset.
//
// Its scenery behaviours (draping on the ground, drawing flags, shader parameters), the
// triangle hit tests and the height probe live here; its drawing in mesh_render.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/frame.h"
#include "platform/gfx_types.h"
#include "platform/x_file.h"
#include "platform/x_loader.h"
#include "platform/x_mesh.h"

class gfx_texture;

// The 32-byte vertex of every loaded mesh and of visuals.
constexpr std::uint32_t k_mesh_fvf = FVF_XYZ | FVF_NORMAL | FVF_TEX1;  // 0x112

class mesh : public frame {
public:
    mesh();
    ~mesh() override;

    // Clears the children, then releases the geometry, materials and textures.
    void clear_children() override;
    void render() override;
    void render_shadow() override;
    bool hit_test_point(float x, float y, float z, frame** hit) override;
    bool hit_test_frame(frame* other, frame** hit) override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;
    void surface_height(float x, float z, float* height, frame** hit) override;
    void set_shader_params(float a, float b) override;

    // Loads a ".x" file, or its ".xx" scrambled form, with every mesh of the file merged.
    // The frame name becomes the lower-cased path; textures come from the path's folder.
    // False for a missing file (no log line), a bad file, no materials or a failed step.
    bool load_x(const char* path);
    // Loads one Mesh object of an open file into this frame (any geometry it held goes). A
    // mesh without a material list draws with the fallback material when one is given and is
    // refused otherwise.
    bool load_xof(const x_file& file, const x_object& object, const char* folder,
                  const x_material* fallback = nullptr);
    // Materials and textures, vertex format, normals, face order and bounds of the loaded
    // geometry. False (and the geometry released) when the format change or a lock fails.
    bool prepare(const char* folder);
    // Writes the geometry and the file's materials as a text .x file; false when there is no
    // geometry or the file cannot be written (logged).
    bool save_x(const char* path) const;
    // Moves every vertex by the offset and recomputes the bounds.
    void translate_vertices(float dx, float dy, float dz);
    // Lays every vertex on the ground below it (a decal that follows the terrain).
    void drape_on_ground();
    // Sets self-lit and additive here and in the mesh children (recursively through meshes).
    void set_draw_flags(bool self_lit_flag, bool additive_flag);
    // "chrome", "transp", "axis", "box"/"wheel" in the text pick the shader parameters.
    bool set_shader_params_by_word(const char* text);

    // Drawing (mesh_render.cpp).
    void draw_subsets();
    void render_shadow_map();
    void render_shadow_receiver();
    // Whether a material of this diffuse alpha is drawn in the given root pass (0 all, 1
    // opaque, 2 translucent: 0.05 < alpha < 0.75).
    static bool drawn_in_pass(float alpha, int pass);

    bool has_geometry() const { return d3dx_mesh != nullptr; }

    std::unique_ptr<x_mesh> d3dx_mesh;
    std::vector<x_material> material_buffer;  // the materials as the file gives them
    std::vector<gfx_material> materials;      // as drawn
    std::vector<gfx_texture*> textures;       // cache references, one per material or none
    std::uint32_t material_count = 0;
    std::uint8_t special_draw = 0;
    std::uint8_t no_depth_write = 0;
    std::uint8_t self_lit = 0;
    std::uint8_t additive = 0;
    float shader_a = 0.0f;
    float shader_b = 0.0f;

protected:
    void release_geometry();
    // Replaces the geometry by a loaded one (false without materials).
    bool take_loaded(x_mesh_data* data, const char* folder);

private:
    bool compute_bounds();
    void lay_on_ground(std::uint8_t* vertices);
};

// The frame creation convention: 0, or E_FAIL with *out none.
hresult create_mesh(frame* parent, mesh** out);
hresult create_detached_mesh(mesh** out);
hresult destroy_mesh(mesh** variable);

// The folder of a model path: up to its last backslash, or "." without one.
void model_folder(const char* lowered_path, char* folder, std::size_t cap);
// Reads and parses a model file (".xx" unscrambled in memory), or takes it from the
// program's model cache when the file is unchanged; none on failure, which is logged.
std::shared_ptr<const x_file> read_x_file(const char* path);
