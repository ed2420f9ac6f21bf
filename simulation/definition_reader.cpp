#include "simulation/definition_reader.h"

#include <cmath>
#include <limits>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"

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
