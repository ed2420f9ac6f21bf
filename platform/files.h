// Files as the program names them: paths relative to the run folder with backslashes
// ("scenery\Coast\scenery.txt"). At this boundary they become host paths with '/', resolved
// case-insensitively component by component, so "Sounds\Click.WAV" finds sounds/click.wav.
// Names that start with '/' are host paths already (the temporary folder) and only have their
// backslashes turned.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct dir_entry {
    std::string name;  // the bare name as the file system spells it
    bool is_folder = false;
    std::uint64_t size = 0;
};

// The folder every relative name is taken from; the working folder by default. Tests point it
// at a temporary folder of their own.
void fs_set_root(const std::string& host_folder);
const std::string& fs_root();

// The host path for a program name. Existing components are matched case-insensitively (an
// exact match wins); the first missing component and the rest are kept as given.
std::string fs_host_path(const char* name);

bool fs_exists(const char* name);          // a file or a folder
bool fs_is_folder(const char* name);
bool fs_is_file(const char* name);
// Size in bytes, or -1 when there is no such file.
long long fs_file_size(const char* name);
bool fs_read(const char* name, std::vector<std::uint8_t>* out);
bool fs_read_text(const char* name, std::string* out);
// Writes the whole file through a temporary file beside it (replacing_file): on any failure the
// old file stays as it was and, when asked, error receives the system's reason. Missing
// folders are not created.
bool fs_write(const char* name, const void* data, std::size_t size, std::string* error = nullptr);
bool fs_delete(const char* name);
bool fs_make_folder(const char* name);
// fopen on the resolved host path; for reading (writes go through fs_write or replacing_file).
std::FILE* fs_open(const char* name, const char* mode);
// The system's temporary folder, as a host path with a trailing '/'.
std::string fs_temp_folder();

// Lists the entries of a folder matching a pattern with Windows wildcards: '*' any run, '?'
// any one character, case-insensitive; "*.*" also matches names without a dot. The pattern's
// folder part is everything before its last backslash. "." and ".." are never listed; the
// list is sorted (case-insensitively, then by bytes) so indices are stable.
std::vector<dir_entry> fs_list(const char* pattern);

// Windows wildcard match of one name (no folder part).
bool wildcard_match(const char* pattern, const char* name);
