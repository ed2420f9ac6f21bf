// Text helpers for the program's fixed-size char fields and its numbers. Every copy and
// format is bounded (never overruns, always terminated), and numbers are read and written in
// the C locale whatever locale the process runs in.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// Copies src into dst of cap bytes, cutting it to cap - 1 characters; returns the length
// written. A null src copies as an empty text. cap 0 writes nothing.
std::size_t copy_bounded(char* dst, std::size_t cap, const char* src);

// printf-style formatting into dst of cap bytes in the C locale; the text is cut to fit.
// Returns the length written.
std::size_t format_bounded(char* dst, std::size_t cap, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
std::size_t vformat_bounded(char* dst, std::size_t cap, const char* format, std::va_list args);

// The same, appending to the text already in dst.
std::size_t append_bounded(char* dst, std::size_t cap, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// printf-style formatting into a string, C locale.
std::string format_string(const char* format, ...) __attribute__((format(printf, 1, 2)));

template <std::size_t N>
std::size_t copy_text(char (&dst)[N], const char* src) {
    return copy_bounded(dst, N, src);
}

template <std::size_t N, typename... Args>
std::size_t format_text(char (&dst)[N], const char* format, Args... args) {
    return format_bounded(dst, N, format, args...);
}

// ASCII-only case conversion: bytes above 127 (Windows-1252 letters) stay as they are.
char ascii_lower(char c);
char ascii_upper(char c);
void ascii_lower_in_place(char* text);
std::string ascii_lowered(const std::string& text);
// Case-insensitive (ASCII) comparison, like strcmp.
int compare_nocase(const char* a, const char* b);
bool equal_nocase(const std::string& a, const std::string& b);

// Reads the number at the start of text with the rules of scanf's "%f": leading white space
// is skipped, then a decimal or exponent number (C locale). On success *out holds it and the
// result is true; otherwise *out is left as it was.
bool scan_float(const char* text, float* out);
bool scan_double(const char* text, double* out);
// The same with "%d".
bool scan_int(const char* text, int* out);
// A leading number, or fallback when there is none.
float leading_float(const char* text, float fallback = 0.0f);

// Whether text contains pattern (plain substring search, case-sensitive).
bool contains(const char* text, const char* pattern);
