#include "design/scenario_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"
#include "shell/scene.h"

namespace design {

namespace {

constexpr float k_metres_per_degree = 111120.0f;
constexpr float k_degrees_per_radian = 57.29578f;
// The camera of a run stands this far behind the first system (m).
constexpr float k_camera_behind = 50.0f;

// What the program can use of an object's numbers.
constexpr int k_max_rockets = 1000;
constexpr int k_max_reload = 3600;      // s
constexpr int k_max_radius = 1000000;   // m

void put(std::string* out, const std::string& line) {
    *out += line;
    *out += "\r\n";
}

// The key of a line: its text after the value's TAB, so that a name can hold any key's
// spelling; the whole line when it has no TAB.
const char* key_part(const std::string& line) {
    const std::size_t tab = line.rfind('\t');
    return tab == std::string::npos ? line.c_str() : line.c_str() + tab + 1;
}

// Notes of one read, each logged once with the file's name.
struct read_notes {
    const char* path = "";
    bool orphan = false, bad_type = false, full = false, bounded = false;
};

int bounded_whole(const std::string& line, int fallback, int high, read_notes& notes) {
    int v = fallback;
    scan_int(line.c_str(), &v);
    const int b = std::clamp(v, 0, high);
    if (b != v) notes.bounded = true;
    return b;
}

float bounded_degrees(const std::string& line, float fallback, float limit, read_notes& notes) {
    float v = fallback;
    if (!scan_float(line.c_str(), &v) || !std::isfinite(v)) return fallback;
    const float b = std::clamp(v, -limit, limit);
    if (b != v) notes.bounded = true;
    return b;
}

void take_value(const std::string& line, const char* key, scenario_object& o, read_notes& notes) {
    if (contains(key, "system_name")) {
        copy_text(o.name, line.substr(0, line.find('\t')).c_str());
    } else if (contains(key, "system_pos_x")) {
        o.east = bounded_degrees(line, o.east, 180.0f, notes);
    } else if (contains(key, "system_pos_y")) {
        o.north = bounded_degrees(line, o.north, 90.0f, notes);
    } else if (contains(key, "system_end_x")) {
        o.aim_east = bounded_degrees(line, o.aim_east, 180.0f, notes);
    } else if (contains(key, "system_end_y")) {
        o.aim_north = bounded_degrees(line, o.aim_north, 90.0f, notes);
    } else if (contains(key, "system_rockets")) {
        o.rockets = bounded_whole(line, o.rockets, k_max_rockets, notes);
    } else if (contains(key, "system_reload")) {
        o.reload = bounded_whole(line, o.reload, k_max_reload, notes);
    } else if (contains(key, "system_radius")) {
        o.radius = bounded_whole(line, o.radius, k_max_radius, notes);
    }
}

// Whether a system's name survives the run file: the situation reader ends the file at a line
// holding "@", skips one holding "//", takes a line by the first bracketed key in it and cuts
// lines at control characters.
bool runnable_name(const char* name) {
    for (const char* c = name; *c != '\0'; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || *c == '@' || *c == '[' || *c == ']') return false;
    }
    return !contains(name, "//");
}

bool is_value_key(const char* key) {
    static constexpr const char* k_keys[] = {"system_name",  "system_pos_x",   "system_pos_y",
                                             "system_end_x", "system_end_y",   "system_rockets",
                                             "system_reload", "system_radius"};
    for (const char* k : k_keys) {
        if (contains(key, k)) return true;
    }
    return false;
}

}  // namespace

float scenario_range(float east, float north, float to_east, float to_north) {
    const float north_m = (to_north - north) * k_metres_per_degree;
    const float east_m = std::cos(north / k_degrees_per_radian) * (to_east - east) * k_metres_per_degree;
    return std::sqrt(east_m * east_m + north_m * north_m);
}

float scenario_bearing(float east, float north, float to_east, float to_north) {
    const float north_m = (to_north - north) * k_metres_per_degree;
    const float east_m = std::cos(north / k_degrees_per_radian) * (to_east - east) * k_metres_per_degree;
    return std::atan2(east_m, north_m);
}

std::string scenario_text(const scenario_table& table) {
    std::string out;
    const int count = std::clamp(table.count, 0, k_max_scenario_objects);
    put(&out, format_string("%d\tsystems_num", count));
    put(&out, "");
    const auto degrees = [](float v) { return static_cast<double>(v); };
    for (int i = 0; i < count; ++i) {
        const scenario_object& o = table.objects[i];
        put(&out, format_string("%d\tsystem_type", o.type));
        put(&out, format_string("%s\tsystem_name", o.name));
        put(&out, format_string("%.10g\tsystem_pos_x", degrees(o.east)));
        put(&out, format_string("%.10g\tsystem_pos_y", degrees(o.north)));
        put(&out, format_string("%.10g\tsystem_end_x", degrees(o.aim_east)));
        put(&out, format_string("%.10g\tsystem_end_y", degrees(o.aim_north)));
        put(&out, format_string("%d\tsystem_rockets", o.rockets));
        put(&out, format_string("%d\tsystem_reload", o.reload));
        put(&out, format_string("%d\tsystem_radius", o.radius));
        put(&out, "");
    }
    return out;
}

void parse_scenario_text(const std::string& text, const char* path, scenario_table* out) {
    read_notes notes;
    notes.path = path != nullptr ? path : "";
    auto fresh = std::make_unique<scenario_table>();
    scenario_table& t = *fresh;
    int stated = -1;
    // The object the value lines go to: none before the first object, after a refused type
    // and once the table is full.
    scenario_object* current = nullptr;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const char* key = key_part(line);
        if (contains(key, "systems_num")) {
            scan_int(line.c_str(), &stated);
        } else if (contains(key, "system_type")) {
            int type = 0;
            scan_int(line.c_str(), &type);
            current = nullptr;
            if (type != scenario_type::launcher && type != scenario_type::system) {
                notes.bad_type = true;
            } else if (t.count >= k_max_scenario_objects) {
                notes.full = true;
            } else {
                current = &t.objects[t.count++];
                current->type = type;
                current->radius = 1000;
            }
        } else if (is_value_key(key)) {
            if (current != nullptr) {
                take_value(line, key, *current, notes);
            } else if (t.count == 0) {
                notes.orphan = true;
            }
        }
    }
    if (notes.orphan) log_line("%s: values before the first object were skipped", notes.path);
    if (notes.bad_type) log_line("%s: objects of an unknown type were skipped", notes.path);
    if (notes.full) log_line("%s: objects beyond %d were skipped", notes.path, k_max_scenario_objects);
    if (notes.bounded) log_line("%s: values out of range were bounded", notes.path);
    if (stated != t.count) log_line("%s: systems_num %d, %d objects read", notes.path, stated, t.count);
    *out = t;
}

bool write_scenario_file(const char* path, const scenario_table& table, std::string* error) {
    const std::string text = scenario_text(table);
    std::string why;
    const bool ok = fs_write(path, text.data(), text.size(), &why);
    if (!ok) log_line("Could not write %s: %s", path, why.c_str());
    if (error != nullptr) *error = why;
    return ok;
}

bool read_scenario_file(const char* path, scenario_table* table) {
    std::string text;
    if (!fs_read_text(path, &text)) {
        log_line("Could not read %s", path);
        return false;
    }
    parse_scenario_text(text, path, table);
    return true;
}

run_weather current_weather() {
    run_weather w;
    if (g_state != nullptr) {
        const app_state& s = *g_state;
        w.time_of_day = s.time_of_day;
        w.fog_alt = s.fog_alt;
        w.cloud_base = s.cloud_base;
        w.low_clouds = s.cloud_cover;
        w.fog_air = s.fog_air;
        w.wind_speed = s.wind_speed;
        w.wind_direction = s.wind_direction;
        for (int i = 0; i < 3; ++i) w.sea_rgb[i] = s.sea_rgb[i];
        w.sea_fog = s.sea_fog;
    }
    if (g_scene != nullptr) {
        w.wave_height = g_scene->ground.water.wave_height;
        w.crest_factor = g_scene->ground.water.crest_factor;
        w.choppiness = g_scene->ground.water.choppiness;
    }
    return w;
}

std::string scenario_run_text(const scenario_table& table, const run_weather& weather) {
    const int count = std::clamp(table.count, 0, k_max_scenario_objects);
    const scenario_object* first = nullptr;
    for (int i = 0; i < count && first == nullptr; ++i) {
        if (table.objects[i].type == scenario_type::system) first = &table.objects[i];
    }
    float camera_east = 0, camera_north = 0, heading = 0;
    if (first != nullptr) {
        heading = -scenario_bearing(first->east, first->north, first->aim_east, first->aim_north);
        camera_east = first->east + std::sin(heading) * k_camera_behind / k_metres_per_degree;
        camera_north = first->north - std::cos(heading) * k_camera_behind / k_metres_per_degree;
    }
    const auto d = [](float v) { return static_cast<double>(v); };
    std::string out;
    put(&out, "");
    put(&out, "// QVD Situation File");
    put(&out, "");
    put(&out, format_string("%d\t[scenario_mode]", 1));
    put(&out, format_string("%8.6f\t[camera_east]", d(camera_east)));
    put(&out, format_string("%8.6f\t[camera_north]", d(camera_north)));
    put(&out, format_string("%4.2f\t[camera_alt]", 0.0));
    put(&out, format_string("%4.2f\t[camera_beta]", d(heading)));
    put(&out, format_string("%4.2f\t[camera_alfa]", 0.0));
    put(&out, format_string("%4.2f\t[time_of_day]", d(weather.time_of_day)));
    put(&out, format_string("%4.2f\t[fog_alt]", d(weather.fog_alt)));
    put(&out, format_string("%4.2f\t[cloud_base]", d(weather.cloud_base)));
    put(&out, format_string("%4.2f\t[low_clouds]", d(weather.low_clouds)));
    put(&out, format_string("%4.2f\t[fog_air]", d(weather.fog_air)));
    put(&out, format_string("%4.2f\t%4.2f\t[wind]", d(weather.wind_speed), d(weather.wind_direction)));
    put(&out, format_string("%d\t%d\t%d\t%4.2f\t[sea]", weather.sea_rgb[0], weather.sea_rgb[1],
                            weather.sea_rgb[2], d(weather.sea_fog)));
    put(&out, format_string("%4.2f\t%4.2f\t%4.2f\t[waves]", d(weather.wave_height),
                            d(weather.crest_factor), d(weather.choppiness)));
    for (int i = 0; i < count; ++i) {
        const scenario_object& o = table.objects[i];
        const float bearing = scenario_bearing(o.east, o.north, o.aim_east, o.aim_north);
        if (o.type == scenario_type::launcher) {
            const float range = scenario_range(o.east, o.north, o.aim_east, o.aim_north);
            put(&out, format_string("%8.6f\t%8.6f\t%4.2f\t%4.2f\t%d\t%d\t[launcher]", d(o.east), d(o.north),
                                    d(bearing), d(range), o.rockets, o.reload));
        } else if (runnable_name(o.name)) {
            put(&out, format_string("%s\t%8.6f\t%8.6f\t%4.2f\t%d\t[system]", o.name, d(o.east), d(o.north),
                                    d(bearing), o.radius));
        } else {
            // Written as it stands it would end the run file or be read as another key, and
            // take the objects after it along.
            log_line("Scenario run file: the system \"%s\" has a name the run file cannot carry; left out", o.name);
        }
    }
    put(&out, "@");
    put(&out, "Saved by scenario design");
    return out;
}

bool write_scenario_run_file(const scenario_table& table, const run_weather& weather, std::string* error) {
    const std::string text = scenario_run_text(table, weather);
    std::string why;
    const bool ok = fs_write(k_run_file, text.data(), text.size(), &why);
    if (!ok) log_line("Could not write %s: %s", k_run_file, why.c_str());
    if (error != nullptr) *error = why;
    return ok;
}

}  // namespace design
