#include "simulation/design_name.h"

#include <cstring>

#include "core/d3d_app.h"
#include "platform/text.h"

namespace {

bool is_control(unsigned char c) { return c < 32 || c == 127; }

bool has_bad_character(const char* name) {
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (is_control(c) || c == '\\' || c == '/' || c == ':' || c == '@') return true;
    }
    return std::strstr(name, "..") != nullptr;
}

// The name as it may stand in the log: control characters shown as '?'.
std::string printable(const char* name) {
    std::string text(name);
    for (char& c : text) {
        if (is_control(static_cast<unsigned char>(c))) c = '?';
    }
    return text;
}

}  // namespace

bool is_valid_design_name(const char* name) {
    if (name == nullptr) return false;
    char bounded[design_name_size];
    copy_text(bounded, name);
    return bounded[0] != '\0' && !has_bad_character(bounded);
}

bool make_design_path(const char* folder, const char* name, design_path* out) {
    if (name == nullptr) name = "";
    if (!is_valid_design_name(name)) {
        log_line("Invalid design name \"%s\"", printable(name).c_str());
        return false;
    }
    copy_text(out->name, name);
    out->file = format_string("%s\\%s.txt", folder, out->name);
    return true;
}
