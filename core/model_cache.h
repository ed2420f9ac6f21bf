// Parsed model files shared by every load of the same file in one run of the program: each
// hostile rocket loads "common\target.x" again, and parsing the text is most of a load. An
// entry is keyed by the file the name resolves to and kept while the file's stamp (size,
// modification time, file number) is unchanged; a changed file is parsed again. Failures are
// logged and never kept.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/x_file.h"

class model_cache {
public:
    // More files or more bytes of model text than this and the cache starts again: a run
    // loads a few dozen models, and a parsed tree takes a few times its text.
    static constexpr std::size_t k_max_files = 256;
    static constexpr long long k_max_bytes = 32ll << 20;

    // The parsed file of a program name (".xx" files unscrambled); none when it cannot be read
    // or parsed, which is logged.
    std::shared_ptr<const x_file> read(const char* name);
    void clear() {
        entries_.clear();
        bytes_ = 0;
    }
    // Files parsed so far (not taken from the cache).
    int parse_count() const { return parses_; }

private:
    struct entry {
        file_stamp stamp;
        std::shared_ptr<const x_file> file;
    };
    std::map<std::string, entry> entries_;
    long long bytes_ = 0;  // file sizes of the entries
    int parses_ = 0;
};

// The program's one cache.
model_cache& shared_model_cache();
