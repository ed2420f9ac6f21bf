// The definition files of one launch wave. Every missile a system fires is built from the
// same design files (the missile file and its four parts); the wave's first shot reads them and
// the rest take the texts kept here. A kept text is used only while its file's stamp is
// unchanged, so a design saved during a wave is read again. While a set is in use (a `use`
// object lives), every definition_reader takes the files it can from it and adds the ones it
// reads.
#pragma once

#include <map>
#include <string>

#include "platform/files.h"

class definition_texts {
public:
    // The kept text of a file whose stamp is still the one it was read with; none otherwise.
    const std::string* find(const std::string& file) const;
    void keep(const std::string& file, const file_stamp& stamp, std::string text);
    void clear() { texts_.clear(); }
    // Files read from the disk into the set so far.
    int files_read() const { return files_read_; }

    // Puts a set in use for the readers while it lives (none: no set); the previous one comes
    // back after.
    class use {
    public:
        explicit use(definition_texts* texts);
        ~use();
        use(const use&) = delete;
        use& operator=(const use&) = delete;

    private:
        definition_texts* previous_;
    };
    static definition_texts* in_use();

private:
    struct kept {
        file_stamp stamp;
        std::string text;
    };
    std::map<std::string, kept> texts_;
    int files_read_ = 0;
};
