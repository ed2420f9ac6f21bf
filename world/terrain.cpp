// Scenery loading: the elevation header and samples, "scenery.txt", shore shaping, and the
// land-class and water maps with their derived pictures. The grid and the queries are in
// terrain_grid.cpp and terrain_queries.cpp (one object, split by concern).
#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/file_helpers.h"
#include "platform/files.h"
#include "platform/program_rand.h"
#include "platform/text.h"
#include "world/scenery_bitmaps.h"

namespace {

// More samples than this is a header fault, not a scenery (256 MB of elevations).
constexpr long long k_max_samples = 1LL << 27;
constexpr int k_header_lines = 13;
// Cell sizes outside these (metres) come from a broken header: the grid arithmetic in
// samples would overflow.
constexpr float k_min_cell = 0.01f;
constexpr float k_max_cell = 100000.0f;
constexpr float k_degrees_per_radian = 57.29578f;
// The topographic map divides heights by the elevation scale (metres).
constexpr float k_min_elevation_scale = 1.0f;
constexpr float k_max_elevation_scale = 100000.0f;
// Scatter arrays: item sizes and radius in metres, and items per array.
constexpr float k_max_scatter_metres = 100000.0f;
constexpr float k_max_scatter_items = 65536.0f;

// A number read from a file, bounded to low..high (NaN to low), with one log line naming the
// file when it had to change.
float bounded(float v, float low, float high, const char* what, const char* file) {
    const float b = std::isnan(v) ? low : std::clamp(v, low, high);
    if (b != v) log_line("%s: %s %g out of range, using %g", file, what, static_cast<double>(v),
                         static_cast<double>(b));
    return b;
}

// A texture name into its fixed field; a longer one is cut, with a log line naming the file.
void copy_name(char (&field)[terrain::k_name_size], const char* name, const char* file) {
    if (std::strlen(name) >= sizeof field)
        log_line("%s: texture name %s longer than %zu characters, cut", file, word_for_log(name).c_str(),
                 sizeof field - 1);
    copy_text(field, name);
}

std::int16_t to_int16(double v) {
    if (!(v > -32768.0)) return -32768;
    if (v > 32767.0) return 32767;
    return static_cast<std::int16_t>(v);  // truncates toward zero
}

// A caption on the loading picture (and in the status text).
void show_caption(const char* caption) {
    if (g_state != nullptr) g_state->show_status("%s", caption);
}

std::vector<std::string> split_tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::istringstream in(text);
    std::string t;
    while (in >> t) tokens.push_back(t);
    return tokens;
}

// Reads tokens one after another. The first field that is missing (the text ended) or is
// not a number where one belongs stops the reading: it and every later field read as 0 or
// "", and the reader keeps what stopped it for the log.
class token_reader {
public:
    explicit token_reader(std::vector<std::string> t) : tokens_(std::move(t)) {}
    bool stopped() const { return ended_ || bad_; }
    bool ended() const { return ended_; }
    // Tokens not read yet (none once stopped).
    std::size_t left() const { return stopped() ? 0 : tokens_.size() - next_; }
    // The token that is no number, for the log.
    const std::string& bad_word() const { return tokens_[next_ - 1]; }
    const char* word() {
        if (stopped()) return "";
        if (next_ >= tokens_.size()) {
            ended_ = true;
            return "";
        }
        return tokens_[next_++].c_str();
    }
    float number() {
        float v = 0.0f;
        const char* w = word();
        if (!stopped() && !scan_float(w, &v)) bad_ = true;
        return bad_ ? 0.0f : v;
    }
    int integer() {
        int v = 0;
        const char* w = word();
        if (!stopped() && !scan_int(w, &v)) bad_ = true;
        return bad_ ? 0 : v;
    }
    std::uint32_t hex() {
        const char* w = word();
        if (stopped()) return 0;
        char* end = nullptr;
        const unsigned long v = std::strtoul(w, &end, 16);
        if (end == w) bad_ = true;
        return bad_ ? 0 : static_cast<std::uint32_t>(v);
    }

private:
    std::vector<std::string> tokens_;
    std::size_t next_ = 0;
    bool ended_ = false;
    bool bad_ = false;
};

// What the reading of "scenery.txt" stopped at, as one log line naming the file: where it
// stopped, why, and what of the file is used.
void report_stop(const char* file, const token_reader& in, const std::string& at, int classes, int arrays) {
    const std::string kept = format_string("%d land classes and %d scatter arrays are used", classes, arrays);
    if (in.ended()) {
        log_line("%s is cut short at %s: %s", file, at.c_str(), kept.c_str());
    } else {
        log_line("%s: %s has %s where a number belongs; reading stops there: %s", file, at.c_str(),
                 word_for_log(in.bad_word()).c_str(), kept.c_str());
    }
}

std::string scenery_folder() {
    return std::string("scenery\\") + (g_state != nullptr ? g_state->scenery_name : "") + "\\";
}

}  // namespace

terrain::terrain() = default;

terrain::~terrain() { unload(); }

void terrain::recompute_period() {
    period = tile_samples * cell_size * lod_step;
    half_extent = (near_grid - 1) * 0.5f * period;
}

bool terrain::load_scenery(const char* name) {
    if (g_state != nullptr) copy_text(g_state->scenery_name, name);
    read_scenery_file();
    show_caption("Loading Land Elevations");
    const bool loaded = load_elevations();
    // Slope thresholds are per cell: convert them with this scenery's cell size, known only
    // now that its header is read.
    convert_slopes();
    shape_shore();
    if (has_depth) {
        show_caption("Creating Water Elevation");
        if (!read_water_map()) build_water_map();
        shape_shore_to_water();
    }
    if (!read_class_map()) {
        show_caption("Creating Texture Mapping");
        build_class_map();
        write_class_map();
    }
    make_topo_map();
    show_caption("Loading Land Textures");
    load_land_textures();
    show_caption("Loading Dense Textures");
    load_dense_textures();
    // The scatter arrays are a further load step of their own.
    create_tile_grids();
    update_lod();
    create_scatter_arrays();
    if (!loaded) log_line("Scenery %s has no elevations", name);
    return loaded;
}

void terrain::unload() {
    release_scatter_arrays();
    elevations.clear();
    class_map.clear();
    mark_map.clear();
    water_map.clear();
    release_land_volumes();
    columns = 0;
    rows = 0;
    grid_origin[0] = grid_origin[1] = grid_origin[2] = 0.0f;
    if (g_state != nullptr) g_state->scenery_name[0] = '\0';
    update_lod();
}

bool terrain::read_scenery_file() {
    land_class_count = 0;
    scatter_array_count = 0;
    for (int i = 0; i < k_max_classes; ++i) {
        land_classes[i] = land_class{};
        slopes_[i][0] = slopes_[i][1] = 0.0f;
        land_texture_names[i][0] = '\0';
    }
    for (int i = 0; i < k_max_arrays; ++i) {
        scatter_arrays[i] = scatter_array_def{};
        scatter_texture_names[i][0] = '\0';
        scatter_masks[i] = 0;
    }
    char path[260];
    std::string text;
    if (!find_data_file(path, "scenery.txt") || !fs_read_text(path, &text)) return false;
    token_reader in(split_tokens(text));

    // Where the reading is, for the log line of a file that stops early.
    std::string at = "the land class count";
    const int classes = in.integer();
    at = "the land texture size";
    const int texture_size = in.integer();
    if (!in.stopped()) {
        land_texture_size = std::clamp(texture_size, 1, k_max_volume_extent);
        if (land_texture_size != texture_size)
            log_line("%s: land texture size %d, using %d", path, texture_size, land_texture_size);
    }
    land_slice_count = 16;
    // An entry is taken only when all its fields were read.
    for (int k = 0; k < classes && !in.stopped(); ++k) {
        at = format_string("land class %d of %d", k + 1, classes);
        land_class c;
        c.min_height = in.number();
        c.max_height = in.number();
        const float min_slope = in.number();
        const float max_slope = in.number();
        c.probability = in.number();
        const char* texture = in.word();
        if (in.stopped() || k >= k_max_classes) continue;  // past 16: read past, so the rest stays in step
        land_classes[k] = c;
        slopes_[k][0] = min_slope;
        slopes_[k][1] = max_slope;
        copy_name(land_texture_names[k], texture, path);
        land_class_count = k + 1;
    }
    if (!in.stopped() && (classes < 0 || classes > k_max_classes))
        log_line("%s: %d land classes, %d used", path, classes, land_class_count);
    convert_slopes();

    if (!in.stopped()) at = "the scatter array count";
    const int arrays = in.integer();
    for (int k = 0; k < arrays && !in.stopped(); ++k) {
        at = format_string("scatter array %d of %d", k + 1, arrays);
        scatter_array_def a;
        const float width = in.number();
        const float height = in.number();
        const float radius = in.number();
        const float count = in.number();
        const std::uint32_t mask = in.hex();
        const char* texture = in.word();
        if (in.stopped() || k >= k_max_arrays) continue;
        a.item_width = bounded(width, 0.0f, k_max_scatter_metres, "item width", path);
        a.item_height = bounded(height, 0.0f, k_max_scatter_metres, "item height", path);
        a.radius = bounded(radius, 0.0f, k_max_scatter_metres, "scatter radius", path);
        a.item_count = bounded(count, 0.0f, k_max_scatter_items, "item count", path);
        scatter_arrays[k] = a;
        scatter_masks[k] = mask;
        copy_name(scatter_texture_names[k], texture, path);
        scatter_array_count = k + 1;
    }
    if (in.stopped()) {
        report_stop(path, in, at, land_class_count, scatter_array_count);
    } else if (arrays < 0 || arrays > k_max_arrays) {
        log_line("%s: %d scatter arrays, %d used", path, arrays, scatter_array_count);
    }
    // Words after the last entry are no part of the description: a count that is too small,
    // or a damaged line.
    if (in.left() > 0) log_line("%s: %zu words after the last scatter array are not used", path, in.left());
    return true;
}

void terrain::convert_slopes() {
    for (int k = 0; k < land_class_count; ++k) {
        const float low = slopes_[k][0] * cell_size;
        const float high = slopes_[k][1] * cell_size;
        land_classes[k].min_slope = low * low;
        land_classes[k].max_slope = high * high;
    }
}

bool terrain::load_elevations() {
    elevations.clear();
    class_map.clear();
    // A water map belongs to the grid it was made for.
    water_map.clear();
    release_land_volumes();
    columns = 0;
    rows = 0;
    char header_name[260];
    format_text(header_name, "%s*.hdr", scenery_folder().c_str());
    std::string text;
    if (!resolve_first_match(header_name, sizeof header_name) || !fs_read_text(header_name, &text)) {
        log_line("No elevation header in %s", scenery_folder().c_str());
        return false;
    }
    const std::vector<std::string> tokens = split_tokens(text);
    if (tokens.size() < 3 * k_header_lines) {
        log_line("Elevation header too short: %s", header_name);
        return false;
    }
    auto value = [&](int line) { return tokens[3 * (line - 1) + 2].c_str(); };
    float f = 0.0f;
    int n = 0;
    has_depth = contains(value(1), "has_depth") ? 1 : 0;
    west = scan_float(value(4), &f) ? f : 0.0f;
    south = scan_float(value(5), &f) ? f : 0.0f;
    east = scan_float(value(6), &f) ? f : 0.0f;
    north = scan_float(value(7), &f) ? f : 0.0f;
    const long long header_rows = scan_int(value(8), &n) ? n : 0;
    const long long header_columns = scan_int(value(9), &n) ? n : 0;
    depth_value = scan_float(value(11), &f) ? f : 0.0f;
    if (depth_value > 2.0f) has_depth = 1;
    elevation_scale = bounded(scan_float(value(12), &f) ? f : 0.0f, k_min_elevation_scale,
                              k_max_elevation_scale, "elevation scale", header_name);
    no_data = scan_int(value(13), &n) ? n : 0;

    if (header_rows < 2 || header_columns < 2 || header_rows * header_columns > k_max_samples) {
        log_line("Bad elevation grid size %lld x %lld in %s", header_rows, header_columns, header_name);
        return false;
    }
    const float new_cell = (north - south) * k_metres_per_degree / static_cast<float>(header_rows);
    // Latitudes past the poles have no east-west extent; an empty or inverted longitude span
    // would divide the position conversions by zero.
    if (!(new_cell >= k_min_cell && new_cell <= k_max_cell) || south < -90.0f || north > 90.0f ||
        !std::isfinite(west) || !std::isfinite(east) || !(east > west)) {
        log_line("Bad elevation bounds in %s", header_name);
        return false;
    }
    cell_size = new_cell;
    if (g_state != nullptr) g_state->fill_height = -cell_size;
    recompute_period();
    if (std::strcmp(value(2), "int16") != 0) {
        log_line("Elevation type %s is not int16: %s", value(2), header_name);
        return false;
    }

    char sample_name[260];
    format_text(sample_name, "%s*.bin", scenery_folder().c_str());
    std::vector<std::uint8_t> bytes;
    if (!resolve_first_match(sample_name, sizeof sample_name) || !fs_read(sample_name, &bytes)) {
        log_line("No elevation samples in %s", scenery_folder().c_str());
        return false;
    }
    const int cols = static_cast<int>(header_columns);
    const int rws = static_cast<int>(header_rows);
    if (bytes.size() < static_cast<std::size_t>(cols) * rws * 2) {
        log_line("Elevation samples too short: %s (%zu bytes for %d x %d)", sample_name,
                 bytes.size(), rws, cols);
        return false;
    }

    const float fill = g_state != nullptr ? g_state->fill_height : -cell_size;
    elevations.assign(static_cast<std::size_t>(cols) * rws, 0);
    std::vector<float> row(cols);
    const double lat_step = (north - south) / rws / k_degrees_per_radian;
    double latitude = south / k_degrees_per_radian;
    const int centre = cols / 2;
    for (int r = 0; r < rws; ++r) {
        for (int c = 0; c < cols; ++c) {
            const std::size_t at = (static_cast<std::size_t>(r) * cols + c) * 2;
            const int s = static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
            row[c] = s == no_data ? 0.0f : static_cast<float>(s);
        }
        // Each row is stretched east-west by 1 / cos(latitude) so columns are the same
        // ground distance apart at every latitude.
        const double cos_lat = std::cos(latitude);
        for (int x = 0; x < cols; ++x) {
            const double p = cos_lat > 0.0 ? (x - centre) / cos_lat + centre : -1.0;
            double out = fill;
            if (p > 0.0 && p < cols - 1) {
                const int i = static_cast<int>(p);
                const double t = p - i;
                out = (1.0 - t) * row[i] + t * row[i + 1];
            }
            elevations[static_cast<std::size_t>(r) * cols + x] = to_int16(out);
        }
        latitude += lat_step;
    }
    columns = cols;
    rows = rws;
    return true;
}

int terrain::water_byte_at(int row, int column) const {
    const int w = columns / k_water_block;
    const int h = rows / k_water_block;
    if (w <= 0 || h <= 0 || water_map.size() < static_cast<std::size_t>(w) * h) return 0;
    // Rows and columns past the last whole block belong to the last block.
    const int bi = std::clamp(row / k_water_block, 0, h - 1);
    const int bj = std::clamp(column / k_water_block, 0, w - 1);
    return water_map[static_cast<std::size_t>(bi) * w + bj];
}

void terrain::shape_shore() {
    if (has_depth) return;
    shape_shore_around(false);
}

void terrain::shape_shore_to_water() { shape_shore_around(true); }

void terrain::water_levels_of_block_row(int row, std::vector<int>* levels) const {
    levels->assign(static_cast<std::size_t>(columns), 0);
    const int w = columns / k_water_block;
    const int h = rows / k_water_block;
    if (w <= 0 || h <= 0 || water_map.size() < static_cast<std::size_t>(w) * h) return;
    const int bi = std::clamp(row / k_water_block, 0, h - 1);
    const std::uint8_t* blocks = &water_map[static_cast<std::size_t>(bi) * w];
    for (int c = 0; c < columns; ++c) {
        // Columns past the last whole block belong to the last block.
        const int byte = blocks[std::min(c / k_water_block, w - 1)];
        (*levels)[static_cast<std::size_t>(c)] = byte == 0 ? 0 : 4 * byte - 512;
    }
}

void terrain::shape_shore_around(bool with_water) {
    if (elevations.empty() || rows < 2 || columns < 2) return;
    const float fill = g_state != nullptr ? g_state->fill_height : -cell_size;
    const int deep = static_cast<int>(fill);
    const int shallow = static_cast<int>(fill * 0.1f);
    const std::size_t width = static_cast<std::size_t>(columns);
    auto row_of = [&](int r) { return &elevations[static_cast<std::size_t>(r) * width]; };

    // The border: ground at or below sea level there is deep water.
    auto deepen = [&](std::int16_t& h) {
        if (h < 1) h = to_int16(deep);
    };
    for (int c = 0; c < columns; ++c) {
        deepen(row_of(0)[c]);
        deepen(row_of(rows - 1)[c]);
    }
    for (int r = 1; r < rows - 1; ++r) {
        deepen(row_of(r)[0]);
        deepen(row_of(r)[columns - 1]);
    }

    // The water level under each column of the rows being shaped: all 0 without water, else
    // the level of the water-map block, which changes only every k_water_block rows.
    std::vector<int> levels(width, 0);
    int levels_block = -1;
    auto levels_for = [&](int r) -> const std::vector<int>& {
        if (with_water && r / k_water_block != levels_block) {
            levels_block = r / k_water_block;
            water_levels_of_block_row(r, &levels);
        }
        return levels;
    };

    // Wet samples become shallow water next to land, deep water elsewhere (in place, row by
    // row: a sample sees its already shaped neighbours above and to the left).
    for (int r = 1; r < rows - 1; ++r) {
        const std::vector<int>& level = levels_for(r);
        std::int16_t* below = row_of(r - 1);
        std::int16_t* here = row_of(r);
        std::int16_t* above = row_of(r + 1);
        for (int c = 1; c < columns - 1; ++c) {
            const int l = level[static_cast<std::size_t>(c)];
            const bool wet = with_water ? here[c] <= l : here[c] < 1;
            if (!wet) continue;
            const bool land_next = here[c - 1] > l || here[c + 1] > l || below[c] > l || above[c] > l;
            here[c] = to_int16(l + (land_next ? shallow : deep));
        }
    }
    // Three in-place smoothing passes over the shallows and the shore.
    for (int pass = 0; pass < 3; ++pass) {
        for (int r = 1; r < rows - 1; ++r) {
            const std::vector<int>& level = levels_for(r);
            const std::int16_t* below = row_of(r - 1);
            std::int16_t* here = row_of(r);
            const std::int16_t* above = row_of(r + 1);
            for (int c = 1; c < columns - 1; ++c) {
                const int l = level[static_cast<std::size_t>(c)];
                const int h = here[c];
                const int w = here[c - 1], e = here[c + 1], s = below[c], n = above[c];
                const int sum5 = h + w + e + s + n;
                if (h < l + shallow) {
                    here[c] = to_int16(sum5 / 5);
                } else if (h > l + shallow && (h < l || w < l || e < l || s < l || n < l)) {
                    here[c] = to_int16((sum5 - shallow) / 5);
                }
            }
        }
    }
}

bool terrain::read_water_map() {
    const int w = columns / k_water_block;
    const int h = rows / k_water_block;
    if (w <= 0 || h <= 0) return false;
    const std::string name = scenery_folder() + "water.bmp";
    water_map.assign(static_cast<std::size_t>(w) * h, 0);
    std::string fault;
    if (!read_water_bitmap(name.c_str(), water_map.data(), w, h, &fault)) {
        if (!fault.empty()) log_line("Rebuilding %s: %s", name.c_str(), fault.c_str());
        water_map.clear();
        return false;
    }
    return true;
}

void terrain::build_water_map() {
    const int w = columns / k_water_block;
    const int h = rows / k_water_block;
    water_map.clear();
    if (w <= 0 || h <= 0 || elevations.empty()) return;
    const std::int16_t fill = to_int16(g_state != nullptr ? g_state->fill_height : -cell_size);
    std::vector<std::uint8_t> first(static_cast<std::size_t>(w) * h, 0);
    for (int bi = 0; bi < h; ++bi) {
        for (int bj = 0; bj < w; ++bj) {
            const int s = elevation(k_water_block * bi, k_water_block * bj);
            if (s < 0 && s != fill) first[static_cast<std::size_t>(bi) * w + bj] =
                static_cast<std::uint8_t>(std::clamp(s / 4 + 128, 0, 255));
        }
    }
    // Each block takes the lowest water level around it, so the level reaches the shore.
    std::vector<std::uint8_t> spread(first.size(), 0);
    for (int p = 5; p < h - 5; ++p) {
        for (int q = 5; q < w - 5; ++q) {
            int lowest = 256;
            for (int i = p - 5; i <= p + 4; ++i) {
                for (int j = q - 5; j <= q + 4; ++j) {
                    const int b = first[static_cast<std::size_t>(i) * w + j];
                    if (b != 0 && b < lowest) lowest = b;
                }
            }
            if (lowest < 255) spread[static_cast<std::size_t>(p) * w + q] = static_cast<std::uint8_t>(lowest);
        }
    }
    water_map = std::move(spread);
    const std::string name = scenery_folder() + "water.bmp";
    write_water_bitmap(name.c_str(), water_map.data(), w, h);
}

bool terrain::read_class_map() {
    if (elevations.empty()) return false;
    const std::size_t cells = static_cast<std::size_t>(columns) * rows;
    class_map.assign(cells, 0);
    mark_map.assign(cells, 0);
    const std::string name = scenery_folder() + "txt.bmp";
    std::string fault;
    if (read_class_bitmap(name.c_str(), class_map.data(), columns, rows, &fault)) return true;
    if (!fault.empty()) log_line("Rebuilding %s: %s", name.c_str(), fault.c_str());
    return false;
}

void terrain::build_class_map() {
    if (elevations.empty()) return;
    const std::size_t cells = static_cast<std::size_t>(columns) * rows;
    class_map.assign(cells, 0);
    mark_map.assign(cells, 0);
    float table[1024];
    for (float& v : table) v = program_rand() / 32767.0f;
    int j = 0;
    for (int r = 0; r < rows - 1; ++r) {
        for (int c = 0; c < columns - 1; ++c) {
            const int h00 = elevation(r, c);
            // Neighbours can differ by up to 65,535 m: the squares need 64 bits.
            const long long dx = elevation(r, c + 1) - h00;
            const long long dz = elevation(r + 1, c) - h00;
            const long long slope = dx * dx + dz * dz;
            int height = (h00 + elevation(r + 1, c + 1)) / 2;
            if (has_depth) {
                const int w = water_byte_at(r, c);
                if (w != 0) height += (128 - w) * 4;
            }
            for (int k = 0; k < land_class_count; ++k) {
                j = (j + 1) % 1024;
                const land_class& lc = land_classes[k];
                const double s = static_cast<double>(slope);
                if (lc.min_height <= height && height <= lc.max_height && lc.min_slope <= s &&
                    s <= lc.max_slope && lc.probability >= table[j]) {
                    class_map[static_cast<std::size_t>(r) * columns + c] = static_cast<std::uint8_t>(k);
                    break;
                }
            }
        }
    }
}

bool terrain::write_class_map() const {
    if (class_map.empty()) return false;
    const std::string name = scenery_folder() + "txt.bmp";
    return write_class_bitmap(name.c_str(), class_map.data(), columns, rows);
}
