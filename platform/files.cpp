#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/replacing_file.h"
#include "platform/text.h"

namespace {

std::string g_root;  // empty: the working folder

std::vector<std::string> split_components(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

bool stat_path(const std::string& host, struct stat* st) { return ::stat(host.c_str(), st) == 0; }

// The entry of folder whose name equals want ignoring ASCII case; empty when none.
std::string find_nocase(const std::string& folder, const std::string& want) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (d == nullptr) return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (compare_nocase(e->d_name, want.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

void fs_set_root(const std::string& host_folder) { g_root = host_folder; }

const std::string& fs_root() { return g_root; }

std::string fs_host_path(const char* name) {
    if (name == nullptr) return {};
    const std::string text(name);
    const bool absolute = !text.empty() && text[0] == '/';
    std::string folder = absolute ? std::string("/") : g_root;
    const std::vector<std::string> parts = split_components(text);
    // A name spelt as on disk is the common case: when the whole path exists, so does every
    // folder on the way, and the component-by-component search below would keep each part.
    std::string spelt = folder;
    for (const std::string& part : parts) {
        if (!spelt.empty() && spelt.back() != '/') spelt.push_back('/');
        spelt.append(part);
    }
    struct stat whole;
    if (!spelt.empty() && stat_path(spelt, &whole)) return spelt;
    bool resolving = true;
    std::string result = folder;
    for (const std::string& part : parts) {
        std::string actual = part;
        if (resolving && part != "." && part != "..") {
            struct stat st;
            if (!stat_path(join(result, part), &st)) {
                const std::string other = find_nocase(result, part);
                if (other.empty()) {
                    resolving = false;
                } else {
                    actual = other;
                }
            }
        }
        if (!result.empty() && result.back() != '/') result.push_back('/');
        result.append(actual);
    }
    if (result.empty()) result = ".";
    return result;
}

bool fs_exists(const char* name) {
    struct stat st;
    return stat_path(fs_host_path(name), &st);
}

bool fs_is_folder(const char* name) {
    struct stat st;
    return stat_path(fs_host_path(name), &st) && S_ISDIR(st.st_mode);
}

bool fs_is_file(const char* name) {
    struct stat st;
    return stat_path(fs_host_path(name), &st) && S_ISREG(st.st_mode);
}

long long fs_file_size(const char* name) {
    struct stat st;
    if (!stat_path(fs_host_path(name), &st) || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

bool fs_stamp(const char* name, file_stamp* out) {
    *out = file_stamp{};
    const std::string host = fs_host_path(name);
    struct stat st;
    if (!stat_path(host, &st) || !S_ISREG(st.st_mode)) return false;
    out->host_path = host;
    out->size = static_cast<long long>(st.st_size);
    out->modified_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    out->inode = static_cast<unsigned long long>(st.st_ino);
    return true;
}

bool fs_read(const char* name, std::vector<std::uint8_t>* out) {
    out->clear();
    if (!fs_is_file(name)) return false;
    std::FILE* f = fs_open(name, "rb");
    if (f == nullptr) return false;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool fs_read_text(const char* name, std::string* out) {
    std::vector<std::uint8_t> bytes;
    if (!fs_read(name, &bytes)) {
        out->clear();
        return false;
    }
    out->assign(bytes.begin(), bytes.end());
    return true;
}

bool fs_write(const char* name, const void* data, std::size_t size, std::string* error) {
    replacing_file file;
    const bool ok = file.open(name) && file.write(data, size) && file.commit();
    if (!ok && error != nullptr) *error = file.error();
    return ok;
}

bool fs_delete(const char* name) {
    const std::string host = fs_host_path(name);
    ::chmod(host.c_str(), 0644);  // a read-only file is still deleted
    return ::unlink(host.c_str()) == 0;
}

bool fs_make_folder(const char* name) {
    const std::string host = fs_host_path(name);
    return ::mkdir(host.c_str(), 0755) == 0 || fs_is_folder(name);
}

std::FILE* fs_open(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    const std::string host = fs_host_path(name);
    struct stat st;
    if (stat_path(host, &st) && S_ISDIR(st.st_mode)) return nullptr;
    return std::fopen(host.c_str(), mode);
}

std::string fs_temp_folder() {
    const char* t = std::getenv("TMPDIR");
    std::string folder = (t && *t) ? t : "/tmp";
    if (folder.back() != '/') folder.push_back('/');
    return folder;
}

bool wildcard_match(const char* pattern, const char* name) {
    // "*.*" is the Windows idiom for every name, dotted or not.
    if (std::strcmp(pattern, "*.*") == 0) return true;
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || ascii_lower(*pattern) == ascii_lower(*name)) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    // A trailing ".*" also matches a name without a dot ("readme" against "read*.*").
    if (pattern[0] == '.' && pattern[1] == '*') {
        pattern += 2;
        while (*pattern == '*') ++pattern;
    }
    return *pattern == '\0';
}

std::vector<dir_entry> fs_list(const char* pattern) {
    std::vector<dir_entry> entries;
    if (pattern == nullptr) return entries;
    const std::string text(pattern);
    const std::size_t cut = text.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? std::string() : text.substr(0, cut);
    const std::string mask = cut == std::string::npos ? text : text.substr(cut + 1);
    const std::string host_folder = folder.empty() ? (g_root.empty() ? "." : g_root) : fs_host_path(folder.c_str());
    DIR* d = ::opendir(host_folder.c_str());
    if (d == nullptr) return entries;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (!wildcard_match(mask.c_str(), e->d_name)) continue;
        dir_entry entry;
        entry.name = e->d_name;
        struct stat st;
        if (stat_path(join(host_folder, entry.name), &st)) {
            entry.is_folder = S_ISDIR(st.st_mode);
            entry.size = entry.is_folder ? 0 : static_cast<std::uint64_t>(st.st_size);
        }
        entries.push_back(entry);
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(), [](const dir_entry& a, const dir_entry& b) {
        const int c = compare_nocase(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return entries;
}
