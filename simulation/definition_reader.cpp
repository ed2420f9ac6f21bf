#include "simulation/definition_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <limits>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"

void log_line_once(const char* format, ...) {
    if (g_app == nullptr) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // Whole lines only: the log's lines end in CR LF.
    const std::string whole = std::string(line) + "\r\n";
    const std::string log(g_app->log_text(), static_cast<std::size_t>(g_app->log_length()));
    const bool seen = log.compare(0, whole.size(), whole) == 0 || log.find("\n" + whole) != std::string::npos;
    if (!seen) g_app->append_log("%s", line);
}

definition_reader::~definition_reader() {
    if (file_ != nullptr) std::fclose(file_);
}

bool definition_reader::open(const std::string& file) {
    if (file_ != nullptr) std::fclose(file_);
    path_ = file;
    any_key_ = false;
    file_ = fs_open(file.c_str(), "rb");
    // A design that does not exist is an ordinary answer; one that cannot be read is not.
    if (file_ == nullptr && fs_exists(file.c_str())) log_line("Could not read %s", file.c_str());
    return file_ != nullptr;
}

bool definition_reader::read_raw_line() {
    line_.clear();
    if (file_ == nullptr) return false;
    int c = std::fgetc(file_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        line_.push_back(static_cast<char>(c));
        c = std::fgetc(file_);
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();  // CR LF from disk
    return true;
}

bool definition_reader::next_line() {
    while (read_raw_line()) {
        if (contains(line_.c_str(), "//")) continue;
        if (contains(line_.c_str(), "@")) break;
        has_number_ = scan_double(line_.c_str(), &number_) && std::isfinite(number_) &&
                      std::fabs(number_) <= std::numeric_limits<float>::max();
        return true;
    }
    line_.clear();
    has_number_ = false;
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        if (!any_key_) log_line("Nothing read from %s: it holds no values", path_.c_str());
    }
    return false;
}

bool definition_reader::has(const char* key) const {
    const bool found = contains(line_.c_str(), key);
    any_key_ = any_key_ || found;
    return found;
}

float definition_reader::real(float current) const {
    return has_number_ ? static_cast<float>(number_) : current;
}

int definition_reader::whole(int current) const {
    if (!has_number_) return current;
    const double truncated = std::trunc(number_);
    if (truncated >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (truncated <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(truncated);
}

std::uint8_t definition_reader::flag(std::uint8_t current) const {
    if (!has_number_) return current;
    return number_ > 0.0 ? 1 : 0;
}

void definition_reader::name(char (&field)[design_name_size]) const {
    const std::size_t tab = line_.find('\t');
    const std::string text = tab == std::string::npos ? line_ : line_.substr(0, tab);
    copy_text(field, text.c_str());
}

void definition_reader::bound(const char* key, float& value, float low, float high) const {
    const float kept = value >= low ? std::min(value, high) : low;  // not a number: low
    if (kept == value) return;
    log_line_once("%s: %s %g bounded to %g", path_.c_str(), key, static_cast<double>(value),
                  static_cast<double>(kept));
    value = kept;
}

void definition_reader::bound(const char* key, std::int32_t& value, std::int32_t low, std::int32_t high) const {
    const std::int32_t kept = std::min(std::max(value, low), high);
    if (kept == value) return;
    log_line_once("%s: %s %d bounded to %d", path_.c_str(), key, value, kept);
    value = kept;
}
