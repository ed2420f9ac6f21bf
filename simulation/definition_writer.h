// Writes a definition file in the form definition_reader reads: CR LF line ends, numbers in
// the C locale, reals in general form with six significant digits (5000, 0.5, 1e+06).
#pragma once

#include <cstdio>
#include <string>

class definition_writer {
public:
    definition_writer() = default;
    ~definition_writer();
    definition_writer(const definition_writer&) = delete;
    definition_writer& operator=(const definition_writer&) = delete;

    // Creates or truncates the file (a program name). When it cannot be created the result is
    // false and "Could not write <file>" is logged.
    bool open(const std::string& file);

    void text(const char* line);
    void blank();
    void real(float value, const char* key);
    void whole(int value, const char* key);
    void flag(bool value, const char* key);
    void name(const char* value, const char* key);

    // Closes the file; false (logged as above) when any write failed.
    bool close();

private:
    void put(const std::string& line);

    std::FILE* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};
