// A frame that carries one device light: the sun and moon light of the sky and the point
// lights of scenery objects and effects. Its device index comes from a program-wide pool of
// 1000; the light is enabled and uploaded whenever the render traversal reaches it.
#pragma once

#include "core/device_calls.h"
#include "core/frame.h"

// The pool of device light indices: 1000 means "none" (the pool was full); freeing it, or
// an index that is not in use, does nothing.
constexpr int k_light_pool_size = 1000;
int allocate_light_index();
void free_light_index(int index);
bool light_index_in_use(int index);
// Marks every index free (done when the first light is constructed).
void reset_light_pool();

class light : public frame {
public:
    light();
    ~light() override;

    // Disables the device light and gives its index back; the light keeps no index after it.
    void clear_children() override;
    // The base traversal, then the device light enabled and uploaded (or disabled).
    void render() override;
    // The base behaviour, then position and direction from the world matrix, uploaded.
    void update_matrices() override;
    // Picking: the light counts as a sphere of its radius around its position.
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;

    // Colours: the factors times (r, g, b), alpha 1. Single-colour setters set one of them.
    void set_colour(float r, float g, float b);
    void set_diffuse(float r, float g, float b);
    void set_specular(float r, float g, float b);
    void set_ambient(float r, float g, float b);
    // Range, constant attenuation 1 and linear attenuation 10 / range.
    void set_range(float range);
    // The record uploaded and the device light enabled, for a light outside the traversal.
    void apply() const;

    float ambient_factor = 0.35f;
    float diffuse_factor = 1.0f;
    float specular_factor = 0.5f;
    gfx_light record;
    int index = k_light_pool_size;

private:
    void upload() const;
};

// Create a light marked owned, under parent (the first) or alone: 0, or E_FAIL (out none).
hresult create_light(frame* parent, light** out);
hresult create_detached_light(light** out);
