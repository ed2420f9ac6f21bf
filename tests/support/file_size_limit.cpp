#include "tests/support/file_size_limit.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

bool in_child_with_file_size_limit(std::size_t limit, const std::function<bool()>& check) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        const rlimit size{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        ::setrlimit(RLIMIT_FSIZE, &size);
        std::signal(SIGXFSZ, SIG_IGN);
        // _exit: no destructor, leak check or log file of the parent's objects runs twice.
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
