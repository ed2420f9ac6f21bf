// The settings file "qvd.ini": the user's options between runs. Each line holds a value, a
// TAB and a bracketed key; groups are parted by empty lines; three controller sections
// follow when controllers are attached. The values live in the objects that use them.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/app_state.h"
#include "core/d3d_app.h"
#include "core/gui_services.h"
#include "platform/files.h"
#include "platform/replacing_file.h"
#include "platform/text.h"
#include "platform/window.h"
#include "shell/joystick_input.h"
#include "shell/scene.h"
#include "core/sound_system.h"
#include "shell/speech.h"

namespace {

constexpr const char* k_settings_file = "qvd.ini";
// A line is read in pieces of at most this many characters.
constexpr std::size_t k_line_size = 255;
// The GUI knows colour schemes 0 to 6.
constexpr int k_max_color_scheme = 6;
// A controller's product name fits this many bytes with its terminator.
constexpr int k_device_name_size = 260;
// The controller sections as the writer makes them: three heading lines, up to 8 names, 16
// actions, 8 axis lines and the empty lines between. A hand-edited file may hold more; what
// goes beyond this (or beyond 64 lines of 256 bytes) is not kept for writing back.
constexpr int k_max_kept_controller_lines = 64;
constexpr int k_max_kept_controller_bytes = 64 * 256;

enum class value_kind { integer, whole, flag, real };

// One key of the file: where its value is read into and written from, and the range the
// program can use (a value read beyond it is clamped, with a log line; flags take any number).
struct setting {
    const char* key;
    int group;
    value_kind kind;
    double low = 0.0;
    double high = 0.0;
    int* integer = nullptr;
    std::uint8_t* flag = nullptr;
    float* real = nullptr;
};

setting integer_key(const char* key, int group, int* target, double low, double high,
                    value_kind kind = value_kind::integer) {
    setting s{key, group, kind, low, high};
    s.integer = target;
    return s;
}

setting flag_key(const char* key, int group, std::uint8_t* target) {
    setting s{key, group, value_kind::flag};
    s.flag = target;
    return s;
}

setting real_key(const char* key, int group, float* target, double low, double high) {
    setting s{key, group, value_kind::real, low, high};
    s.real = target;
    return s;
}

// The objects that hold the values; a missing service (a test without one) gets a stand-in
// with its defaults, so every key is still read past and written.
struct holders {
    sound_system* sound;
    speech* voice;
    joystick_input* joystick;
};

// Every key in write order. The window mode and size, the field of view and the colour
// scheme are read into the working values below and settled by the reader and the writer.
struct working_values {
    int window_mode = 0;
    int window_width = 0;
    int window_height = 0;
    float fov = 0.0f;
    int color_scheme = 0;
    float opacity = 0.0f;
};

constexpr int k_key_count = 38;

// Ranges. Window sizes stop at the largest drawing surface the graphics device makes; a size
// of 0 keeps the start size. Sound volumes are hundredths of a decibel (-10000 is silence),
// the music volume an MCI volume (the sound dialog gives up to 1020, the default is 1024 and
// 1000 is the loudest applied). The field of view stops where the zoom key stops (2 rad).
// Distances and altitudes stop at the globe altitude or at 1000 km.
constexpr double k_max_window_size = 16384.0;
constexpr double k_min_volume = -10000.0;
constexpr double k_max_music_volume = 1024.0;
constexpr double k_min_fov = 0.01;
constexpr double k_max_fov = 2.0;
constexpr double k_max_distance = 1.0e6;
constexpr double k_max_placements = 1.0e6;

void list_keys(setting (&keys)[k_key_count], scene& world, const holders& h, working_values& w) {
    d3d_app& app = *g_app;
    app_state& state = *g_state;
    const double globe = scene::k_globe_altitude;
    int n = 0;
    keys[n++] = integer_key("[window_mode]", 1, &w.window_mode, 0, 2);
    keys[n++] = integer_key("[window_width]", 1, &w.window_width, 0, k_max_window_size, value_kind::whole);
    keys[n++] = integer_key("[window_height]", 1, &w.window_height, 0, k_max_window_size, value_kind::whole);
    keys[n++] = flag_key("[music_on]", 2, &h.sound->music_on);
    keys[n++] = flag_key("[speech_on]", 2, &h.voice->speech_on);
    keys[n++] = flag_key("[sound_on]", 2, &h.sound->sound_on);
    keys[n++] = flag_key("[use_joystick]", 3, &app.use_joystick);
    keys[n++] = flag_key("[use_relative]", 3, &h.joystick->relative);
    keys[n++] = real_key("[dead_zone]", 3, &h.joystick->dead_zone, 0, 1);
    keys[n++] = integer_key("[volume_engine]", 4, &h.sound->volume_engine, k_min_volume, 0);
    keys[n++] = integer_key("[volume_sounds]", 4, &h.sound->volume_sounds, k_min_volume, 0);
    keys[n++] = integer_key("[volume_music]", 4, &h.sound->volume_music, 0, k_max_music_volume);
    keys[n++] = integer_key("[volume_speech]", 4, &h.sound->volume_speech, 0, 100);
    keys[n++] = real_key("[normal_fov]", 5, &w.fov, k_min_fov, k_max_fov);
    keys[n++] = integer_key("[sleep_time]", 5, &app.sleep_time, 0, d3d_app::k_max_sleep_time);
    keys[n++] = integer_key("[color_scheme]", 5, &w.color_scheme, 0, k_max_color_scheme);
    keys[n++] = real_key("[transparency]", 5, &w.opacity, 0, 255);
    keys[n++] = flag_key("[use_refmap]", 6, &world.ground.use_refmap);
    keys[n++] = flag_key("[use_refrac]", 6, &world.ground.use_refrac);
    keys[n++] = flag_key("[use_waves]", 6, &world.ground.use_waves);
    keys[n++] = flag_key("[use_objects_in_ref]", 6, &world.ground.use_objects_in_ref);
    keys[n++] = flag_key("[use_mipmaps]", 7, &app.use_mipmaps);
    keys[n++] = flag_key("[use_caustics]", 7, &app.use_caustics);
    keys[n++] = flag_key("[use_plants]", 7, &app.use_plants);
    keys[n++] = flag_key("[use_shadow]", 7, &app.use_shadow);
    keys[n++] = flag_key("[use_shaders]", 7, &app.use_shaders);
    keys[n++] = flag_key("[use_curvature]", 7, &app.use_curvature);
    keys[n++] = flag_key("[use_3d_smoke]", 7, &app.use_3d_smoke);
    keys[n++] = flag_key("[use_verbose]", 7, &app.use_verbose);
    keys[n++] = flag_key("[use_labels]", 7, &app.use_labels);
    keys[n++] = flag_key("[use_siren]", 7, &app.use_siren);
    keys[n++] = flag_key("[use_tips]", 7, &app.use_tips);
    keys[n++] = flag_key("[use_path]", 7, &app.use_path);
    keys[n++] = real_key("[max_objects_alt]", 8, &state.max_objects_alt, 0, globe);
    keys[n++] = real_key("[max_objects_dist]", 8, &state.max_objects_dist, 0, k_max_distance);
    keys[n++] = real_key("[array_complexity]", 8, &state.array_complexity, 0, 1);
    keys[n++] = integer_key("[max_objects_count]", 8, &state.max_objects_count, 0, k_max_placements);
    keys[n++] = real_key("[shadow_alt]", 8, &state.shadow_alt, 0, globe);
}

// A real as an integer, truncated toward zero; values beyond the integer range stop at its
// ends and a value that is not a number counts as 0.
int to_integer(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// The value bounded to the key's range; a clamped value is logged once per line it came from.
double bounded(const setting& s, double v) {
    const double clamped = v < s.low ? s.low : (v > s.high ? s.high : v);
    if (clamped != v) {
        log_line("%s: %s %.10g is outside %.10g..%.10g; %.10g is used", k_settings_file, s.key, v, s.low,
                 s.high, clamped);
    }
    return clamped;
}

void apply(const setting& s, double v) {
    switch (s.kind) {
    case value_kind::integer:
    case value_kind::whole: *s.integer = to_integer(bounded(s, std::trunc(v))); break;
    case value_kind::flag: *s.flag = v != 0.0 ? 1 : 0; break;
    case value_kind::real: *s.real = static_cast<float>(bounded(s, v)); break;
    }
}

// The file's text, read as the program's line reader does: pieces of at most 255
// characters ending at a line end, and whitespace-separated numbers for the controller
// tables, which may span lines.
class settings_text {
public:
    explicit settings_text(std::string text) : text_(std::move(text)) {}

    bool next_line(std::string* line) {
        if (pos_ >= text_.size()) return false;
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '\n' && end - pos_ < k_line_size) ++end;
        *line = text_.substr(pos_, end - pos_);
        pos_ = end < text_.size() && text_[end] == '\n' ? end + 1 : end;
        while (!line->empty() && line->back() == '\r') line->pop_back();
        return true;
    }

    // The next whitespace-separated word; false at the end of the text.
    bool next_word(std::string* word) {
        while (pos_ < text_.size() && std::strchr(" \t\r\n\f\v", text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !std::strchr(" \t\r\n\f\v", text_[pos_])) ++pos_;
        *word = text_.substr(start, pos_ - start);
        return true;
    }

    // An unsigned 16-bit number word.
    bool next_u16(std::uint16_t* out) {
        std::string word;
        if (!next_word(&word) || word.empty() || word.size() > 5) return false;
        for (char c : word) {
            if (c < '0' || c > '9') return false;
        }
        const unsigned long v = std::strtoul(word.c_str(), nullptr, 10);
        if (v > 0xFFFFu) return false;
        *out = static_cast<std::uint16_t>(v);
        return true;
    }

    // A finite real number word.
    bool next_real(double* out) {
        std::string word;
        return next_word(&word) && scan_double(word.c_str(), out) && std::isfinite(*out);
    }

    // Where the next line or word begins.
    std::size_t position() const { return pos_; }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

// A count from the file bounded to a table: negative counts read nothing, larger ones stop
// at the table's end.
int bounded_count(double v, int table_size) {
    const int n = to_integer(v);
    if (n < 0) return 0;
    return n > table_size ? table_size : n;
}

// "[joysticks_num]": whether the saved controllers are the attached ones, in order.
bool controllers_match(settings_text& text, double value, const joystick_input& joystick) {
    bool match = to_integer(value) == joystick.device_count;
    const int names = bounded_count(value, joystick_input::k_max_devices);
    for (int i = 0; i < names; ++i) {
        std::string line;
        if (!text.next_line(&line)) return false;
        char name[k_device_name_size] = {};
        joystick.device_name(name, sizeof name, i);
        if (line != name) match = false;
    }
    return match;
}

// "[joystick_actions]": pairs of axis code and button; the table changes only when every
// pair was read.
void read_actions(settings_text& text, double value, joystick_input& joystick) {
    const int n = bounded_count(value, joystick_input::k_actions);
    std::uint16_t codes[joystick_input::k_actions];
    std::uint16_t buttons[joystick_input::k_actions];
    for (int a = 0; a < n; ++a) {
        if (!text.next_u16(&codes[a]) || !text.next_u16(&buttons[a])) {
            log_line("%s: the controller actions are incomplete and were not used", k_settings_file);
            return;
        }
    }
    for (int a = 0; a < n; ++a) {
        joystick.action_axis_codes[a] = codes[a];
        joystick.action_buttons[a] = buttons[a];
    }
}

// "[joystick_axes]": per controller slot, the enabled axes and seven gains. The joystick
// dialog makes gains of at most 1.7 either way; larger ones stop at 100.
void read_axes(settings_text& text, double value, joystick_input& joystick) {
    constexpr double k_max_gain = 100.0;
    const int n = bounded_count(value, joystick_input::k_max_devices);
    std::uint16_t bits[joystick_input::k_max_devices];
    double gains[joystick_input::k_max_devices][joystick_input::k_axis_kinds];
    bool clamped = false;
    for (int d = 0; d < n; ++d) {
        bool ok = text.next_u16(&bits[d]);
        for (int k = 0; ok && k < joystick_input::k_axis_kinds; ++k) {
            ok = text.next_real(&gains[d][k]);
            if (ok && std::fabs(gains[d][k]) > k_max_gain) {
                gains[d][k] = std::copysign(k_max_gain, gains[d][k]);
                clamped = true;
            }
        }
        if (!ok) {
            log_line("%s: the controller axes are incomplete and were not used", k_settings_file);
            return;
        }
    }
    if (clamped) log_line("%s: controller axis gains beyond 100 were clamped", k_settings_file);
    for (int d = 0; d < n; ++d) {
        joystick.enabled_axes[d] = bits[d];
        for (int k = 0; k < joystick_input::k_axis_kinds; ++k) {
            joystick.axis_gain(d, k) = static_cast<float>(gains[d][k]);
        }
    }
}

void append_line(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append_line(std::string* out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vformat_bounded(line, sizeof line, format, args);
    va_end(args);
    *out += line;
    *out += "\r\n";
}

void write_value(std::string* out, const setting& s) {
    switch (s.kind) {
    case value_kind::integer: append_line(out, "%d\t%s", *s.integer, s.key); break;
    case value_kind::whole: append_line(out, "%u\t%s", static_cast<unsigned>(*s.integer), s.key); break;
    case value_kind::flag: append_line(out, "%d\t%s", *s.flag ? 1 : 0, s.key); break;
    case value_kind::real: append_line(out, "%g\t%s", static_cast<double>(*s.real), s.key); break;
    }
}

void write_controllers(std::string* out, joystick_input& joystick) {
    const int count = joystick.device_count > joystick_input::k_max_devices ? joystick_input::k_max_devices
                                                                            : joystick.device_count;
    append_line(out, "%d\t[joysticks_num]", count);
    for (int i = 0; i < count; ++i) {
        char name[k_device_name_size] = {};
        joystick.device_name(name, sizeof name, i);
        append_line(out, "%s", name);
    }
    append_line(out, "%s", "");
    append_line(out, "%d\t[joystick_actions]", joystick_input::k_actions);
    for (int a = 0; a < joystick_input::k_actions; ++a) {
        append_line(out, "%u\t%u", joystick.action_axis_codes[a], joystick.action_buttons[a]);
    }
    append_line(out, "%s", "");
    append_line(out, "%d\t[joystick_axes]", joystick_input::k_max_devices);
    for (int d = 0; d < joystick_input::k_max_devices; ++d) {
        std::string line = std::to_string(joystick.enabled_axes[d]);
        for (int k = 0; k < joystick_input::k_axis_kinds; ++k) {
            line += format_string("\t%g", static_cast<double>(joystick.axis_gain(d, k)));
        }
        append_line(out, "%s", line.c_str());
    }
}

// Whether a piece of a line holds a key of the table anywhere, a key behind a NUL byte too:
// the reader does not see such a key on its line, but a controller table's numbers, read
// across lines, can end at that NUL, and the rest of the line then reads as a line of its own.
bool holds_key(const std::string& piece, const setting (&keys)[k_key_count]) {
    for (const setting& s : keys) {
        if (piece.find(s.key) != std::string::npos) return true;
    }
    return false;
}

// The controller sections of the file as they stand, from position start (the piece that
// holds "[joysticks_num]") to the end, byte for byte, without the pieces that hold a key of
// the table (those are written from the values): written back unchanged while no controller
// is attached. Pieces are the reader's, so what is written back reads in the same pieces.
std::string controller_sections_of(const std::string& content, std::size_t start,
                                  const setting (&keys)[k_key_count]) {
    const std::string sections = content.substr(start);
    settings_text text(sections);
    std::string kept;
    std::string piece;
    int lines = 0;
    for (std::size_t at = 0; text.next_line(&piece); at = text.position()) {
        if (holds_key(piece, keys)) continue;
        const std::size_t size = text.position() - at;
        if (lines == k_max_kept_controller_lines ||
            kept.size() + size > static_cast<std::size_t>(k_max_kept_controller_bytes)) {
            log_line("%s: the controller sections run past %d lines or %d bytes; the rest is not kept",
                     k_settings_file, k_max_kept_controller_lines, k_max_kept_controller_bytes);
            break;
        }
        kept.append(sections, at, size);
        ++lines;
    }
    return kept;
}

// A window smaller than the menus can use opens at the smallest they can; with a log line
// when asked to tell.
void bring_up_to_minimum(int* width, int* height, bool tell) {
    const int w = std::max(*width, d3d_app::k_min_window_width);
    const int h = std::max(*height, d3d_app::k_min_window_height);
    if (w == *width && h == *height) return;
    if (tell) {
        log_line("%s: the window size %d x %d is smaller than the menus need; %d x %d is used", k_settings_file,
                 *width, *height, w, h);
    }
    *width = w;
    *height = h;
}

// A file without a key (damaged, or not a settings file) or with keys missing (cut short)
// leaves those settings at their defaults: one line says so.
void report_missing_keys(const setting (&keys)[k_key_count], const bool (&found)[k_key_count]) {
    int missing = 0;
    const char* first = nullptr;
    for (int k = 0; k < k_key_count; ++k) {
        if (found[k]) continue;
        if (first == nullptr) first = keys[k].key;
        ++missing;
    }
    if (missing == k_key_count) {
        log_line("%s holds no settings: every setting keeps its default", k_settings_file);
    } else if (missing > 0) {
        log_line("%s lacks %d of its %d settings (the first %s): they keep their defaults", k_settings_file,
                 missing, k_key_count, first);
    }
}

}  // namespace

void scene::read_settings() {
    sound_system sound_defaults;
    speech speech_defaults;
    joystick_input joystick_defaults;
    const holders h{g_sound ? g_sound : &sound_defaults, g_speech ? g_speech : &speech_defaults,
                    g_joystick ? g_joystick : &joystick_defaults};

    working_values w;
    w.window_mode = g_app->start_window_mode;
    w.window_width = g_app->window_width;
    w.window_height = g_app->window_height;
    w.fov = viewer.normal_fov;
    w.color_scheme = g_app->color_scheme;
    w.opacity = gui_opacity;
    remembered_window_width = g_app->window_width;
    remembered_window_height = g_app->window_height;

    kept_controller_sections.clear();

    std::string content;
    if (!fs_read_text(k_settings_file, &content)) {
        // No file is a first start; a file that cannot be read is worth a word.
        if (fs_exists(k_settings_file)) log_line("Could not read %s: every setting keeps its default", k_settings_file);
        return;
    }

    setting keys[k_key_count];
    list_keys(keys, *this, h, w);
    settings_text text(content);
    bool mismatch = true;
    bool have_value = false;
    double value = 0.0;
    bool found[k_key_count] = {};
    // Where the controller sections begin; npos while none was seen.
    std::size_t controllers_at = std::string::npos;
    std::string line;
    for (std::size_t at = text.position(); text.next_line(&line); at = text.position()) {
        // A "[joysticks_num]" on a line with a key of the table is that key's line: not kept.
        if (controllers_at == std::string::npos && contains(line.c_str(), "[joysticks_num]") &&
            !holds_key(line, keys)) {
            controllers_at = at;
        }
        double number = 0.0;
        if (scan_double(line.c_str(), &number)) {
            // Beyond every real (1e999): no key on the line takes it.
            if (!std::isfinite(number)) {
                log_line("%s: refused a number that is not finite: %.60s", k_settings_file, line.c_str());
                continue;
            }
            value = number;
            have_value = true;
        }
        // A key line before any number has no value to take.
        if (!have_value) continue;
        // Every key the line holds takes its number, so of a key given twice the later wins.
        for (int k = 0; k < k_key_count; ++k) {
            if (!contains(line.c_str(), keys[k].key)) continue;
            apply(keys[k], value);
            found[k] = true;
        }
        if (contains(line.c_str(), "[joysticks_num]")) {
            mismatch = !controllers_match(text, value, *h.joystick);
        } else if (!mismatch && contains(line.c_str(), "[joystick_actions]")) {
            read_actions(text, value, *h.joystick);
        } else if (!mismatch && contains(line.c_str(), "[joystick_axes]")) {
            read_axes(text, value, *h.joystick);
        }
    }
    report_missing_keys(keys, found);
    if (controllers_at != std::string::npos) {
        kept_controller_sections = controller_sections_of(content, controllers_at, keys);
    }

    g_app->start_window_mode = w.window_mode;
    // A window without area cannot be shown: such a size keeps the start size.
    if (w.window_width > 0 && w.window_height > 0) {
        bring_up_to_minimum(&w.window_width, &w.window_height, true);
        g_app->window_width = w.window_width;
        g_app->window_height = w.window_height;
    }
    remembered_window_width = g_app->window_width;
    remembered_window_height = g_app->window_height;
    // The saved field of view is the normal one the zoom returns to, and the start view.
    viewer.fov = w.fov;
    viewer.normal_fov = w.fov;
    g_app->color_scheme = w.color_scheme;
    gui_opacity = clamp_opacity(w.opacity);
}

void scene::check_run_folder() {
    // The probe is a temporary file beside the settings file, dropped at once.
    replacing_file probe;
    if (probe.open(k_settings_file)) return;
    g_app->tell_user("Ventrask cannot write in its folder (%s): settings, designs and the log will not be saved",
                     probe.error().c_str());
}

bool scene::saved_window_size(int* width, int* height) {
    std::string content;
    if (!fs_read_text(k_settings_file, &content)) return false;
    settings_text text(std::move(content));
    std::string line;
    int w = 0, h = 0;
    while (text.next_line(&line)) {
        double number = 0.0;
        if (!scan_double(line.c_str(), &number) || !(number >= 1.0 && number <= k_max_window_size)) continue;
        if (contains(line.c_str(), "[window_width]")) w = static_cast<int>(number);
        if (contains(line.c_str(), "[window_height]")) h = static_cast<int>(number);
    }
    if (w <= 0 || h <= 0) return false;
    // Brought up to the menus' smallest window as the full reading does (which says so).
    bring_up_to_minimum(&w, &h, false);
    *width = w;
    *height = h;
    return true;
}

void scene::remove_abandoned_saves() {
    // The run folder, its folders (situations, designs) and theirs (designs by kind).
    const int removed = remove_abandoned_temporaries("", 3);
    if (removed > 0) log_line("Temporary files of saves that did not finish were removed: %d", removed);
}

bool scene::write_settings() {
    if (!g_app || !g_state) return false;
    sound_system sound_defaults;
    speech speech_defaults;
    joystick_input joystick_defaults;
    const holders h{g_sound ? g_sound : &sound_defaults, g_speech ? g_speech : &speech_defaults,
                    g_joystick ? g_joystick : &joystick_defaults};

    working_values w;
    w.window_mode = g_app->windowed ? 1 : 0;
    // In a window the back buffer's size, which the next start gives the window again; full
    // screen keeps the windowed size the file gave.
    w.window_width = remembered_window_width;
    w.window_height = remembered_window_height;
    if (g_app->windowed) {
        int width = 0, height = 0;
        main_window()->drawable_size(&width, &height);
        if (width > 0 && height > 0) {
            w.window_width = width;
            w.window_height = height;
        }
    }
    w.fov = viewer.normal_fov;
    w.color_scheme = g_app->color_scheme;
    w.opacity = gui_opacity;

    setting keys[k_key_count];
    list_keys(keys, *this, h, w);
    std::string out;
    int group = keys[0].group;
    for (const setting& s : keys) {
        if (s.group != group) {
            append_line(&out, "%s", "");
            group = s.group;
        }
        write_value(&out, s);
    }
    append_line(&out, "%s", "");
    // Without a controller attached the saved assignments stay for the next start with one.
    if (h.joystick->device_count > 0) {
        write_controllers(&out, *h.joystick);
    } else {
        out += kept_controller_sections;
    }

    // A file that cannot be written whole keeps the one there was: the program is closing.
    std::string error;
    if (fs_write(k_settings_file, out.data(), out.size(), &error)) return true;
    log_line("Could not write %s: %s", k_settings_file, error.c_str());
    return false;
}
