#include "platform/replacing_batch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
replacing_batch* g_open_batch = nullptr;
}

replacing_batch::replacing_batch() : outer_(g_open_batch) { g_open_batch = this; }

replacing_batch::~replacing_batch() {
    remove_temporaries();
    g_open_batch = outer_;
}

replacing_batch* replacing_batch::open_batch() { return g_open_batch; }

bool replacing_batch::commit() {
    if (failed_) {
        remove_temporaries();
        return false;
    }
    for (std::size_t i = 0; i < finished_.size(); ++i) {
        if (std::rename(finished_[i].temp.c_str(), finished_[i].target.c_str()) == 0) {
            finished_[i].temp.clear();
            continue;
        }
        note_failure(std::strerror(errno != 0 ? errno : EIO));
        remove_temporaries();
        return false;
    }
    finished_.clear();
    return true;
}

void replacing_batch::add_finished(const std::string& temp, const std::string& target) {
    finished_.push_back({temp, target});
}

void replacing_batch::note_failure(const std::string& error) {
    if (!failed_) error_ = error;
    failed_ = true;
}

void replacing_batch::remove_temporaries() {
    for (const finished_file& f : finished_) {
        if (!f.temp.empty()) std::remove(f.temp.c_str());
    }
    finished_.clear();
}
