// The scenery objects: switching sceneries, the object index "tile_objects.txt" (built once
// from the land-class object files and read on every load), the object lists "objects.txt"
// and the lists they include, and the anchor grid that builds the objects near the camera.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "core/frame.h"
#include "core/loading_display.h"
#include "core/mesh.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "shell/scene.h"
#include "world/terrain.h"

namespace {

constexpr const char* k_index_file = "tile_objects.txt";
constexpr const char* k_list_file = "objects.txt";
constexpr const char* k_caption = "Loading Objects";
// Lines are at most this long; a longer one is refused.
constexpr std::size_t k_max_line = 255;
// The caption is shown again after this many index lines / list lines.
constexpr int k_index_caption_lines = 65536;
constexpr int k_list_caption_lines = 4096;
// A placement line of the index is about this long (bytes): the file size over it estimates
// the placements.
constexpr long long k_placement_line_bytes = 34;
// Two list lines within this of each other in every number share one index entry.
constexpr float k_same_number = 0.1f;

std::string scenery_file(const char* file) {
    return format_string("scenery\\%s\\%s", g_state->scenery_name, file);
}

// The lines of a text file; false when it cannot be read.
bool read_lines(const std::string& path, std::vector<std::string>* lines) {
    std::string text;
    if (!fs_read_text(path.c_str(), &text)) return false;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(std::move(line));
        at = end + 1;
    }
    return true;
}

// The leading word (up to white space) and the numbers after it; false when the word does not
// fit a name field or fewer than n numbers follow.
bool read_named_numbers(const std::string& line, char (&name)[object_entry::k_name_size], float* numbers, int n) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos) return false;
    const std::size_t end = line.find_first_of(" \t", at);
    const std::string word = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (word.size() >= sizeof name) return false;
    copy_text(name, word.c_str());
    std::size_t pos = end;
    for (int i = 0; i < n; ++i) {
        if (pos == std::string::npos) return false;
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) return false;
        if (!scan_float(line.c_str() + pos, &numbers[i]) || !std::isfinite(numbers[i])) return false;
        pos = line.find_first_of(" \t", pos);
    }
    return true;
}

// The numbers of a line from its start.
bool read_numbers(const std::string& line, float* numbers, int n) {
    std::size_t pos = 0;
    for (int i = 0; i < n; ++i) {
        if (pos == std::string::npos) return false;
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos) return false;
        if (!scan_float(line.c_str() + pos, &numbers[i]) || !std::isfinite(numbers[i])) return false;
        pos = line.find_first_of(" \t", pos);
    }
    return true;
}

// A model name found on the search path becomes its path in lower case; a bracketed effect
// stays as it is.
void resolve_entry_name(object_entry* e) {
    if (contains(e->name, "[")) {
        e->found = 1.0f;
        return;
    }
    char path[object_entry::k_name_size] = {};
    e->found = find_data_file(path, e->name) ? 1.0f : 0.0f;
    if (e->found != 0.0f) copy_text(e->name, path);
    ascii_lower_in_place(e->name);
}

bool same_entry(const object_entry& a, const object_entry& b) {
    if (std::strcmp(a.name, b.name) != 0) return false;
    for (int i = 0; i < 5; ++i) {
        if (std::fabs(a.k[i] - b.k[i]) > k_same_number) return false;
    }
    return true;
}

}  // namespace

// ---- Switching sceneries ----

void scene::load_scenery(int tile) {
    const float altitude = g_state->origin_offset.y + viewer.local_position().y;
    clear(true);
    make_roots(true);
    if (tile > 0 && tile <= g_state->sceneries.count) {
        load_scenery_objects(g_state->sceneries.entries[tile - 1].folder);
    }
    float gx = 0.0f, gz = 0.0f;
    ground.lon_lat_to_grid(g_state->camera_longitude, g_state->camera_latitude, &gx, &gz);
    const float c = viewer.cell_size > 0.0f ? viewer.cell_size : 1000.0f;
    const vec3 inside{std::fmod(gx, c), std::fmod(altitude, c), std::fmod(gz, c)};
    viewer.set_position(inside.x, inside.y, inside.z);
    g_state->origin_offset = vec3{gx, altitude, gz} - inside;
    ground.reset_grid_origin();
    g_app->near_view = altitude < k_globe_altitude ? 1 : 0;
    g_app->objects_view = altitude < g_state->max_objects_alt ? 1 : 0;
    if (g_app->objects_view) {
        begin_loading_screen();
        update_anchors(true);
        end_loading_screen();
    } else if (anchors) {
        anchors->clear_children();
    }
}

void scene::load_scenery_objects(const char* name) {
    if (name == nullptr || name[0] == '\0') return;
    begin_loading_screen();
    ground.load_scenery(name);
    g_state->show_status(k_caption);
    const bool read = read_object_index(k_index_file);
    // An index without a single object, while the land classes have object files, was
    // written by a load that had not read them: it is built again.
    const bool empty = read && objects_table.entries.empty() && !land_class_object_files().empty();
    if (empty) {
        log_line("%s holds no objects: built again from the land-class object files",
                 scenery_file(k_index_file).c_str());
    }
    if ((!read || empty) && build_object_index(k_index_file)) read_object_index(k_index_file);
    if (!read_object_list(k_list_file, false)) log_line("Could not find %s\\%s", name, k_list_file);
    end_loading_screen();
}

void scene::clear_scenery_objects() {
    for (object_entry& e : objects_table.entries) {
        if (e.cached != nullptr) {
            frame* f = e.cached;
            destroy_frame(&f);
            e.cached = nullptr;
        }
    }
    objects_table.entries.clear();
    objects_table.placements.clear();
    objects_table.include_chain.clear();
}

// ---- The object index ----

float scene::object_density() const {
    const int budget = g_state->max_objects_count;
    // Without a grid there is nothing to estimate the placements with: every one is kept.
    if (budget <= 0 || ground.columns <= 0 || ground.rows <= 0 || !(ground.cell_size > 0.0f)) return 1.0f;
    const long long size = fs_file_size(scenery_file(k_index_file).c_str());
    const double placements = static_cast<double>(size / k_placement_line_bytes);
    const double window = static_cast<double>(anchor_grid_size) * anchor_cell_size;
    const double grid = static_cast<double>(ground.columns) * ground.rows * ground.cell_size * ground.cell_size;
    const double in_window = placements * window * window / grid;
    if (!(in_window > 0.0)) return 1.0f;
    return static_cast<float>(std::fmin(1.0, budget / in_window));
}

bool scene::read_object_index(const char* file) {
    const std::string path = scenery_file(file);
    std::vector<std::string> lines;
    if (!read_lines(path, &lines)) return false;
    const float density = object_density();
    objects_table.entries.clear();
    objects_table.placements.clear();
    int section = 0;
    int refused = 0;
    int line_number = 0;
    for (const std::string& line : lines) {
        if (++line_number % k_index_caption_lines == 0) g_state->show_status(k_caption);
        if (line.empty()) continue;
        if (contains(line.c_str(), "[object_index]") || contains(line.c_str(), "[object_list]")) {
            ++section;
            continue;
        }
        if (line.size() > k_max_line) {
            ++refused;
            continue;
        }
        if (section == 1 && objects_table.entries.size() < static_cast<std::size_t>(scenery_objects::k_max_entries)) {
            object_entry e;
            if (!read_named_numbers(line, e.name, e.k, 5)) {
                ++refused;
                continue;
            }
            resolve_entry_name(&e);
            objects_table.entries.push_back(e);
        } else if (section == 2 &&
                   objects_table.placements.size() < static_cast<std::size_t>(scenery_objects::k_max_placements)) {
            // A full density keeps every line (the draw may give 32767 / 32767).
            if (density < 1.0f && static_cast<float>(program_rand()) / 32767.0f >= density) continue;
            float v[3] = {};
            // The entry number indexes the table: only an existing entry is taken.
            if (!read_numbers(line, v, 3) || v[2] < 0.0f ||
                v[2] >= static_cast<float>(objects_table.entries.size())) {
                ++refused;
                continue;
            }
            objects_table.placements.push_back({v[0], v[1], static_cast<std::int32_t>(v[2])});
        }
    }
    if (refused > 0) log_line("%s: %d lines that did not fit were left out", path.c_str(), refused);
    return true;
}

// ---- Object lists ----

bool scene::read_object_list(const char* file, bool relative) {
    objects_table.include_chain.clear();
    return read_list(file, relative, list_parent{});
}

bool scene::read_list(const char* file, bool relative, const list_parent& parent) {
    const std::string path = scenery_file(file);
    std::string lowered = ascii_lowered(path);
    for (const std::string& open : objects_table.include_chain) {
        if (open == lowered) {
            log_line("%s includes itself: not read again", path.c_str());
            return false;
        }
    }
    if (objects_table.include_chain.size() >= static_cast<std::size_t>(scenery_objects::k_max_include_depth)) {
        log_line("%s: lists nested deeper than %d are not read", path.c_str(), scenery_objects::k_max_include_depth);
        return false;
    }
    std::vector<std::string> lines;
    if (!read_lines(path, &lines)) return false;
    objects_table.include_chain.push_back(lowered);
    int refused = 0;
    int line_number = 0;
    for (const std::string& line : lines) {
        if (objects_table.full()) break;
        if (++line_number % k_list_caption_lines == 0) g_state->show_status(k_caption);
        if (line.empty() || contains(line.c_str(), "//")) continue;
        object_entry e;
        float v[7] = {};
        if (line.size() > k_max_line || !read_named_numbers(line, e.name, v, 7)) {
            ++refused;
            continue;
        }
        for (int i = 0; i < 5; ++i) e.k[i] = v[2 + i];
        float x = 0.0f, z = 0.0f;
        list_position(relative, parent, v[0], v[1], &x, &z);
        // Far beyond the globe, or scaled past any number by the lists that include it.
        if (!std::isfinite(x) || !std::isfinite(z)) {
            ++refused;
            continue;
        }
        if (contains(e.name, ".txt")) {
            // The included lines lie around this one, turned and scaled by its numbers.
            const list_parent next{x, z, e.k[1], e.k[2], e.k[3], e.k[4]};
            read_list(e.name, !contains(e.name, "abs_"), next);
            continue;
        }
        resolve_entry_name(&e);
        if (relative) combine_with_parent(parent, &e);
        if (!std::all_of(std::begin(e.k), std::end(e.k), [](float k) { return std::isfinite(k); })) {
            ++refused;
            continue;
        }
        add_placement(e, x, z);
    }
    objects_table.include_chain.pop_back();
    if (refused > 0) log_line("%s: %d lines that did not fit were left out", path.c_str(), refused);
    return true;
}

void scene::list_position(bool relative, const list_parent& parent, float east, float north, float* x,
                          float* z) const {
    if (!relative) {
        ground.lon_lat_to_grid(east, north, x, z);
        return;
    }
    const float sx = parent.s * east, sz = parent.s * north;
    const float c = std::cos(parent.r), s = std::sin(parent.r);
    *x = c * sx - s * sz + parent.px;
    *z = s * sx + c * sz + parent.pz;
}

void scene::combine_with_parent(const list_parent& p, object_entry* e) {
    float* k = e->k;
    const char* n = e->name;
    // Model names are lower-cased; bracketed effect names keep their case.
    if (contains(n, "[Path")) {
        k[1] += p.r; k[2] *= p.s; k[3] *= p.a; k[4] *= p.b;
    } else if (contains(n, "[LightArray]")) {
        k[0] *= p.s;
    } else if (contains(n, "array")) {
        k[2] *= p.s; k[3] *= p.a; k[4] *= p.b;
    } else if (contains(n, "decal")) {
        k[2] *= p.s; k[3] *= p.a;
    } else if (contains(n, "patch") || contains(n, "runway")) {
        k[1] -= p.r; k[2] *= p.s; k[3] *= p.a; k[4] *= p.b;
    } else if (contains(n, "road") || contains(n, "track")) {
        k[1] += p.r; k[2] *= p.s; k[3] *= p.a;
    } else if (contains(n, "group")) {
        // Before "anim": an "anim_group" is a group of models and turns and scales as one.
        k[1] -= p.r; k[2] *= p.s; k[3] *= p.a; k[4] *= p.b;
    } else if (contains(n, "anim")) {
        k[1] -= p.r; k[2] *= p.s;
    } else {
        k[1] -= p.r; k[2] *= p.s; k[3] *= p.a; k[4] *= p.b;
    }
}

void scene::add_placement(const object_entry& e, float x, float z) {
    std::int32_t number = -1;
    for (std::size_t i = 0; i < objects_table.entries.size(); ++i) {
        if (same_entry(objects_table.entries[i], e)) {
            number = static_cast<std::int32_t>(i);
            break;
        }
    }
    if (number < 0) {
        number = static_cast<std::int32_t>(objects_table.entries.size());
        objects_table.entries.push_back(e);
    }
    objects_table.placements.push_back({x, z, number});
}

// ---- The anchor grid ----

void scene::update_anchors(bool rebuild) {
    if (anchors == nullptr) return;
    const int n = anchor_grid_size;
    const float g = anchor_cell_size;
    const float h = static_cast<float>(n) * 0.5f * g;
    if (rebuild) {
        anchors->clear_children();
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                frame* a = nullptr;
                if (!create_frame(anchors, &a, "anchor")) continue;
                a->set_position(static_cast<float>(j) * g - h, -g_state->origin_offset.y, static_cast<float>(i) * g - h);
                a->radius = g;
            }
        }
    }
    const vec3 eye = viewer.world_position();
    const float span = static_cast<float>(n) * g;
    for (int c = 0; c < anchors->child_count(); ++c) {
        frame* a = anchors->child(c);
        if (a == nullptr) continue;
        vec3 p = a->local_position();
        const vec3 before = p;
        while (p.x < eye.x - h) p.x += span;
        while (p.x > eye.x + h) p.x -= span;
        while (p.z < eye.z - h) p.z += span;
        while (p.z > eye.z + h) p.z -= span;
        const bool moved = p.x != before.x || p.z != before.z;
        if (!moved && !rebuild) continue;
        if (moved) a->set_position(p.x, p.y, p.z);
        fill_anchor(a, rebuild);
    }
}

void scene::fill_anchor(frame* a, bool rebuild) {
    const float g = anchor_cell_size;
    if (rebuild) g_state->show_status(k_caption);
    a->clear_children();
    a->update_matrices();
    a->radius = g;
    const vec3 p = a->local_position();
    const float ax = p.x + g_state->origin_offset.x;
    const float az = p.z + g_state->origin_offset.z;
    for (const object_placement& placement : objects_table.placements) {
        if (placement.east > ax - g / 2 && placement.east < ax + g / 2 && placement.north > az - g / 2 &&
            placement.north < az + g / 2) {
            build_object(a, placement.entry, placement.east - ax, placement.north - az);
        }
    }
    a->sort_children_by_layer();
}

// ---- Building the index from the land classes ----

namespace {

// One object of a land-class file: where it stands inside a texture tile (cells) and its
// numbers.
struct class_object {
    char name[object_entry::k_name_size] = {};
    float x = 0.0f, z = 0.0f;
    float k[5] = {};
    int land_class = 0;
    int cell_offset = 0;
};

// Scales the numbers of an object whose class file was made for another tile size. The kinds
// that have sizes to scale are tested first: an "anim_group" is a group and is scaled, a
// "decal_array" an array; effects, decals and animals keep their sizes.
void scale_class_object(class_object* o, float q) {
    const char* n = o->name;
    float* k = o->k;
    if (contains(n, "[Path") || contains(n, "road") || contains(n, "track")) {
        k[2] *= q; k[3] *= q;
    } else if (contains(n, "[LightArray]")) {
        k[0] *= q; k[1] *= q;
    } else if (contains(n, "array")) {
        k[1] *= q; k[4] *= q;
    } else if (contains(n, "patch") || contains(n, "runway") || contains(n, "group")) {
        k[2] *= q; k[3] *= q; k[4] *= q;
    }
}

}  // namespace

std::vector<std::pair<int, std::string>> scene::land_class_object_files() const {
    std::vector<std::pair<int, std::string>> files;
    for (int c = 0; c < ground.land_class_count && c < terrain::k_max_classes; ++c) {
        std::string name = ground.land_texture_names[c];
        const std::size_t dot = name.find('.');
        if (dot == std::string::npos) continue;
        name = name.substr(0, dot) + ".txt";
        char path[object_entry::k_name_size] = {};
        if (find_data_file(path, name.c_str())) files.emplace_back(c, path);
    }
    return files;
}

bool scene::build_object_index(const char* file) {
    const int columns = ground.columns, rows = ground.rows, tile = ground.tile_samples;
    const float cell = ground.cell_size;
    const std::string target = scenery_file(file);
    if (columns <= 0 || rows <= 0 || ground.class_map.size() < static_cast<std::size_t>(columns) * rows) {
        log_line("%s not written: the scenery's land classes are not loaded", target.c_str());
        return false;
    }
    std::vector<class_object> objects;
    int files_read = 0;
    int refused = 0;
    for (const auto& [c, path] : land_class_object_files()) {
        std::vector<std::string> lines;
        if (!read_lines(path, &lines)) continue;
        ++files_read;
        float q = 0.0f;
        for (const std::string& line : lines) {
            if (line.find('\0') != std::string::npos) break;
            if (line.empty()) continue;
            if (static_cast<unsigned char>(line[0]) < 'A') {
                const std::size_t at = line.find("tile size =");
                float size = 0.0f;
                if (at != std::string::npos && scan_float(line.c_str() + at + 11, &size) && size > 100.0f) {
                    q = static_cast<float>(tile) * cell / size;
                    if (std::fabs(q - 1.0f) < 0.01f) q = 0.0f;
                }
                continue;
            }
            if (objects.size() >= static_cast<std::size_t>(scenery_objects::k_max_entries)) break;
            class_object o;
            float v[7] = {};
            // A position outside its tile would read the class map beyond the tile.
            if (line.size() > k_max_line || !read_named_numbers(line, o.name, v, 7) || !(v[0] >= 0.0f) ||
                !(v[0] < 1.0f) || !(v[1] >= 0.0f) || !(v[1] < 1.0f)) {
                ++refused;
                continue;
            }
            o.x = v[0] * static_cast<float>(tile);
            o.z = v[1] * static_cast<float>(tile);
            for (int i = 0; i < 5; ++i) o.k[i] = v[2 + i];
            o.land_class = c;
            o.cell_offset = columns * static_cast<int>(std::floor(o.z)) + static_cast<int>(std::floor(o.x));
            if (q != 0.0f) scale_class_object(&o, q);
            objects.push_back(o);
        }
        if (refused > 0) {
            log_line("%s: %d object lines outside their tile or too long were left out", path.c_str(), refused);
            refused = 0;
        }
    }
    // A scenery whose land classes have no object files has no index: an empty one written
    // now would be kept once object files are added.
    if (files_read == 0) return false;

    std::string out = "\n[object_index]\n\n";
    for (const class_object& o : objects) {
        out += format_string("%s\t%f\t%f\t%f\t%f\t%f\n", o.name, static_cast<double>(o.k[0]),
                             static_cast<double>(o.k[1]), static_cast<double>(o.k[2]), static_cast<double>(o.k[3]),
                             static_cast<double>(o.k[4]));
    }
    out += "\n\n\n[object_list]\n";
    const std::size_t map_size = ground.class_map.size();
    for (int z = 0; z < rows - tile; z += tile) {
        for (int x = 0; x < columns - tile; x += tile) {
            for (std::size_t i = 0; i < objects.size(); ++i) {
                const class_object& o = objects[i];
                const long long at = static_cast<long long>(columns) * z + x + o.cell_offset;
                if (at < 0 || static_cast<std::size_t>(at) >= map_size) continue;
                if (ground.class_map[static_cast<std::size_t>(at)] != o.land_class) continue;
                out += format_string("%f\t%f\t%d\n", static_cast<double>((static_cast<float>(x) + o.x) * cell),
                                     static_cast<double>((static_cast<float>(z) + o.z) * cell), static_cast<int>(i));
            }
        }
    }
    std::string error;
    if (fs_write(target.c_str(), out.data(), out.size(), &error)) return true;
    log_line("Could not write %s: %s", target.c_str(), error.c_str());
    return false;
}
