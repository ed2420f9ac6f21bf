#include "simulation/definition_reader.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdarg>
#include <limits>

#include "core/d3d_app.h"
#include "platform/files.h"
#include "platform/text.h"
#include "simulation/definition_faults.h"
#include "simulation/definition_texts.h"

namespace {

// Whether a line starts with a word that names no finite number ("nan", "inf", "-Infinity"):
// the number reader passes such words over as text, so a value written that way would be lost
// without a word.
bool starts_with_non_finite_word(const std::string& line) {
    std::size_t p = line.find_first_not_of(" \t");
    if (p == std::string::npos) return false;
    if (line[p] == '+' || line[p] == '-') ++p;
    std::size_t end = line.find_first_of(" \t", p);
    if (end == std::string::npos) end = line.size();
    std::string word = line.substr(p, end - p);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "nan" || word == "inf" || word == "infinity" || word.rfind("nan(", 0) == 0;
}

// Where the text holds its first control character other than TAB, CR and LF (NUL, DEL, a
// stray escape...), npos when it holds none: the program writes none, so such a file is not
// one of its definition files as written, whatever values it seems to hold.
std::size_t first_control_character(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 32 && c != '\t' && c != '\r' && c != '\n') || c == 127) return i;
    }
    return std::string::npos;
}

}  // namespace

definition_reader::~definition_reader() = default;

bool definition_reader::open(const std::string& file) {
    path_ = file;
    any_key_ = false;
    open_ = false;
    part_file_ = false;
    at_ = 0;
    longest_ = 0;
    own_.clear();
    text_ = &own_;
    definition_texts* texts = definition_texts::in_use();
    if (texts != nullptr) {
        if (const std::string* kept = texts->find(file)) {
            text_ = kept;
            open_ = true;
            return true;
        }
    }
    file_stamp stamp;
    const bool stamped = fs_stamp(file.c_str(), &stamp);
    std::FILE* f = fs_open(file.c_str(), "rb");
    if (f == nullptr) {
        // A design that does not exist is an ordinary answer; one that cannot be read is not.
        if (fs_exists(file.c_str())) log_line("Could not read %s", file.c_str());
        return false;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) own_.append(buffer, n);
    std::fclose(f);
    open_ = true;
    if (texts != nullptr && stamped) texts->keep(file, stamp, own_);
    return true;
}

bool definition_reader::open_whole(const std::string& file, const definition_records* records) {
    if (!open(file)) return false;
    part_file_ = true;
    const part_fault fault = part_damage(records);
    if (fault.why.empty()) return true;
    definition_faults::report(path_, fault.kind, fault.why);
    open_ = false;
    return false;
}

definition_reader::part_fault definition_reader::part_damage(const definition_records* records) const {
    const std::size_t control = first_control_character(*text_);
    if (control != std::string::npos) {
        const long line = 1 + std::count(text_->begin(), text_->begin() + static_cast<long>(control), '\n');
        return {definition_faults::k_control_characters,
                format_string("it holds a control character (byte %d) on line %ld",
                              static_cast<unsigned char>((*text_)[control]), line)};
    }
    bool ended = false;
    int count = -1;  // none given: the part keeps its own number of records
    int held = 0;
    for (std::size_t at = 0; at < text_->size() && !ended;) {
        std::size_t end = text_->find('\n', at);
        if (end == std::string::npos) end = text_->size();
        const std::string line = text_->substr(at, end - at);
        at = end + 1;
        if (contains(line.c_str(), "//")) continue;
        ended = contains(line.c_str(), "@");
        if (ended || records == nullptr) continue;
        double value = 0.0;
        if (contains(line.c_str(), records->count_key) && scan_double(line.c_str(), &value) && std::isfinite(value)) {
            count = static_cast<int>(std::clamp(std::trunc(value), 0.0, static_cast<double>(records->most)));
        }
        if (contains(line.c_str(), records->last_key)) ++held;
    }
    const char* cut = definition_faults::k_cut_short;
    if (!ended && ends_mid_line()) return {cut, "it stops in the middle of a line before its \"@\" line"};
    if (!ended) return {cut, "it ends before its \"@\" line"};
    if (held >= count) return {};
    return {definition_faults::k_records_missing,
            format_string("it holds %d of the %d %s its %s line gives", held, count, records->noun, records->count_key)};
}

bool definition_reader::read_raw_line() {
    line_.clear();
    if (!open_ || at_ >= text_->size()) return false;
    std::size_t end = text_->find('\n', at_);
    if (end == std::string::npos) end = text_->size();
    line_.assign(*text_, at_, end - at_);
    at_ = end + 1;
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();  // CR LF from disk
    longest_ = std::max(longest_, line_.size());
    return true;
}

bool definition_reader::next_line() {
    while (read_raw_line()) {
        if (contains(line_.c_str(), "//")) continue;
        if (contains(line_.c_str(), "@")) break;
        const bool scanned = scan_double(line_.c_str(), &number_);
        has_number_ = scanned && std::isfinite(number_) && std::fabs(number_) <= std::numeric_limits<float>::max();
        if ((scanned && !has_number_) || (!scanned && starts_with_non_finite_word(line_))) {
            log_line_once("%s: refused a value that is no finite number: %.60s", path_.c_str(), line_.c_str());
        }
        return true;
    }
    line_.clear();
    has_number_ = false;
    if (open_) {
        open_ = false;
        // A part file without a value is reported as damaged by took_values.
        if (!any_key_ && !part_file_) log_line("Nothing read from %s: it holds no values", path_.c_str());
    }
    return false;
}

bool definition_reader::took_values() const {
    if (any_key_) return true;
    definition_faults::report(path_, definition_faults::k_no_values, "none of its values can be read");
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

bool definition_reader::name_at(const char* key, char (&field)[design_name_size]) const {
    if (!has(key)) return false;
    name(field);
    return true;
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

std::string definition_damage(const definition_reader& in, bool named_all) {
    std::string why;
    const char* kind = definition_faults::k_long_line;
    if (in.longest_line() > k_name_file_line) {
        why = format_string("it holds a line of %zu characters, more than %zu", in.longest_line(), k_name_file_line);
    } else if (!named_all && in.ends_mid_line()) {
        kind = definition_faults::k_cut_short;
        why = "it stops in the middle of a line before naming all its parts";
    } else if (!in.found_any_key()) {
        kind = definition_faults::k_no_values;
        why = "it names no parts";
    }
    if (!why.empty()) definition_faults::report(in.path(), kind, why);
    return why;
}
