// Files the user keeps that belong together (a design is eight definition files), replaced
// all together or not at all. While a batch is open, a replacing_file opened in it finishes
// its temporary file at commit (written, flushed, synced and closed) and leaves the rename to
// the batch; the batch's commit renames them in turn only when every one is complete. A batch
// dropped without a commit, or one in which any file failed, removes every temporary file it
// holds and leaves every target as it was. (The renames themselves, within one folder each,
// do not fail short of the disk going away.)
#pragma once

#include <string>
#include <vector>

class replacing_batch {
public:
    // Becomes the open batch until it is destroyed (a batch opened inside another is its own).
    replacing_batch();
    ~replacing_batch();
    replacing_batch(const replacing_batch&) = delete;
    replacing_batch& operator=(const replacing_batch&) = delete;

    // Renames every finished file over its target; false, with the remaining temporary files
    // removed, when a file of the batch failed or a rename fails.
    bool commit();

    // The system's reason for the first failure in the batch ("No space left on device"),
    // empty when none.
    const std::string& error() const { return error_; }

    // The batch replacing files join when they open; none outside a batch.
    static replacing_batch* open_batch();

private:
    friend class replacing_file;
    struct finished_file {
        std::string temp;    // host paths
        std::string target;
    };
    void add_finished(const std::string& temp, const std::string& target);
    void note_failure(const std::string& error);
    void remove_temporaries();

    std::vector<finished_file> finished_;
    std::string error_;
    bool failed_ = false;
    replacing_batch* outer_ = nullptr;
};
