// A designed scenario: the missile systems and hostile rocket launchers placed on a scenery
// map, kept as "scenarios\%s.txt" (one value, a TAB and a bare key a line), and the run file
// "scenarios\scenario.cfg" that turns them into a situation the scene reads like any other.
//
// Positions and aim points are east longitude and north latitude in degrees, kept in 32-bit
// floats; ground distances use 111,120 m per degree, east differences scaled by the cosine of
// the latitude. Both files end their lines in CR LF; the reader takes LF alone as well.
#pragma once

#include <string>

namespace design {

namespace scenario_type {
enum : int { launcher = 1, system = 2 };
}

constexpr int k_max_scenario_objects = 256;
constexpr int k_scenario_name_chars = 40;  // 39 characters and the end

// One placed object.
struct scenario_object {
    int type = scenario_type::launcher;
    char name[k_scenario_name_chars] = {};
    float east = 0, north = 0;
    float aim_east = 0, aim_north = 0;  // a launcher's target; the way a system faces
    int rockets = 0;                    // a launcher's rockets
    int reload = 0;                     // seconds between a launcher's rockets
    int radius = 1000;                  // metres; a system's protected radius
};

// The placed objects in placement order.
struct scenario_table {
    scenario_object objects[k_max_scenario_objects];
    int count = 0;
};

// Ground range (m) and bearing (radians, clockwise from north) from one point to another, in
// 32-bit arithmetic as the run file carries them.
float scenario_range(float east, float north, float to_east, float to_north);
float scenario_bearing(float east, float north, float to_east, float to_north);

// The scenario file's text and its reader. A read starts a fresh table: objects begin at each
// "system_type" line of type 1 or 2 (other types and values before the first object are
// skipped), at most 256 are kept, and the count is the number read.
std::string scenario_text(const scenario_table& table);
void parse_scenario_text(const std::string& text, const char* path, scenario_table* out);

// Writes through a replacing write: false, the old file kept and the reason in error, when the
// file cannot be written whole. A read that cannot open the file leaves the table as it was.
bool write_scenario_file(const char* path, const scenario_table& table, std::string* error);
bool read_scenario_file(const char* path, scenario_table* table);

// What the run file carries of the current moment: time of day, weather, sea and waves.
struct run_weather {
    float time_of_day = 12;
    float fog_alt = 0, cloud_base = 0, low_clouds = 0, fog_air = 0;
    float wind_speed = 0, wind_direction = 0;
    int sea_rgb[3] = {0, 0, 0};
    float sea_fog = 0;
    float wave_height = 0, crest_factor = 0, choppiness = 0;
};
// The program's current values (the defaults without an application state or scene).
run_weather current_weather();

constexpr const char k_run_file[] = "scenarios\\scenario.cfg";

// The run file's text: the camera 50 m behind the first system looking the way it faces, the
// weather, then a [launcher] or [system] line per object. Needs at least one system.
std::string scenario_run_text(const scenario_table& table, const run_weather& weather);
bool write_scenario_run_file(const scenario_table& table, const run_weather& weather,
                             std::string* error);

}  // namespace design
