#include "platform/replacing_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
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
