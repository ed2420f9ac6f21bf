#include "platform/x_file.h"

#include <charconv>
#include <cstring>

#include "platform/text.h"

namespace {

// The header: "xof ", a version of 4 digits, the format ("txt ", "bin ", "tzip", "bzip"),
// and the float size ("0032" or "0064").
constexpr std::size_t k_header_size = 16;
// Strings (texture file names, bone names) are paths at most this long.
constexpr std::size_t k_max_string = 1023;
// A GUID "<xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx>" with some slack.
constexpr std::size_t k_max_guid = 64;

// Brackets only occur in template declarations (array sizes, restrictions, "[...]").
enum class token_kind { open, close, name, number, text, guid, bracket };

struct token {
    token_kind kind;
    std::string text;
    double number = 0.0;
    int line = 0;
};

bool is_name_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool is_name_char(char c) {
    return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool is_number_start(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

bool is_number_char(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

class tokenizer {
public:
    tokenizer(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    bool run(std::vector<token>* out, std::string* error) {
        while (skip_space()) {
            token t;
            t.line = line_;
            if (!next(&t, error)) return false;
            out->push_back(std::move(t));
        }
        return true;
    }

private:
    // Skips white space, separators and comments; false at the end of the bytes.
    bool skip_space() {
        while (p_ < end_) {
            const char c = *p_;
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == ',' || c == ';') {
                ++p_;
            } else if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
                while (p_ < end_ && *p_ != '\n') ++p_;
            } else {
                return true;
            }
        }
        return false;
    }

    bool fail(std::string* error, const char* what) {
        *error = format_string("line %d: %s", line_, what);
        return false;
    }

    bool next(token* t, std::string* error) {
        const char c = *p_;
        if (c == '{') {
            t->kind = token_kind::open;
            ++p_;
            return true;
        }
        if (c == '}') {
            t->kind = token_kind::close;
            ++p_;
            return true;
        }
        if (c == '"') return read_string(t, error);
        if (c == '<') return read_guid(t, error);
        if (c == '[') return read_bracket(t, error);
        if (is_number_start(c)) return read_number(t, error);
        if (is_name_start(c)) return read_name(t, error);
        return fail(error, "unexpected character");
    }

    bool read_string(token* t, std::string* error) {
        ++p_;
        const char* start = p_;
        while (p_ < end_ && *p_ != '"' && *p_ != '\n') ++p_;
        if (p_ >= end_ || *p_ != '"') return fail(error, "unterminated string");
        if (static_cast<std::size_t>(p_ - start) > k_max_string) return fail(error, "string too long");
        t->kind = token_kind::text;
        t->text.assign(start, p_);
        ++p_;
        return true;
    }

    bool read_guid(token* t, std::string* error) {
        const char* start = p_;
        while (p_ < end_ && *p_ != '>' && static_cast<std::size_t>(p_ - start) < k_max_guid) ++p_;
        if (p_ >= end_ || *p_ != '>') return fail(error, "unterminated GUID");
        ++p_;
        t->kind = token_kind::guid;
        t->text.assign(start, p_);
        return true;
    }

    bool read_bracket(token* t, std::string* error) {
        const char* start = p_;
        while (p_ < end_ && *p_ != ']' && static_cast<std::size_t>(p_ - start) < k_max_guid * 4) ++p_;
        if (p_ >= end_ || *p_ != ']') return fail(error, "unterminated '['");
        ++p_;
        t->kind = token_kind::bracket;
        return true;
    }

    bool read_number(token* t, std::string* error) {
        const char* start = p_;
        while (p_ < end_ && is_number_char(*p_)) ++p_;
        const char* first = start;
        if (*first == '+') ++first;
        double value = 0.0;
        const std::from_chars_result r = std::from_chars(first, p_, value);
        if (r.ec != std::errc() || r.ptr != p_) return fail(error, "bad number");
        t->kind = token_kind::number;
        t->number = value;
        return true;
    }

    bool read_name(token* t, std::string* error) {
        const char* start = p_;
        while (p_ < end_ && is_name_char(*p_)) ++p_;
        if (static_cast<std::size_t>(p_ - start) > k_x_max_name) return fail(error, "name too long");
        t->kind = token_kind::name;
        t->text.assign(start, p_);
        return true;
    }

    const char* p_;
    const char* end_;
    int line_ = 1;
};

class parser {
public:
    explicit parser(const std::vector<token>& tokens) : tokens_(tokens) {}

    bool run(x_file* out, std::string* error) {
        while (i_ < tokens_.size()) {
            const token& t = tokens_[i_];
            if (t.kind != token_kind::name) return fail(error, t.line, "expected a template or data object");
            if (t.text == "template") {
                if (!skip_template(error)) return false;
                continue;
            }
            x_object object;
            if (!read_object(&object, 0, error)) return false;
            out->objects.push_back(std::move(object));
        }
        return true;
    }

private:
    bool fail(std::string* error, int line, const char* what) {
        *error = format_string("line %d: %s", line, what);
        return false;
    }

    bool at(token_kind kind, std::size_t offset = 0) const {
        return i_ + offset < tokens_.size() && tokens_[i_ + offset].kind == kind;
    }

    int line_here() const {
        return i_ < tokens_.size() ? tokens_[i_].line : (tokens_.empty() ? 1 : tokens_.back().line);
    }

    // "template Name { ... }": skipped with its braces balanced.
    bool skip_template(std::string* error) {
        const int line = tokens_[i_].line;
        i_ += 1;
        if (at(token_kind::name)) ++i_;
        if (!at(token_kind::open)) return fail(error, line, "template without a body");
        int depth = 0;
        while (i_ < tokens_.size()) {
            if (tokens_[i_].kind == token_kind::open) ++depth;
            if (tokens_[i_].kind == token_kind::close && --depth == 0) {
                ++i_;
                return true;
            }
            ++i_;
        }
        return fail(error, line, "unbalanced braces in a template");
    }

    // At a name: "Type [name] { [guid] contents }".
    bool read_object(x_object* object, int depth, std::string* error) {
        if (depth >= k_x_max_depth) return fail(error, line_here(), "objects nested too deep");
        object->line = tokens_[i_].line;
        object->type = tokens_[i_].text;
        ++i_;
        if (at(token_kind::name)) {
            object->name = tokens_[i_].text;
            ++i_;
        }
        if (!at(token_kind::open)) return fail(error, object->line, "expected '{' after an object's type");
        ++i_;
        if (at(token_kind::guid)) ++i_;
        while (i_ < tokens_.size()) {
            const token& t = tokens_[i_];
            switch (t.kind) {
            case token_kind::close:
                ++i_;
                return true;
            case token_kind::number:
                object->numbers.push_back(t.number);
                ++i_;
                break;
            case token_kind::text:
                object->strings.push_back(t.text);
                ++i_;
                break;
            case token_kind::guid:
            case token_kind::bracket:
                return fail(error, t.line, "unexpected GUID or '['");
            case token_kind::open:
                if (!read_reference(object, error)) return false;
                break;
            case token_kind::name: {
                x_object child;
                if (!read_object(&child, depth + 1, error)) return false;
                object->children.push_back(std::move(child));
                break;
            }
            }
        }
        return fail(error, object->line, "unbalanced braces: the object is not closed");
    }

    // "{ name }", "{ <guid> }" or "{ name <guid> }".
    bool read_reference(x_object* object, std::string* error) {
        const int line = tokens_[i_].line;
        ++i_;
        std::string target;
        if (at(token_kind::name)) {
            target = tokens_[i_].text;
            ++i_;
        }
        if (at(token_kind::guid)) {
            if (target.empty()) target = tokens_[i_].text;
            ++i_;
        }
        if (target.empty() || !at(token_kind::close)) return fail(error, line, "bad reference");
        ++i_;
        x_object reference;
        reference.reference = true;
        reference.name = std::move(target);
        reference.line = line;
        object->children.push_back(std::move(reference));
        return true;
    }

    const std::vector<token>& tokens_;
    std::size_t i_ = 0;
};

const x_object* find_in(const x_object& object, const std::string& type, const std::string& name) {
    if (!object.reference && object.type == type && object.name == name) return &object;
    for (const x_object& c : object.children) {
        if (const x_object* found = find_in(c, type, name)) return found;
    }
    return nullptr;
}

}  // namespace

bool parse_x_file(const std::uint8_t* data, std::size_t size, x_file* out, std::string* error) {
    out->objects.clear();
    const char* text = reinterpret_cast<const char*>(data);
    if (data == nullptr || size < k_header_size || std::memcmp(text, "xof ", 4) != 0) {
        *error = "not a .x file";
        return false;
    }
    if (std::memcmp(text + 8, "txt ", 4) != 0) {
        *error = "only text .x files are read (binary and compressed are not)";
        return false;
    }
    std::vector<token> tokens;
    tokenizer reader(text + k_header_size, size - k_header_size);
    if (!reader.run(&tokens, error)) return false;
    parser p(tokens);
    if (!p.run(out, error)) {
        out->objects.clear();
        return false;
    }
    return true;
}

const x_object* find_x_object(const x_file& file, const std::string& type, const std::string& name) {
    for (const x_object& o : file.objects) {
        if (const x_object* found = find_in(o, type, name)) return found;
    }
    return nullptr;
}
