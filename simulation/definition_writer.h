// Writes a definition file in the form definition_reader reads: CR LF line ends, numbers in
// the C locale, reals in general form with six significant digits (5000, 0.5, 1e+06). The
// file is replaced only when the whole of it was written (replacing_file): a failed save keeps
// the design file the user had.
#pragma once

#include <string>

#include "platform/replacing_file.h"

class definition_writer {
public:
    definition_writer() = default;
    ~definition_writer();
    definition_writer(const definition_writer&) = delete;
    definition_writer& operator=(const definition_writer&) = delete;

    // Starts writing the file (a program name). When it cannot be created the result is false
    // and "Could not write <file>: <reason>" is logged.
    bool open(const std::string& file);

    void text(const char* line);
    void blank();
    void real(float value, const char* key);
    void whole(int value, const char* key);
    void flag(bool value, const char* key);
    void name(const char* value, const char* key);

    // Puts the written file in place of the old one; false (logged as above, the old file
    // untouched) when any write, the flush or the close failed.
    bool close();

private:
    void put(const std::string& line);

    replacing_file file_;
    std::string path_;
    bool open_ = false;
    bool failed_ = false;
};
