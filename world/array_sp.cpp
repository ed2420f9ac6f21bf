#include "world/array_sp.h"

#include <algorithm>
#include <cmath>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/file_helpers.h"
#include "core/model_shading.h"
#include "core/scene_services.h"
#include "platform/text.h"
#include "world/decal.h"
#include "world/scatter_sprite_shading.h"

namespace {

// Sorting waits this long plus the camera distance (metres taken as milliseconds).
constexpr std::uint32_t k_sort_gap_ms = 200;

vec2 random_phase() {
    const float a = rand_unit() * 2.0f * k_pi;
    return {std::sin(a) / 2.0f, std::cos(a) / 2.0f};
}

float water_surface() {
    return g_state != nullptr ? g_state->water_level - g_state->origin_offset.y : 0.0f;
}

}  // namespace

hresult create_array_sp(frame* parent, array_sp** out) { return create_owned(parent, out); }

hresult create_array_sp_unparented(array_sp** out) { return create_owned<array_sp>(nullptr, out); }

hresult destroy_array_sp(array_sp** variable) { return destroy_owned(variable); }

array_sp::array_sp() {
    type = FRAME_ARRAY_SP;
    set_name("array");
    layer = 3;
    set_colour(255.0f, 255.0f, 255.0f, 255.0f);
}

array_sp::~array_sp() { array_sp::clear_children(); }

void array_sp::clear_children() {
    frame::clear_children();
    give_back_texture(&texture);
}

void array_sp::set_colour(float r, float g, float b, float a) {
    material = gfx_material{};
    material.diffuse = {r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
    material.ambient = material.diffuse;
}

void array_sp::set_count(int n) {
    n = std::clamp(n, 0, k_max_items);
    if (n > capacity) {
        capacity = n;
        draw_order.assign(static_cast<std::size_t>(n), order_entry{});
        for (int i = 0; i < n; ++i) draw_order[static_cast<std::size_t>(i)].item = i;
        sway_phase.assign(static_cast<std::size_t>(n), vec2{});
        positions.assign(static_cast<std::size_t>(n), vec3{});
        sorted_positions.assign(static_cast<std::size_t>(n), vec3{});
    }
    item_count = n;
}

int array_sp::sprite_draw_count() const {
    const float share = g_state != nullptr ? std::clamp(g_state->array_complexity, 0.0f, 1.0f) : 1.0f;
    return std::clamp(static_cast<int>(static_cast<float>(item_count) * share), 0, item_count);
}

void array_sp::place_item(int i, float x, float z) {
    const vec3 p = world_position();
    float ground = 0.0f;
    ground_height(p.x + x, p.z + z, &ground);
    positions[static_cast<std::size_t>(i)] = {x, ground - p.y, z};
}

bool array_sp::accept_item_height(const char* texture_name) {
    if (item_height > 0.0f) return true;
    log_line("Scatter array %s: item height %g is not positive; the array is left out",
             texture_name != nullptr ? texture_name : "", static_cast<double>(item_height));
    set_count(0);
    return false;
}

void array_sp::scatter_on_terrain(const char* texture_name) {
    if (!accept_item_height(texture_name)) return;
    sway_rate = sway_rate_for(item_height);
    const int wanted = item_count;
    item_count = 0;
    set_count(wanted);
    int i = 0;
    while (i < item_count) {
        const float x = rand_signed() * scatter_radius;
        const float z = rand_signed() * scatter_radius;
        place_item(i, x, z);
        const float ground = positions[static_cast<std::size_t>(i)].y + world_position().y;
        if (ground < water_surface() && land_only && !terrain_array) {
            // Dropped: the last slot goes and this one is drawn again.
            --item_count;
            continue;
        }
        sway_phase[static_cast<std::size_t>(i)] = random_phase();
        ++i;
    }
    scattered_radius = scatter_radius;
    take_item_texture(texture_name);
}

void array_sp::lay_items(const std::vector<vec3>& items, const char* texture_name) {
    if (!accept_item_height(texture_name)) return;
    sway_rate = sway_rate_for(item_height);
    item_count = 0;
    set_count(static_cast<int>(std::min(items.size(), static_cast<std::size_t>(k_max_items))));
    for (int i = 0; i < item_count; ++i) {
        positions[static_cast<std::size_t>(i)] = items[static_cast<std::size_t>(i)];
        sway_phase[static_cast<std::size_t>(i)] = random_phase();
    }
    take_item_texture(texture_name);
}

void array_sp::take_item_texture(const char* texture_name) {
    char n[frame::k_name_size];
    copy_text(n, texture_name);
    night_texture = find_n_variant_file(n, sizeof n) ? 1 : 0;
    set_name(n);
    give_back_texture(&texture);
    take_texture(n, 1, &texture);
    set_bounds();
}

void array_sp::set_bounds() {
    if (item_count == 0) {
        base_box = box = box6{};
        base_radius = radius = 0.0f;
        return;
    }
    box6 b{positions[0], positions[0]};
    for (int i = 1; i < item_count; ++i) {
        const vec3& p = positions[static_cast<std::size_t>(i)];
        b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
        b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
    }
    b.max.y += item_height;
    base_box = box = b;
    base_radius = radius = length(b.max - b.min);
}

void array_sp::recentre() {
    if (item_count == 0) return;
    vec3 mean{};
    for (int i = 0; i < item_count; ++i) mean += positions[static_cast<std::size_t>(i)];
    mean = mean / static_cast<float>(item_count);
    for (int i = 0; i < item_count; ++i) positions[static_cast<std::size_t>(i)] -= mean;
    move_by(mean.x, mean.y, mean.z);
    set_bounds();
}

void array_sp::rescatter() {
    const vec3 p = world_position();
    for (int i = 0; i < item_count; ++i) {
        vec3& item = positions[static_cast<std::size_t>(i)];
        float h = k_no_masked_ground;
        ground_height_masked(p.x + item.x, p.z + item.z, land_classes, &h);
        item.y = h - p.y;
    }
    // Far from any centre: the next update looks for the array's ground again.
    scatter_centre = {1.0e9f, 1.0e9f, 1.0e9f};
}

// A terrain array keeps its items in the square of the scatter radius around the camera: an
// item left behind re-enters on the far side, on the ground of the array's land classes (items
// over other ground lie far below and are not drawn).
void array_sp::follow_camera() {
    if (g_state == nullptr) return;
    const vec3 camera = camera_position();
    const vec3 absolute = camera + g_state->origin_offset;
    if (length(absolute - scatter_centre) > rescatter_distance) {
        visible_area = ground_class_near_view(land_classes, 2.0f * scatter_radius) ? 1 : 0;
        scatter_centre = absolute;
    }
    const bool plants = g_app == nullptr || g_app->use_plants;
    active = (visible_area && plants && 2.0f * scatter_radius > g_state->height_above_surface) ? 1 : 0;
    if (!active || !moves_items) return;
    const vec3 p = world_position();
    const float span = 2.0f * scatter_radius;
    for (int i = 0; i < item_count; ++i) {
        vec3& item = positions[static_cast<std::size_t>(i)];
        float dx = item.x + p.x - camera.x;
        float dz = item.z + p.z - camera.z;
        if (std::fabs(dx) <= scatter_radius && std::fabs(dz) <= scatter_radius) continue;
        dx -= span * std::floor((dx + scatter_radius) / span);
        dz -= span * std::floor((dz + scatter_radius) / span);
        const float x = camera.x + dx, z = camera.z + dz;
        float h = k_no_masked_ground;
        ground_height_masked(x, z, land_classes, &h);
        item = {x - p.x, h - p.y, z - p.z};
    }
}

void array_sp::update() {
    if (terrain_array) follow_camera();
    if (item_count != 0 && in_view && !simulation_paused() && sway) {
        const float k = sway_rate * frame_step();
        for (int i = 0; i < item_count; ++i) {
            vec2& ph = sway_phase[static_cast<std::size_t>(i)];
            turn_sway(&ph.x, &ph.y, k);
        }
    }
    const std::uint32_t now = clock_ms_now();
    const std::uint32_t gap = k_sort_gap_ms + static_cast<std::uint32_t>(std::max(0.0f, camera_distance));
    if (static_cast<std::int32_t>(now - (last_sort_time + gap)) > 0) {
        last_sort_time = now;
        sort_items();
    }
    frame::update();
}

// Only the entries that are drawn are sorted, so the share of drawn items stays the same set.
void array_sp::sort_items() {
    if ((draw_count == 0 && (lights || glow_pass)) || draw_count > item_count) draw_count = item_count;
    const vec3 p = world_position();
    const mat4* view = g_state != nullptr ? g_state->view_matrix : nullptr;
    for (int i = 0; i < draw_count; ++i) {
        order_entry& e = draw_order[static_cast<std::size_t>(i)];
        const vec3 w = p + positions[static_cast<std::size_t>(e.item)];
        e.depth = view != nullptr ? transform_coord(w, *view).z : length(w - camera_position());
    }
    std::stable_sort(draw_order.begin(), draw_order.begin() + draw_count,
                     [](const order_entry& a, const order_entry& b) { return a.depth > b.depth; });
    for (int i = 0; i < draw_count; ++i) {
        sorted_positions[static_cast<std::size_t>(i)] =
            positions[static_cast<std::size_t>(draw_order[static_cast<std::size_t>(i)].item)];
    }
}

void array_sp::item_quad(int item, bool glow, vec3 out[4]) const {
    const vec3 p = world_position() + positions[static_cast<std::size_t>(item)];
    if (glow) {
        const float k = std::sqrt(std::max(1.0f, 0.02f * camera_vertical_fov() * camera_distance));
        const mat4 turn = camera_rotation();
        const vec3 right = get_axis_x(turn) * (k * item_width / 2.0f);
        const vec3 up = get_axis_y(turn) * (k * item_height);
        out[0] = p - right + up;
        out[1] = p + right + up;
        out[2] = p - right;
        out[3] = p + right;
        return;
    }
    const mat4 turn = billboard_heading();
    const vec3 right = get_axis_x(turn) * (item_width / 2.0f);
    vec3 top = get_axis_y(turn) * item_height;
    if (sway && g_state != nullptr) {
        const float s = sway_phase[static_cast<std::size_t>(item)].x;
        if (g_state->above_water) {
            const float k = sway_rate * 0.05f * (1.0f + s);
            top += vec3{g_state->wind[0] * k, 0.0f, g_state->wind[1] * k};
        } else {
            const float k = 0.25f * (1.0f + s);
            top += vec3{g_state->current[0] * k, 0.0f, g_state->current[1] * k};
        }
    }
    out[0] = p - right + top;
    out[1] = p + right + top;
    out[2] = p - right;
    out[3] = p + right;
}

void array_sp::render() {
    if (!terrain_array) frame::render();
    if (item_count == 0 || !active) return;
    if (!terrain_array && (!in_view || !in_frustum())) return;
    if (!lights) render_sprites();
    if (lights || glow_pass) render_lights();
}

void array_sp::render_sprites() {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    draw_count = sprite_draw_count();
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const float top = world_position().y + k_hidden_depth;
    stream_.clear();
    for (int i = 0; i < draw_count; ++i) {
        const int item = draw_order[static_cast<std::size_t>(i)].item;
        if (positions[static_cast<std::size_t>(item)].y + world_position().y < top) continue;
        vec3 c[4];
        item_quad(item, false, c);
        for (int k : {0, 1, 2, 3, 2, 1}) stream_.push_back({c[k].x, c[k].y, c[k].z, 0xFFFFFFFFu, uv[k][0], uv[k][1]});
    }
    if (shaded()) {
        render_shaded(d);
        return;
    }
    const bool night_lit = night_texture && g_state != nullptr && g_state->night;
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, night_lit ? 0xFFFFFFFFu : ambient_colour());
    d->set_material(material);
    d->set_texture(0, texture);
    draw_effect_triangles(d, stream_);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_AMBIENT, 0);
}

bool array_sp::shaded() const {
    return terrain_array && pass2 && g_app != nullptr && g_app->use_shaders && g_app->can_shaders &&
           scatter_sprite_vertex_program() != nullptr && scatter_sprite_pixel_program() != nullptr;
}

// The sprites lit like the ground through the shared program pair: the same quads, in world
// coordinates, with the sun, the camera and the fog as constants.
void array_sp::render_shaded(gfx_device* d) {
    auto set_vs = [d](int index, float x, float y, float z, float w) {
        const float v[4] = {x, y, z, w};
        d->set_vertex_shader_constant_f(index, v, 1);
    };
    const gfx_light& sun = shading().sun;
    const mat4 view_projection = mat_transpose(d->transform(TS_VIEW) * d->transform(TS_PROJECTION));
    d->set_vertex_shader_constant_f(0, view_projection.data(), 4);
    set_vs(4, sun.direction[0], sun.direction[1], sun.direction[2], 0.0f);
    set_vs(5, sun.diffuse.r, sun.diffuse.g, sun.diffuse.b, 1.0f);
    set_vs(6, sun.ambient.r, sun.ambient.g, sun.ambient.b, 1.0f);
    const vec3 eye = camera_position();
    set_vs(7, eye.x, eye.y, eye.z, 1.0f);
    const float fog_end = g_app != nullptr && g_app->fog_end > 0.0f ? g_app->fog_end : 10000.0f;
    set_vs(8, 2.3f / fog_end, 0.0f, 0.0f, 0.0f);
    const color_value& c = material.diffuse;
    set_vs(9, c.r, c.g, c.b, c.a);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_texture(0, texture);
    d->set_vertex_shader(scatter_sprite_vertex_program());
    d->set_pixel_shader(scatter_sprite_pixel_program());
    draw_effect_triangles(d, stream_);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    d->set_render_state(RS_CULLMODE, default_cull_mode());
}

int array_sp::strobe_lamp(std::uint32_t now) const {
    if (item_count <= 0) return -1;
    const std::uint32_t run = static_cast<std::uint32_t>(item_count) * k_strobe_step_ms;
    const std::uint32_t cycle = std::max(k_strobe_cycle_ms, run);
    const std::uint32_t lamp = (now % cycle) / k_strobe_step_ms;
    return lamp < static_cast<std::uint32_t>(item_count) ? static_cast<int>(lamp) : -1;
}

bool array_sp::seen_above_slope() const {
    const vec3 d = camera_position() - world_position();
    return std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) > k_glide_slope;
}

void array_sp::stream_glows(float scale, std::uint32_t colour) {
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    stream_.clear();
    for (int i = 0; i < draw_count; ++i) {
        const int item = draw_order[static_cast<std::size_t>(i)].item;
        if (strobe && item != lit_lamp_) continue;
        vec3 c[4];
        item_quad(item, true, c);
        if (scale != 1.0f) {
            // Shrunk about the quad's centre.
            const vec3 mid = (c[0] + c[3]) * 0.5f;
            for (vec3& corner : c) corner = mid + (corner - mid) * scale;
        }
        for (int k : {0, 1, 2, 3, 2, 1}) stream_.push_back({c[k].x, c[k].y, c[k].z, colour, uv[k][0], uv[k][1]});
    }
}

void array_sp::render_lights() {
    gfx_device* d = current_device();
    if (d == nullptr) return;
    draw_count = item_count;
    const std::uint32_t alpha = glow_alpha != 0 ? glow_alpha : 255u;
    const std::uint32_t colour = alpha << 24 | 0x00FFFFFFu;
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_render_state(RS_AMBIENT, 0xFFFFFFFFu);
    d->set_render_state(RS_DESTBLEND, BLEND_ONE);
    d->set_render_state(RS_SPECULARENABLE, 0);
    gfx_material glow = material;
    if (approach_slope) {
        const float green_blue = seen_above_slope() ? 1.0f : 0.0f;
        glow.diffuse = {1.0f, green_blue, green_blue, material.diffuse.a};
        glow.ambient = glow.diffuse;
    }
    d->set_material(glow);
    d->set_texture(0, texture);
    lit_lamp_ = strobe ? strobe_lamp(clock_ms_now()) : -1;
    stream_glows(1.0f, colour);
    draw_effect_triangles(d, stream_);
    if (second_pass) {
        stream_glows(0.5f, colour);
        draw_effect_triangles(d, stream_);
    }
    // The lamps themselves as small self-lit points over their glows.
    std::vector<vec3> points(static_cast<std::size_t>(draw_count));
    const vec3 p = world_position();
    for (int i = 0; i < draw_count; ++i) points[static_cast<std::size_t>(i)] = p + sorted_positions[static_cast<std::size_t>(i)];
    // A strobe's lamps are dark between their flashes.
    if (!points.empty() && !strobe) {
        gfx_material lamp = glow;
        const float e = std::clamp(emissive_brightness, 0.0f, 1.0f);
        lamp.emissive = {e, e, e, 1.0f};
        d->set_material(lamp);
        d->set_texture(0, nullptr);
        d->set_render_state_f(RS_POINTSIZE, std::clamp(point_size, 1.0f, 64.0f));
        d->set_fvf(FVF_XYZ);
        d->draw_primitive_up(PT_POINTLIST, draw_count, points.data(), static_cast<int>(sizeof(vec3)));
        d->set_render_state_f(RS_POINTSIZE, 1.0f);
    }
    d->set_render_state(RS_CULLMODE, default_cull_mode());
    d->set_render_state(RS_AMBIENT, 0);
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_render_state(RS_FOGCOLOR, fog_colour());
}

bool array_sp::hit_test_ray(const vec3& direction, const vec3& origin, frame** hit, float* result) {
    if (active && hit_testable && g_state != nullptr && item_count != 0 &&
        length(cross(direction, world_position() - origin)) <= radius) {
        const int triangles[4][3] = {{0, 1, 2}, {3, 2, 1}, {0, 2, 1}, {3, 1, 2}};
        for (int i = 0; i < item_count; ++i) {
            vec3 c[4];
            item_quad(i, lights != 0, c);
            for (const auto& t : triangles) {
                float distance = 0.0f;
                if (!intersect_ray_triangle(origin, direction, c[t[0]], c[t[1]], c[t[2]], &distance)) continue;
                if (!(distance > 0.0f) || distance >= g_state->nearest_hit) continue;
                g_state->nearest_hit = distance;
                g_state->hit_normal = normalize(cross(c[t[1]] - c[t[0]], c[t[2]] - c[t[0]]));
                if (hit != nullptr) *hit = this;
                if (result != nullptr) *result = distance;
            }
        }
    }
    return frame::hit_test_ray(direction, origin, hit, result);
}
