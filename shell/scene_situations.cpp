// Situation files: a moment of a run (the camera, time of day, weather, sea, the systems and
// hostile launchers, and in test mode the design system's test conditions) as plain text, one
// value line per key as the definition files have them, ending at "@" with a comment after it.
// The run file of the scenario design screen has the same form.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "core/texture_loading.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "simulation/definition_reader.h"
#include "simulation/missile_system.h"
#include "simulation/rocket_launcher.h"
#include "world/clouds.h"

namespace {

constexpr float k_two_pi = 2.0f * k_pi;
constexpr float k_degrees_per_radian = 57.29578f;
// The design system of a test stands this far ahead of the camera and this far above it (m).
constexpr float k_test_ahead = 50.0f;
constexpr float k_test_above = 25.0f;
// F8's view of the first system after a scenario is read: 250 m above its launcher.
constexpr float k_first_view_height = 250.0f;

// The writer's lines are far shorter; a longer line is damage, not a situation.
constexpr std::size_t k_max_situation_line = 255;

// Bounds of what the program can use from a file.
constexpr float k_max_altitude = 1.0e6f;    // m: far above the globe view
constexpr float k_min_altitude = -11000.0f; // m: the deepest sea
constexpr float k_max_fog = 150000.0f;      // m: the maximum fog distance
constexpr float k_max_wind = 100.0f;        // m/s
constexpr float k_max_wave_height = 20.0f;  // m
constexpr float k_max_wave_factor = 10.0f;
constexpr float k_max_range = 1.0e6f;       // m, a launcher's range or a protected radius
constexpr int k_max_rockets = 1000;
constexpr int k_max_interval = 3600;        // s

// A situation whose place has no scenery it can show runs over open sea. When that is because
// a scenery folder was left out (a broken header, missing samples) or its elevations could not
// be loaded, the user is told as the run starts; the log has the file's own line already.
void tell_when_scenery_lost(const char* situation, const scenery_index& index, int tile, bool has_ground) {
    std::string folder;
    if (tile == 0 && index.left_out > 0) folder = index.first_left_out;
    else if (tile > 0 && !has_ground) folder = index.entries[tile - 1].folder;
    else return;
    log_line("%s: the scenery of scenery\\%s could not be loaded, the situation runs over open sea", situation,
             folder.c_str());
    gui_link().show_notice("Scenery Error",
                           format_string("The scenery in scenery\\%.40s could not be read:\n"
                                         "this situation runs over open sea without it.\n"
                                         "Logfile.txt says why.",
                                         folder.c_str())
                               .c_str());
}

// One [system] line as read. A radius of 0 keeps the one of the system's control unit.
struct system_line {
    char name[design_name_size] = {};
    float east = 0.0f, north = 0.0f, heading = 0.0f;
    float radius = 0.0f;  // m
};

// The values after the first `skip` TAB-separated fields of a line, each read from its field's
// start; false when fewer than n fields hold a finite number.
bool tab_numbers(const std::string& line, int skip, double* out, int n) {
    std::size_t pos = 0;
    for (int i = 0; i < skip; ++i) {
        pos = line.find('\t', pos);
        if (pos == std::string::npos) return false;
        ++pos;
    }
    for (int i = 0; i < n; ++i) {
        if (pos == std::string::npos || pos > line.size()) return false;
        if (!scan_double(line.c_str() + pos, &out[i]) || !std::isfinite(out[i])) return false;
        pos = line.find('\t', pos);
        if (pos != std::string::npos) ++pos;
    }
    return true;
}

// A number of a multi-value line bounded as the reader bounds single values.
float bounded(const definition_reader& reader, const char* key, double value, float low, float high) {
    float v = static_cast<float>(value);
    reader.bound(key, v, low, high);
    return v;
}

int bounded_int(const definition_reader& reader, const char* key, double value, int low, int high) {
    const double clamped = std::fmax(-2.0e9, std::fmin(2.0e9, std::trunc(value)));
    std::int32_t v = static_cast<std::int32_t>(clamped);
    reader.bound(key, v, low, high);
    return v;
}

// A multi-value line that lacks some of its numbers is left out, and said once.
void refuse_line(const char* path, const char* key) {
    log_line_once("%s: a %s line without all its values was ignored", path, key);
}

void append_line(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append_line(std::string* out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vformat_bounded(line, sizeof line, format, args);
    va_end(args);
    *out += line;
    *out += "\n";
}

// An angle brought into -pi..pi by one turn either way.
float wrap_once(float angle) {
    if (angle > k_pi) return angle - k_two_pi;
    if (angle < -k_pi) return angle + k_two_pi;
    return angle;
}

// The program path of a situation: a name, or a path as it stands.
std::string situation_path(const char* name) {
    if (contains(name, "\\")) return name;
    return format_string("situations\\%s.txt", name);
}

// The picture beside it: the first ".txt" becomes ".jpg". A file without ".txt" (the run
// file) gets no picture: it would be written over the file itself.
std::string picture_path(const std::string& path) {
    const std::size_t at = path.find(".txt");
    if (at == std::string::npos) return {};
    return path.substr(0, at) + ".jpg" + path.substr(at + 4);
}

}  // namespace

bool scene::write_situation(const char* name, const char* comment, bool picture) {
    if (g_app->menu_mode || g_app->inactive) return false;
    const std::string path = situation_path(name);
    const app_state& s = *g_state;
    const bool test = s.test_mode && design_system != nullptr;
    std::string out;
    append_line(&out, "%s", "");
    append_line(&out, "%s", "// QVD Situation File");
    append_line(&out, "%s", "");
    if (test) {
        append_line(&out, "%d\t[test_mode]", 1);
        append_line(&out, "%4.2f\t[test_alfa]", static_cast<double>(design_system->test_alfa));
        append_line(&out, "%4.2f\t[test_beta]", static_cast<double>(design_system->test_beta));
        append_line(&out, "%4.2f\t[test_dist]", static_cast<double>(design_system->test_dist));
        append_line(&out, "%4.2f\t[test_speed]", static_cast<double>(design_system->test_speed));
        append_line(&out, "%4.2f\t[test_elev]", static_cast<double>(design_system->test_elev));
        append_line(&out, "%4.2f\t[test_launch]", static_cast<double>(design_system->test_launch));
    }
    if (s.scenario_mode) append_line(&out, "%d\t[scenario_mode]", 1);
    append_line(&out, "%8.6f\t[camera_east]", static_cast<double>(s.camera_longitude));
    append_line(&out, "%8.6f\t[camera_north]", static_cast<double>(s.camera_latitude));
    append_line(&out, "%4.2f\t[camera_alt]", static_cast<double>(s.origin_offset.y + viewer.local_position().y));
    append_line(&out, "%4.2f\t[camera_beta]", static_cast<double>(viewer.angles[1]));
    append_line(&out, "%4.2f\t[camera_alfa]", static_cast<double>(viewer.angles[0]));
    append_line(&out, "%4.2f\t[time_of_day]", static_cast<double>(s.time_of_day));
    append_line(&out, "%4.2f\t[fog_alt]", static_cast<double>(s.fog_alt));
    append_line(&out, "%4.2f\t[cloud_base]", static_cast<double>(s.cloud_base));
    append_line(&out, "%4.2f\t[low_clouds]", static_cast<double>(s.cloud_cover));
    append_line(&out, "%4.2f\t[fog_air]", static_cast<double>(s.fog_air));
    append_line(&out, "%4.2f\t%4.2f\t[wind]", static_cast<double>(s.wind_speed), static_cast<double>(s.wind_direction));
    append_line(&out, "%d\t%d\t%d\t%4.2f\t[sea]", s.sea_rgb[0], s.sea_rgb[1], s.sea_rgb[2],
                static_cast<double>(s.sea_fog));
    append_line(&out, "%4.2f\t%4.2f\t%4.2f\t[waves]", static_cast<double>(ground.water.wave_height),
                static_cast<double>(ground.water.crest_factor), static_cast<double>(ground.water.choppiness));
    for (int i = 0; i < tables.system_count && i < k_max_systems; ++i) {
        missile_system* system = tables.systems[i];
        vec3 position{}, forward{0.0f, 0.0f, 1.0f};
        if (system == nullptr || !launcher_pose(system, &position, &forward)) continue;
        float east = 0.0f, north = 0.0f;
        ground.scene_to_lon_lat(&east, &north, position.x, position.z);
        const float heading = wrap_once(std::atan2(forward.x, forward.z) + k_pi);
        append_line(&out, "%s\t%8.6f\t%8.6f\t%4.2f\t[system]", system->name, static_cast<double>(east),
                    static_cast<double>(north), static_cast<double>(heading));
    }
    for (int i = 0; i < tables.launcher_count && i < k_max_launchers; ++i) {
        const rocket_launcher* l = tables.launchers[i];
        if (l == nullptr) continue;
        append_line(&out, "%8.6f\t%8.6f\t%4.2f\t%4.2f\t%d\t%d\t[launcher]", static_cast<double>(l->east),
                    static_cast<double>(l->north), static_cast<double>(l->azimuth), static_cast<double>(l->range),
                    l->count, l->interval);
    }
    append_line(&out, "%s", "@");
    if (comment != nullptr) {
        out += comment;
    } else {
        append_line(&out, "Saved in the %s scenery", s.scenery_name);
        if (s.test_mode) append_line(&out, "%s", "Saved in test mode");
        if (s.scenario_mode) append_line(&out, "%s", "Saved in scenario mode");
        const int placed = std::clamp(scenario_design.system_count, 0, k_scenario_max_systems);
        for (int i = 0; i < placed; ++i) {
            append_line(&out, "Using the %s Missile System", scenario_design.system_names[i]);
        }
        if (scenario_design.launcher_count != 0) {
            append_line(&out, "Using %d Rocket Launchers", scenario_design.launcher_count);
        }
    }
    append_line(&out, "%s", "");
    // A situation that cannot be written whole keeps the one there was.
    std::string error;
    const bool written = fs_write(path.c_str(), out.data(), out.size(), &error);
    if (!written) log_line("Could not write %s: %s", path.c_str(), error.c_str());
    if (!picture || !g_app->d3d) return written;
    const std::string jpg = picture_path(path);
    image snapshot;
    if (jpg.empty() || !render_snapshot(&snapshot)) return written;
    if (image_save_file(jpg.c_str(), snapshot) != S_OK) log_line("Could not write %s", jpg.c_str());
    return written;
}

bool scene::render_snapshot(image* out) {
    if (out == nullptr || g_app == nullptr || !g_app->device) return false;
    const int width = static_cast<int>(g_app->present.back_buffer_width / 2);
    const int height = static_cast<int>(g_app->present.back_buffer_height / 2);
    texture_ptr picture;
    render_snapshot(&picture, width, height, false);
    return picture && read_texture_level(picture.get(), 0, 0, out) == S_OK;
}

std::string scene::situation_damage(const char* path) {
    std::string text;
    if (!fs_read_text(path, &text)) return {};
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() > k_max_situation_line) {
            return format_string("it holds a line of %zu characters, more than %zu", line.size(),
                                 k_max_situation_line);
        }
        if (contains(line.c_str(), "//")) continue;
        if (contains(line.c_str(), "@")) return {};
    }
    return "it ends before its \"@\" line";
}

void scene::read_situation(const char* path) {
    // A damaged file would clear the run for a part of one: the scene stays as it was.
    const std::string damage = situation_damage(path);
    if (!damage.empty()) {
        log_line("%s cannot be read whole: %s", path, damage.c_str());
        gui_link().show_notice("Load Error", format_string("The situation %.80s could not be read whole:\n%s.",
                                                           path, damage.c_str()).c_str());
        return;
    }
    clear(true);
    make_roots(true);
    definition_reader reader;
    if (!reader.open(path)) return;
    app_state& s = *g_state;
    float beta = 0.0f;
    std::vector<system_line> systems;
    std::vector<rocket_launcher> launchers;
    while (reader.next_line()) {
        const std::string& line = reader.line();
        double v[6] = {};
        if (reader.has("[test_mode]")) {
            s.test_mode = reader.flag(s.test_mode);
        } else if (reader.has("[scenario_mode]")) {
            s.scenario_mode = reader.flag(s.scenario_mode);
        } else if (reader.has("[camera_east]") || reader.has("[camera_north]")) {
            float& target = contains(line.c_str(), "[camera_east]") ? s.camera_longitude : s.camera_latitude;
            const float limit = &target == &s.camera_longitude ? 180.0f : 90.0f;
            target = reader.real(target);
            reader.bound(&target == &s.camera_longitude ? "[camera_east]" : "[camera_north]", target, -limit, limit);
        } else if (reader.has("[camera_alt]")) {
            float altitude = reader.real(s.origin_offset.y + viewer.local_position().y);
            reader.bound("[camera_alt]", altitude, k_min_altitude, k_max_altitude);
            s.origin_offset.y = altitude - viewer.local_position().y;
        } else if (reader.has("[camera_alfa]")) {
            float pitch = reader.real(viewer.angles[0]);
            reader.bound("[camera_alfa]", pitch, -k_pi, k_pi);
            viewer.angles[0] = pitch;
            viewer.look_pitch = pitch;
            pointer.look_pitch() = pitch;
        } else if (reader.has("[camera_beta]")) {
            beta = reader.real(viewer.angles[1]);
            reader.bound("[camera_beta]", beta, -k_two_pi, k_two_pi);
            // The free camera's heading is minus its look yaw.
            viewer.angles[1] = beta;
            viewer.look_yaw = -beta;
            pointer.look_yaw() = -beta;
        } else if (reader.has("[time_of_day]")) {
            s.time_of_day = reader.real(s.time_of_day);
            reader.bound("[time_of_day]", s.time_of_day, 0.0f, 24.0f);
        } else if (reader.has("[fog_alt]")) {
            s.fog_alt = reader.real(s.fog_alt);
            reader.bound("[fog_alt]", s.fog_alt, k_min_altitude, k_max_altitude);
        } else if (reader.has("[cloud_base]")) {
            s.cloud_base = reader.real(s.cloud_base);
            reader.bound("[cloud_base]", s.cloud_base, 0.0f, k_max_altitude);
        } else if (reader.has("[fog_air]")) {
            // A visibility in metres: below 1 m the fog density would be beyond any use.
            s.fog_air = reader.real(s.fog_air);
            reader.bound("[fog_air]", s.fog_air, 1.0f, k_max_fog);
        } else if (reader.has("[low_clouds]")) {
            s.cloud_cover = reader.real(s.cloud_cover);
            reader.bound("[low_clouds]", s.cloud_cover, 0.0f, 1.0f);
        } else if (reader.has("[wind]")) {
            if (!tab_numbers(line, 0, v, 2)) {
                refuse_line(path, "[wind]");
                continue;
            }
            s.wind_speed = bounded(reader, "[wind] speed", v[0], 0.0f, k_max_wind);
            s.wind_direction = bounded(reader, "[wind] direction", v[1], -k_two_pi, k_two_pi);
            s.wind[0] = std::sin(s.wind_direction) * s.wind_speed;
            s.wind[1] = std::cos(s.wind_direction) * s.wind_speed;
        } else if (reader.has("[sea]")) {
            if (!tab_numbers(line, 0, v, 4)) {
                refuse_line(path, "[sea]");
                continue;
            }
            for (int c = 0; c < 3; ++c) s.sea_rgb[c] = bounded_int(reader, "[sea] colour", v[c], 0, 255);
            s.sea_fog = bounded(reader, "[sea] fog distance", v[3], 1.0f, k_max_fog);
        } else if (reader.has("[waves]")) {
            if (!tab_numbers(line, 0, v, 3)) {
                refuse_line(path, "[waves]");
                continue;
            }
            ground.water.wave_height = bounded(reader, "[waves] height", v[0], 0.0f, k_max_wave_height);
            ground.water.crest_factor = bounded(reader, "[waves] crest factor", v[1], 0.0f, k_max_wave_factor);
            ground.water.choppiness = bounded(reader, "[waves] choppiness", v[2], 0.0f, k_max_wave_factor);
            ground.water.build_spectrum();
        } else if (reader.has("[system]")) {
            // The name is the text before the first TAB; a line without one names nothing.
            if (systems.size() >= static_cast<std::size_t>(k_max_systems) ||
                line.find('\t') == std::string::npos) {
                continue;
            }
            if (!tab_numbers(line, 1, v, 3)) {
                refuse_line(path, "[system]");
                continue;
            }
            system_line sys;
            reader.name(sys.name);
            sys.east = bounded(reader, "[system] east", v[0], -180.0f, 180.0f);
            sys.north = bounded(reader, "[system] north", v[1], -90.0f, 90.0f);
            sys.heading = bounded(reader, "[system] heading", v[2], -k_two_pi, k_two_pi);
            // The scenario design's run file adds the protected radius (m) as a fifth value.
            if (tab_numbers(line, 1, v, 4) && v[3] > 0.0) {
                sys.radius = bounded(reader, "[system] radius", v[3], 1.0f, k_max_range);
            }
            systems.push_back(sys);
        } else if (reader.has("[launcher]")) {
            if (launchers.size() >= static_cast<std::size_t>(k_max_launchers)) continue;
            if (!tab_numbers(line, 0, v, 6)) {
                refuse_line(path, "[launcher]");
                continue;
            }
            rocket_launcher l;
            l.east = bounded(reader, "[launcher] east", v[0], -180.0f, 180.0f);
            l.north = bounded(reader, "[launcher] north", v[1], -90.0f, 90.0f);
            l.azimuth = bounded(reader, "[launcher] azimuth", v[2], -k_two_pi, k_two_pi);
            l.range = bounded(reader, "[launcher] range", v[3], 0.0f, k_max_range);
            l.count = bounded_int(reader, "[launcher] rockets", v[4], 0, k_max_rockets);
            l.interval = bounded_int(reader, "[launcher] interval", v[5], 0, k_max_interval);
            launchers.push_back(l);
        }
    }

    if (sky.cloud_layer) sky.cloud_layer->set_cover(s.cloud_cover);
    update_celestial();
    const int tile = s.find_scenery_tile(s.camera_longitude, s.camera_latitude);
    load_scenery(tile);
    tell_when_scenery_lost(path, s.sceneries, tile, ground.columns > 0 && ground.rows > 0);

    if (!s.test_mode) {
        for (const system_line& sys : systems) {
            float x = 0.0f, z = 0.0f;
            ground.lon_lat_to_scene(sys.east, sys.north, &x, &z);
            const int before = tables.system_count;
            add_system(sys.name, x, 0.0f, z, sys.heading, true);
            if (tables.system_count == before || current_system == nullptr) continue;
            // The control unit keeps its radius in km.
            if (sys.radius > 0.0f && current_system->control) {
                current_system->control->protected_radius = sys.radius * 0.001f;
            }
        }
        for (const rocket_launcher& record : launchers) {
            rocket_launcher* l = create_launcher(record, tables.launcher_count);
            if (l != nullptr) tables.launchers[tables.launcher_count++] = l;
        }
        select_next_system(k_first_view_height);
        return;
    }

    // A test flies the design system: ahead of the camera, or where the file's first system
    // stood.
    if (design_system == nullptr) return;
    const vec3 eye = viewer.local_position();
    float x = eye.x - k_test_ahead * std::sin(beta);
    float y = eye.y + k_test_above;
    float z = eye.z + k_test_ahead * std::cos(beta);
    float heading = -beta;
    if (!systems.empty()) {
        ground.lon_lat_to_scene(systems[0].east, systems[0].north, &x, &z);
        y = 0.0f;
        heading = systems[0].heading;
    }
    const int before = tables.system_count;
    add_system(design_system->name, x, y, z, heading, true);
    if (tables.system_count == before || current_system == nullptr) return;
    missile_system* added = current_system;
    added->test_alfa = design_system->test_alfa;
    added->test_beta = design_system->test_beta;
    added->test_dist = design_system->test_dist;
    added->test_speed = design_system->test_speed;
    added->test_elev = design_system->test_elev;
    added->test_launch = design_system->test_launch;
    // The engagement range belongs to the control unit (km), the elevation to the launcher
    // (degrees).
    if (added->control) added->control->launch_range = design_system->test_launch * 0.001f;
    if (added->launch_unit) {
        added->launch_unit->elevation_angle = design_system->test_alfa * k_degrees_per_radian;
        added->launch_unit->apply_angles();
    }
}

void scene::read_test_conditions(const char* path) {
    if (design_system == nullptr) return;
    definition_reader reader;
    if (!reader.open(path)) return;
    missile_system& d = *design_system;
    const struct {
        const char* key;
        float* field;
    } fields[] = {
        {"[test_alfa]", &d.test_alfa},   {"[test_beta]", &d.test_beta},   {"[test_dist]", &d.test_dist},
        {"[test_speed]", &d.test_speed}, {"[test_elev]", &d.test_elev},   {"[test_launch]", &d.test_launch},
    };
    while (reader.next_line()) {
        for (const auto& f : fields) {
            if (!reader.has(f.key)) continue;
            // Finite values only: the test screen bounds them to its own ranges.
            *f.field = reader.real(*f.field);
            reader.bound(f.key, *f.field, -1.0e7f, 1.0e7f);
            break;
        }
    }
}
