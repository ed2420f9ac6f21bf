#include "core/d3d_app.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"

d3d_app* g_app = nullptr;

namespace {

std::string vformat(const char* format, std::va_list args) {
    char small[512];
    std::va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) {
        vformat_bounded(small, sizeof small, format, args);
        return small;
    }
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    vformat_bounded(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

d3d_app::d3d_app() {
    load_string_resource(IDS_TITLE, title, sizeof title);
    load_string_resource(IDS_VERSION, version, sizeof version);
}

d3d_app::~d3d_app() {
    release_device();  // cached textures go back to the device before it goes
    write_log_at_exit();
    if (g_app == this) g_app = nullptr;
}

void d3d_app::append_log(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string line = vformat(format, args);
    va_end(args);
    line += "\r\n";
    if (log_length_ + static_cast<long long>(line.size()) >= k_log_size) return;
    std::memcpy(log_ + log_length_, line.data(), line.size());
    log_length_ += static_cast<int>(line.size());
    log_[log_length_] = '\0';
}

bool d3d_app::check_hr(hresult result, const char* source_file, int line) {
    if (result == S_OK) return true;
    append_log("%s %s line %d", result_name(result), source_file ? source_file : "", line);
    return false;
}

bool d3d_app::write_log(std::string* error) const {
    return fs_write(log_file, log_, static_cast<std::size_t>(log_length_), error);
}

void d3d_app::write_log_at_exit() {
    std::string error;
    if (!write_log(&error)) tell_user("Ventrask could not write %s in its folder: %s", log_file, error.c_str());
}

void d3d_app::tell_user(const char* format, ...) {
    if (told_user_) return;
    told_user_ = true;
    std::va_list args;
    va_start(args, format);
    const std::string line = vformat(format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", line.c_str());
}

void d3d_app::clear_log() {
    std::memset(log_, 0, sizeof log_);
    log_length_ = 0;
}

bool check_result(hresult result, const char* source_file, int line) {
    if (g_app) return g_app->check_hr(result, source_file, line);
    return result == S_OK;
}

void log_line(const char* format, ...) {
    if (g_app == nullptr) return;
    std::va_list args;
    va_start(args, format);
    const std::string line = vformat(format, args);
    va_end(args);
    g_app->append_log("%s", line.c_str());
}

bool d3d_app::load_texture(const char* name, gfx_texture** out, int mode, bool cached) {
    textures.use_mipmaps = use_mipmaps != 0;
    return textures.load_texture(name, out, mode, cached);
}

int d3d_app::load_texture_from_folder(const char* folder, const char* name, gfx_texture** out,
                                      bool cached) {
    textures.use_mipmaps = use_mipmaps != 0;
    return textures.load_texture_from_folder(folder, name, out, cached);
}

bool d3d_app::release_texture(gfx_texture** texture) { return textures.release_texture(texture); }

void log_line_once(const char* format, ...) {
    if (g_app == nullptr) return;
    char line[512];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // Whole lines only: the log's lines end in CR LF.
    const std::string whole = std::string(line) + "\r\n";
    const std::string log(g_app->log_text(), static_cast<std::size_t>(g_app->log_length()));
    const bool seen = log.compare(0, whole.size(), whole) == 0 || log.find("\n" + whole) != std::string::npos;
    if (!seen) g_app->append_log("%s", line);
}
