#include "platform/replacing_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/replacing_batch.h"

namespace {

// Temporary files of one process are told apart by a counter, of several by the process id.
unsigned g_temp_counter = 0;

// A symbolic link is written through: the file it names is replaced, the link stays.
std::string followed_target(const std::string& host) {
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return host;
    char resolved[PATH_MAX];
    if (::realpath(host.c_str(), resolved) == nullptr) return host;
    return resolved;
}

// A hidden name beside the target that no listing of the target's extension matches.
std::string temp_name_beside(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(++g_temp_counter) + ".tmp";
}

}  // namespace

replacing_file::~replacing_file() { abandon(); }

bool replacing_file::open(const char* name) {
    abandon();
    error_.clear();
    failed_ = false;
    batch_ = replacing_batch::open_batch();
    if (name == nullptr || *name == '\0') {
        fail(EINVAL);
        return false;
    }
    target_ = followed_target(fs_host_path(name));
    struct stat old;
    const bool had_file = ::stat(target_.c_str(), &old) == 0;
    if (had_file && S_ISDIR(old.st_mode)) {
        fail(EISDIR);
        return false;
    }
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp_ = temp_name_beside(target_);
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        fail(errno);
        temp_.clear();
        return false;
    }
    // The new file keeps the old one's permissions.
    if (had_file) ::fchmod(fd, old.st_mode & 07777);
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        fail(errno);
        ::close(fd);
        abandon();
        return false;
    }
    return true;
}

bool replacing_file::write(const void* data, std::size_t size) {
    if (file_ == nullptr || failed_) return false;
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, file_) != size) fail(errno);
    return !failed_;
}

bool replacing_file::commit() {
    if (file_ == nullptr) {
        if (error_.empty()) fail(EBADF);
        return false;
    }
    if (!failed_ && std::fflush(file_) != 0) fail(errno);
    if (!failed_ && ::fsync(::fileno(file_)) != 0) fail(errno);
    if (std::fclose(file_) != 0 && !failed_) fail(errno);
    file_ = nullptr;
    if (!failed_ && batch_ != nullptr) {
        batch_->add_finished(temp_, target_);
        temp_.clear();
        return true;
    }
    if (!failed_ && ::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
    if (failed_) {
        abandon();
        return false;
    }
    temp_.clear();
    return true;
}

void replacing_file::abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void replacing_file::fail(int error_number) {
    if (!failed_) error_ = std::strerror(error_number != 0 ? error_number : EIO);
    failed_ = true;
    if (batch_ != nullptr) batch_->note_failure(error_);
}

void prepare_file_writes() { std::signal(SIGXFSZ, SIG_IGN); }

namespace {

bool all_digits(const std::string& text) {
    if (text.empty() || text.size() > 18) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// A process that runs, whoever owns it (EPERM: it runs under another user).
bool process_runs(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

int remove_in(const std::string& host_folder, int depth) {
    DIR* dir = ::opendir(host_folder.c_str());
    if (dir == nullptr) return 0;
    std::vector<std::string> folders;
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = host_folder + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) continue;
        // Links are not followed: the walk stays inside the run folder.
        if (S_ISDIR(st.st_mode)) {
            if (depth > 0) folders.push_back(path);
            continue;
        }
        long pid = 0;
        if (!S_ISREG(st.st_mode) || !is_replacing_temporary(name, &pid)) continue;
        if (pid == static_cast<long>(::getpid()) || process_runs(pid)) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    for (const std::string& f : folders) removed += remove_in(f, depth - 1);
    return removed;
}

}  // namespace

bool is_replacing_temporary(const std::string& name, long* pid) {
    // "." + target + "." + pid + "." + counter + ".tmp", the target holding at least one byte.
    const std::string suffix = ".tmp";
    if (name.size() < 9 || name[0] != '.' || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string stem = name.substr(0, name.size() - suffix.size());
    const std::size_t counter_dot = stem.rfind('.');
    if (counter_dot == std::string::npos || !all_digits(stem.substr(counter_dot + 1))) return false;
    const std::size_t pid_dot = stem.rfind('.', counter_dot - 1);
    if (pid_dot == std::string::npos || pid_dot < 2) return false;
    const std::string digits = stem.substr(pid_dot + 1, counter_dot - pid_dot - 1);
    if (!all_digits(digits)) return false;
    *pid = std::strtol(digits.c_str(), nullptr, 10);
    return *pid > 0;
}

int remove_abandoned_temporaries(const char* folder, int depth) {
    std::string host = fs_host_path(folder);
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return remove_in(host.empty() ? std::string(".") : host, depth);
}
