// What every file-reading fuzz target sets up once per process: a private run folder, in
// memory where the system has one (/dev/shm), so that writing each input as a file costs no
// disk traffic; removed at exit.
#pragma once

#include <unistd.h>

#include <cstdlib>

#include "tests/support/temp_folder.h"

inline bool use_memory_temp_folder() {
    if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
    return true;
}

struct fuzz_folder {
    bool in_memory = use_memory_temp_folder();
    temp_folder folder;
};
