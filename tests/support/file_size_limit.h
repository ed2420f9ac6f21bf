// A full disk, reproducibly: runs a piece of a test in a forked child whose files may grow to
// at most a given number of bytes. Writes past the limit fail with EFBIG (SIGXFSZ is ignored,
// as a program on a full disk gets ENOSPC rather than a signal).
#pragma once

#include <cstddef>
#include <functional>

// True when the child ended normally and check returned true in it. Whatever the child did in
// memory (log lines, changed objects) stays in the child; its files are what the parent sees.
bool in_child_with_file_size_limit(std::size_t limit, const std::function<bool()>& check);
