// A file the user keeps (settings, designs, situations, exports), written whole or not at all.
// The bytes go to a new temporary file beside the target; only after every write, the flush
// to the disk and the close have succeeded is it renamed over the target, which is atomic
// within one file system. Any failure removes the temporary file and leaves the old target as
// it was, so a full disk or a file-size limit never costs the user the file they had. A file
// opened while a replacing_batch is open is renamed by the batch, with the others.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class replacing_batch;

class replacing_file {
public:
    replacing_file() = default;
    // An open write that was not committed is abandoned.
    ~replacing_file();
    replacing_file(const replacing_file&) = delete;
    replacing_file& operator=(const replacing_file&) = delete;

    // Starts a write of the file (a program name). False when the temporary file cannot be
    // made (a missing folder is not created, a folder cannot be replaced).
    bool open(const char* name);
    // Appends bytes; false once any write has failed (later writes do nothing).
    bool write(const void* data, std::size_t size);
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Flushes, syncs and closes the temporary file, then renames it over the target (in a
    // batch: hands it to the batch, which renames it). False, with the temporary file removed
    // and the target untouched, when any step failed.
    bool commit();
    // Drops the write: the temporary file goes, the target stays.
    void abandon();

    // The system's reason for the first failure ("No space left on device"), empty when none.
    const std::string& error() const { return error_; }

private:
    void fail(int error_number);

    std::FILE* file_ = nullptr;
    std::string target_;  // host paths
    std::string temp_;
    std::string error_;
    bool failed_ = false;
    replacing_batch* batch_ = nullptr;  // the batch open when the write started
};

// Once at start-up, before anything is written: a file-size limit (ulimit -f) then makes a
// write fail with "File too large" and the save reports it, instead of the limit's signal
// ending the program in the middle of the write with its temporary file left behind.
void prepare_file_writes();

// Removes the temporary files of replacing writes whose process no longer runs (a save cut
// short by a kill or a power loss), in the folder of a program name and the folders below it
// down to the given depth. Files of running processes (this one included) stay. Returns how
// many were removed.
int remove_abandoned_temporaries(const char* folder, int depth);

// Whether a bare file name is the temporary file of a replacing write (".<name>.<pid>.<n>.tmp");
// the writing process's id goes to pid.
bool is_replacing_temporary(const std::string& name, long* pid);
