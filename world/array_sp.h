// Many small identical things scattered over the ground around a point: the bushes and trees
// of a scenery's land arrays, a field of lamps, grass tufts. Each item is an upright textured
// quad that turns about the vertical to face the camera (or a light glow that faces it); the
// array sorts the items it draws far to near, draws only the "[array_complexity]" share of them,
// lets sprites sway in the wind and, when it belongs to the terrain, keeps its items scattered
// around the camera as the camera moves.
#pragma once

#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "world/effect_drawing.h"

class array_sp : public frame {
public:
    // The most items an array holds: a larger count from a file is cut to this.
    static constexpr int k_max_items = 65536;
    // Items this far below the frame have no ground of their class and are not drawn.
    static constexpr float k_hidden_depth = -10000.0f;

    struct order_entry {
        std::int32_t item = 0;
        float depth = 0.0f;
    };

    array_sp();
    ~array_sp() override;

    void clear_children() override;
    void render() override;
    void update() override;
    bool hit_test_ray(const vec3& direction, const vec3& origin, frame** hit,
                      float* result) override;

    // Room for n items (0..65,536), zeroed, with the draw order 0, 1, 2, ...; a smaller n keeps
    // the room and only sets the count.
    void set_count(int n);
    // Scatters count items over the square of the scatter radius around the frame, on the
    // ground, dropping those under water when land only is set; then loads the texture (load
    // mode 1) and sets the bounds. An item height of 0 or less refuses the array (count 0).
    void scatter_on_terrain(const char* texture_name);
    // Line mode: the items stand at the given positions (relative to the frame, at most
    // 65,536) instead of being scattered; the texture and bounds as for a scatter, and the
    // same refusal of an item height of 0 or less.
    void lay_items(const std::vector<vec3>& items, const char* texture_name);
    // Moves the frame to the mean item position; the items keep their place in the world.
    void recentre();
    // A terrain array puts every item back on the ground of its land classes where it stands
    // (marked cells and other classes hide it) and looks again for such ground near the camera.
    void rescatter();
    void set_colour(float r, float g, float b, float a);
    // How many items a sprite array draws now: count x "[array_complexity]".
    int sprite_draw_count() const;

    std::vector<order_entry> draw_order;
    std::uint8_t night_texture = 0;
    std::uint8_t sway = 1;
    std::uint8_t lights = 0;
    std::uint8_t land_only = 1;
    std::uint8_t terrain_array = 0;
    std::uint8_t moves_items = 1;     // a terrain array keeps its items around the camera
    std::uint8_t short_items = 0;     // items under 5 m
    float cell_size = 30.0f;          // the terrain's, for terrain arrays
    std::uint32_t colour = 0xFFFFFFFFu;
    vec3 scatter_centre;
    std::uint32_t land_classes = 1;
    std::uint8_t visible_area = 0;
    // Light options of light arrays: every lamp's glow is drawn (also when the array is not a
    // lights array, the glows then go over the sprites); a second, half-size pass brightens
    // the glows' cores; the glows' alpha (0 counts as opaque); how brightly the lamp points
    // glow of themselves (emissive, 0..1) and how large they are (pixels).
    // Light paths: a strobe path flashes its lamps one after the other in the order they were
    // laid, once a second; an approach-slope path shows white seen from above the 3 degree
    // glide slope and red from below it.
    std::uint8_t strobe = 0;
    std::uint8_t approach_slope = 0;
    static constexpr std::uint32_t k_strobe_step_ms = 60;
    static constexpr std::uint32_t k_strobe_cycle_ms = 1000;
    static constexpr float k_glide_slope = 0.0524f;  // 3 degrees, rad
    // The lamp a strobe path shows at a clock time (ms), or -1 in the pause between runs.
    int strobe_lamp(std::uint32_t now) const;
    // Whether the camera sees an approach-slope path from above its glide slope.
    bool seen_above_slope() const;
    std::uint8_t glow_pass = 0;
    std::uint8_t second_pass = 0;
    std::uint8_t glow_alpha = 0;
    float emissive_brightness = 0.061f;
    float point_size = 1.0f;
    std::int32_t capacity = 0;
    std::int32_t item_count = 0;
    std::int32_t draw_count = 0;
    float scatter_radius = 100.0f;
    float item_width = 10.0f;
    float item_height = 10.0f;
    float sway_rate = 1.0f;
    float scattered_radius = 100.0f;
    float rescatter_distance = 50.0f;
    std::uint32_t last_sort_time = 0;
    std::vector<vec2> sway_phase;     // (s, c) per item
    std::vector<vec3> positions;      // relative to the frame's world position
    std::vector<vec3> sorted_positions;
    gfx_material material;
    gfx_texture* texture = nullptr;

private:
    // An item height of 0 or less would give an endless sway rate: the array is refused
    // (count 0) with a log line.
    bool accept_item_height(const char* texture_name);
    void take_item_texture(const char* texture_name);
    void place_item(int i, float x, float z);
    void follow_camera();
    void sort_items();
    void set_bounds();
    void render_sprites();
    // Terrain arrays draw through the shared sprite programs while the device runs programs.
    bool shaded() const;
    void render_shaded(gfx_device* d);
    void render_lights();
    void item_quad(int item, bool glow, vec3 out[4]) const;
    void stream_glows(float scale, std::uint32_t colour);

    std::vector<effect_vertex> stream_;
    int lit_lamp_ = -1;  // a strobe's lamp drawn this frame
};

hresult create_array_sp(frame* parent, array_sp** out);
hresult create_array_sp_unparented(array_sp** out);
hresult destroy_array_sp(array_sp** variable);
