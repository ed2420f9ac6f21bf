// The sky's colour tables, its celestial update and what it publishes each frame.
#include "world/sky.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/light.h"
#include "platform/files.h"
#include "platform/text.h"
#include "world/clouds.h"
#include "world/rain.h"
#include "world/sky_shaders.h"
#include "world/stars.h"

namespace {

constexpr const char k_hr_source[] = "sky";

// Radians of sky rotation per hour of the day, and degrees to radians as the sky takes them.
constexpr float k_hour_angle = 0.26108214f;
constexpr float k_half_turn = 3.1415927f;
constexpr float k_degrees = 57.29578f;
// The sun light's placement before the first celestial update (radians).
constexpr float k_start_yaw = -2.0f;
constexpr float k_start_pitch = 0.5f;
constexpr int k_day_tenths = 240;
// The far plane and the maximum fog distance follow the altitude: 30 x and 20 x m, with m
// the camera altitude kept between 5 km and the band altitude.
constexpr float k_min_view_altitude = 5000.0f;
constexpr float k_far_factor = 30.0f;
constexpr float k_fog_factor = 20.0f;
// The cloud layer grows with the altitude in 10 km steps.
constexpr float k_cloud_step = 10000.0f;
constexpr float k_cloud_extent = 80000.0f;
constexpr float k_cloud_puff = 1500.0f;
// The under-water particle field: half-edge and particle size (m).
constexpr float k_particle_cube = 3.0f;
constexpr float k_particle_size = 0.03f;

constexpr sky::colour_key k_light_defaults[sky::k_keys] = {
    {16, 32, 48, 255, 50}, {255, 127, 63, 0, 60}, {255, 255, 255, 0, 80},
    {255, 255, 255, 0, 160}, {255, 127, 63, 0, 180}, {16, 32, 48, 255, 190},
    {16, 32, 48, 255, 240}};
constexpr sky::colour_key k_fog_defaults[sky::k_keys] = {
    {31, 63, 95, 127, 50}, {255, 127, 0, 127, 60}, {225, 240, 255, 127, 80},
    {225, 240, 255, 127, 160}, {255, 127, 0, 127, 180}, {31, 63, 95, 127, 190},
    {31, 63, 95, 127, 240}};
constexpr sky::colour_key k_sky_defaults[sky::k_keys] = {
    {0, 0, 0, 255, 50}, {31, 91, 127, 255, 60}, {116, 195, 255, 80, 80},
    {116, 195, 255, 80, 160}, {31, 91, 127, 255, 180}, {0, 0, 0, 255, 190},
    {0, 0, 0, 255, 240}};

int modulo_day(int v) {
    const int r = v % k_day_tenths;
    return r < 0 ? r + k_day_tenths : r;
}

// Whitespace-separated words of the colour map, with the numbers bounded to what the tables
// can hold: one log line per refused or clamped value, naming the file.
class map_reader {
public:
    map_reader(const std::string& text, const char* file) : in_(text), file_(file) {}

    bool number(int low, int high, int* out) {
        std::string word;
        if (!(in_ >> word)) return false;
        int v = 0;
        if (!scan_int(word.c_str(), &v)) return false;
        if (v < low || v > high) {
            log_line("%s: value %d out of %d..%d, clamped", file_, v, low, high);
            v = std::clamp(v, low, high);
        }
        *out = v;
        return true;
    }
    // Keeps why the file is refused; the first reason is the one the log line gives.
    void refuse(const char* tag, const char* why) {
        if (why_.empty()) why_ = format_string("%s %s", tag, why);
    }
    const std::string& why() const { return why_; }
    bool tag(const char* expected) {
        std::string word;
        if (!(in_ >> word)) return false;
        if (word == expected) return true;
        refuse(expected, format_string("expected, \"%.40s\" found", word.c_str()).c_str());
        return false;
    }

private:
    std::istringstream in_;
    const char* file_;
    std::string why_;
};

// Seven keys, each four colour numbers, a time and the tag; judged after all seven. The times
// must run forward through the day: between keys out of order the colours would be carried
// past both ends instead of blended.
bool read_table(map_reader* in, const char* tag, sky::colour_key (&table)[sky::k_keys]) {
    sky::colour_key keys[sky::k_keys];
    bool all = true;
    for (sky::colour_key& k : keys) {
        if (!in->number(0, 255, &k.r) || !in->number(0, 255, &k.g) ||
            !in->number(0, 255, &k.b) || !in->number(0, 255, &k.a) ||
            !in->number(0, k_day_tenths, &k.t)) {
            in->refuse(tag, "table cut short or holding a word that is no number");
            return false;
        }
        if (!in->tag(tag)) all = false;
    }
    if (!all) {
        in->refuse(tag, "table cut short");
        return false;
    }
    for (int i = 1; i < sky::k_keys; ++i) {
        if (keys[i].t < keys[i - 1].t) {
            in->refuse(tag, "key times out of order");
            return false;
        }
    }
    std::copy(std::begin(keys), std::end(keys), std::begin(table));
    return true;
}

bool read_high(map_reader* in, const char* tag, int (&out)[3]) {
    if (!in->number(0, 255, &out[0]) || !in->number(0, 255, &out[1]) ||
        !in->number(0, 255, &out[2])) {
        in->refuse(tag, "colour cut short or holding a word that is no number");
        return false;
    }
    if (in->tag(tag)) return true;
    in->refuse(tag, "line cut short");
    return false;
}

vec3 camera_position() {
    if (g_state == nullptr || g_state->camera_world == nullptr) return {};
    return get_translation(*g_state->camera_world);
}

float camera_altitude() {
    if (g_state == nullptr) return 0.0f;
    return camera_position().y + g_state->origin_offset.y;
}

}  // namespace

// The cloud layer exists from the start, so the weather dialog and the situations can set
// its cover before the sky is set up; init scatters its puffs.
sky::sky() : cloud_layer(std::make_unique<clouds>()) {}

sky::~sky() { release(); }

void sky::init() {
    if (sun_light == nullptr && CHECK_HR(create_detached_light(&sun_light))) {
        sun_light->record.type = LIGHT_DIRECTIONAL;
        sun_light->local = mat_yaw_pitch_roll(k_start_yaw, k_start_pitch, 0.0f);
        sun_light->set_range(g_state != nullptr ? g_state->far_plane : 150000.0f);
        sun_light->set_colour(1.0f, 1.0f, 1.0f);
        sun_light->update_matrices();
        if (g_state != nullptr) g_state->objects.current_light = &sun_light->record;
    }
    build_dome();
    build_cone();
    load_sky_shaders();
    if (g_app != nullptr && g_app->device) {
        gfx_device& d = *g_app->device;
        if (!dome_away_ps) {
            CHECK_HR(d.create_pixel_shader(sky_dome_part_source(dome_part::away_from_sun), &dome_away_ps));
        }
        if (!dome_below_ps) {
            CHECK_HR(d.create_pixel_shader(sky_dome_part_source(dome_part::below_horizon), &dome_below_ps));
        }
    }
    if (!under_water) {
        under_water = std::make_unique<rain>();
        under_water->size = k_particle_cube;
        under_water->particle_size = k_particle_size;
        under_water->fall_speed = 0.0f;
        under_water->set_density(1.0f);
        under_water->init("graphics\\hail.dds");
    }
    if (!star_field) {
        star_field = std::make_unique<stars>();
        star_field->load();
    }
    if (!read_color_map("graphics\\color_map.txt")) set_default_colors();
    if (!cloud_layer) cloud_layer = std::make_unique<clouds>();
    cloud_layer->init();
}

// A map that is missing or refused gets one log line naming the file and why.
bool sky::read_color_map(const char* file) {
    std::string text;
    if (!fs_read_text(file, &text)) {
        log_line("%s could not be read: the built-in sky colours are used", file);
        return false;
    }
    map_reader in(text, file);
    const auto refused = [&] {
        log_line("%s: %s, the built-in sky colours are used", file,
                 in.why().empty() ? "not a colour map" : in.why().c_str());
        return false;
    };
    const bool light_ok = read_table(&in, "[light]", light_keys);
    const bool fog_ok = light_ok && read_table(&in, "[fog]", fog_keys);
    const bool sky_ok = fog_ok && read_table(&in, "[sky]", sky_keys);
    if (!sky_ok) return refused();
    int fog[3] = {0, 0, 0};
    int high[3] = {0, 0, 0};
    const bool fog_tag = read_high(&in, "[high_fog]", fog);
    const bool sky_tag = fog_tag && read_high(&in, "[high_sky]", high);
    if (!fog_tag || !sky_tag) return refused();
    std::copy(std::begin(fog), std::end(fog), std::begin(high_fog));
    std::copy(std::begin(high), std::end(high), std::begin(high_sky));
    return true;
}

void sky::set_default_colors() {
    std::copy(std::begin(k_light_defaults), std::end(k_light_defaults), std::begin(light_keys));
    std::copy(std::begin(k_fog_defaults), std::end(k_fog_defaults), std::begin(fog_keys));
    std::copy(std::begin(k_sky_defaults), std::end(k_sky_defaults), std::begin(sky_keys));
    high_fog[0] = 127;
    high_fog[1] = 165;
    high_fog[2] = 225;
    high_sky[0] = high_sky[1] = high_sky[2] = 0;
}

// The key ahead is the first whose time lies after now; with none ahead (now at or past
// the last key) the colour runs from the last key across midnight to the first, as it
// does before the first key.
sky::colour sky::interpolate(const colour_key (&keys)[k_keys], int tenths) {
    const int now = std::clamp(tenths, 0, k_day_tenths);
    int k = 0;
    for (int i = 0; i < k_keys; ++i) {
        if (now < keys[i].t) {
            k = i;
            break;
        }
    }
    const int p = (k + k_keys - 1) % k_keys;
    const colour_key& a = keys[p];
    const colour_key& b = keys[k];
    const int span = modulo_day(b.t - a.t);
    const int elapsed = modulo_day(now - a.t);
    if (span == 0) return {a.r, a.g, a.b, a.a};
    return {a.r + (b.r - a.r) * elapsed / span, a.g + (b.g - a.g) * elapsed / span,
            a.b + (b.b - a.b) * elapsed / span, a.a + (b.a - a.a) * elapsed / span};
}

void sky::update() {
    if (g_state != nullptr && g_state->rain != 0 && under_water) under_water->update();
    update_celestial();
    if (!cloud_layer) return;
    const float f = std::max(1.0f, std::floor(camera_altitude() / k_cloud_step));
    if (cloud_layer->extent != f * k_cloud_extent) {
        cloud_layer->set_puff_size(f * k_cloud_puff);
        cloud_layer->set_extent(f * k_cloud_extent);
    }
    cloud_layer->update();
}

void sky::update_celestial() {
    if (g_state == nullptr) return;
    app_state& st = *g_state;
    const float h = st.time_of_day;
    const mat4 tilt = mat_rotation_x((90.0f - st.camera_latitude) / k_degrees);
    sun_matrix = mat_rotation_y(h * k_hour_angle + k_half_turn) * tilt;
    moon_matrix = mat_rotation_y(h * k_hour_angle) * tilt;
    // The sun's z axis points from the sun toward the scene: upward means the sun is down.
    st.night = sun_matrix.m[2][1] > 0.0f ? 1 : 0;
    const bool normal_view = g_app == nullptr || g_app->near_view != 0;
    if (sun_light != nullptr) {
        sun_light->local = st.night != 0 && normal_view ? moon_matrix : sun_matrix;
        sun_light->update_matrices();
        st.objects.current_light = &sun_light->record;
    }
    if (star_field) {
        star_field->orientation =
            mat_rotation_y((st.camera_longitude * 0.06666667f + h) * k_hour_angle) * tilt;
    }
    const int tenths = static_cast<int>(10.0f * h);
    light_colour = interpolate(light_keys, tenths);
    fog_colour = interpolate(fog_keys, tenths);
    sky_colour = interpolate(sky_keys, tenths);

    const float altitude = camera_altitude();
    const float band = std::max(1.0f, st.far_distance);
    const float q = std::clamp(altitude / band, 0.0f, 1.0f);
    st.sky_light[0] = light_colour.r / 255.0f;
    st.sky_light[1] = light_colour.g / 255.0f;
    st.sky_light[2] = light_colour.b / 255.0f;
    st.fog_rgb[0] = static_cast<int>((1.0f - q / 2.0f) * fog_colour.r);
    st.fog_rgb[1] = static_cast<int>((1.0f - q / 4.0f) * fog_colour.g);
    st.fog_rgb[2] = fog_colour.b;
    const float m = std::max(k_min_view_altitude, std::min(altitude, st.far_distance));
    st.far_plane = k_far_factor * m;
    st.max_fog = k_fog_factor * m;
    const float fade = std::max(0.0f, 1.0f - q) / 255.0f;
    st.sky_light[3] = sky_colour.r * fade;
    st.sky_light[4] = sky_colour.g * fade;
    st.sky_light[5] = sky_colour.b * fade;
    star_brightness = std::max({0.0f, 2.0f * q - 1.0f, light_colour.a / 255.0f});
    if (star_field) star_field->set_color(star_brightness, star_brightness, star_brightness, 1.0f);
}

void sky::render_clouds() {
    if (cloud_layer) cloud_layer->render();
}

void sky::shift_origin(float dx, float dy, float dz) {
    if (under_water) {
        under_water->world.m[3][0] += dx;
        under_water->world.m[3][1] += dy;
        under_water->world.m[3][2] += dz;
    }
    if (cloud_layer) {
        cloud_layer->layer_matrix.m[3][0] += dx;
        cloud_layer->layer_matrix.m[3][1] += dy;
        cloud_layer->layer_matrix.m[3][2] += dz;
    }
}

void sky::release() {
    if (g_state != nullptr && sun_light != nullptr &&
        g_state->objects.current_light == &sun_light->record) {
        g_state->objects.current_light = nullptr;
    }
    destroy_owned(&sun_light);
    under_water.reset();
    star_field.reset();
    cloud_layer.reset();
    dome_buffer.reset();
    dome_away_ps.reset();
    dome_below_ps.reset();
    cone_buffer.reset();
    dome_vertex_count = 0;
    cone_vertex_count = 0;
}
