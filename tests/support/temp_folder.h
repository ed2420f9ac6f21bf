// A private temporary folder for a test: made on construction, made the file root (so the
// program's relative names land in it), removed with everything in it on destruction.
#pragma once

#include <string>

class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file below the folder (host path relative to it, '/' separated), making folders.
    void write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
    std::string previous_root_;
};
