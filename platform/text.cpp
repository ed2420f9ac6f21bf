#include "platform/text.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <vector>

namespace {

// The C locale, made once; formatting and reading switch this thread to it for the call.
locale_t c_locale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

class c_locale_scope {
public:
    c_locale_scope() : previous_(uselocale(c_locale())) {}
    ~c_locale_scope() { uselocale(previous_); }
    c_locale_scope(const c_locale_scope&) = delete;
    c_locale_scope& operator=(const c_locale_scope&) = delete;

private:
    locale_t previous_;
};

}  // namespace

std::size_t copy_bounded(char* dst, std::size_t cap, const char* src) {
    if (cap == 0 || dst == nullptr) return 0;
    std::size_t n = 0;
    if (src != nullptr) {
        while (n + 1 < cap && src[n] != '\0') {
            dst[n] = src[n];
            ++n;
        }
    }
    dst[n] = '\0';
    return n;
}

std::size_t vformat_bounded(char* dst, std::size_t cap, const char* format, std::va_list args) {
    if (cap == 0 || dst == nullptr) return 0;
    c_locale_scope scope;
    const int n = std::vsnprintf(dst, cap, format, args);
    if (n < 0) {
        dst[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < cap ? static_cast<std::size_t>(n) : cap - 1;
}

std::size_t format_bounded(char* dst, std::size_t cap, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::size_t n = vformat_bounded(dst, cap, format, args);
    va_end(args);
    return n;
}

std::size_t append_bounded(char* dst, std::size_t cap, const char* format, ...) {
    if (cap == 0 || dst == nullptr) return 0;
    const std::size_t used = strnlen(dst, cap - 1);
    std::va_list args;
    va_start(args, format);
    const std::size_t n = vformat_bounded(dst + used, cap - used, format, args);
    va_end(args);
    return used + n;
}

std::string format_string(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    int n;
    {
        c_locale_scope scope;
        n = std::vsnprintf(nullptr, 0, format, copy);
    }
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buf(static_cast<std::size_t>(n) + 1);
        vformat_bounded(buf.data(), buf.size(), format, args);
        out.assign(buf.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

void ascii_lower_in_place(char* text) {
    if (text == nullptr) return;
    for (; *text; ++text) *text = ascii_lower(*text);
}

std::string ascii_lowered(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = ascii_lower(c);
    return out;
}

int compare_nocase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(ascii_lower(*a));
        const unsigned char cb = static_cast<unsigned char>(ascii_lower(*b));
        if (ca != cb || ca == 0) return static_cast<int>(ca) - static_cast<int>(cb);
    }
}

bool equal_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && compare_nocase(a.c_str(), b.c_str()) == 0;
}

bool scan_double(const char* text, double* out) {
    if (text == nullptr) return false;
    char* end = nullptr;
    const double v = strtod_l(text, &end, c_locale());
    if (end == text) return false;
    // "%f" takes no hexadecimal numbers, infinities or NaNs from our files: accept only what
    // starts like a decimal number.
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!((*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9'))) return false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        *out = 0.0;  // "%f" would stop after the 0
        return true;
    }
    *out = v;
    return true;
}

bool scan_float(const char* text, float* out) {
    double v;
    if (!scan_double(text, &v)) return false;
    *out = static_cast<float>(v);
    return true;
}

bool scan_int(const char* text, int* out) {
    if (text == nullptr) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (v > INT_MAX) {
        *out = INT_MAX;
    } else if (v < INT_MIN) {
        *out = INT_MIN;
    } else {
        *out = static_cast<int>(v);
    }
    return true;
}

float leading_float(const char* text, float fallback) {
    float v = fallback;
    scan_float(text, &v);
    return v;
}

bool contains(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) return false;
    return std::strstr(text, pattern) != nullptr;
}
