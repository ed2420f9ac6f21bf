#include "simulation/definition_texts.h"

#include <utility>

namespace {

definition_texts* g_texts_in_use = nullptr;

}  // namespace

const std::string* definition_texts::find(const std::string& file) const {
    const auto it = texts_.find(file);
    if (it == texts_.end()) return nullptr;
    file_stamp now;
    if (!fs_stamp(file.c_str(), &now) || !(now == it->second.stamp)) return nullptr;
    return &it->second.text;
}

void definition_texts::keep(const std::string& file, const file_stamp& stamp, std::string text) {
    texts_[file] = kept{stamp, std::move(text)};
    ++files_read_;
}

definition_texts::use::use(definition_texts* texts) : previous_(g_texts_in_use) { g_texts_in_use = texts; }

definition_texts::use::~use() { g_texts_in_use = previous_; }

definition_texts* definition_texts::in_use() { return g_texts_in_use; }
