#include "simulation/definition_faults.h"

#include <algorithm>

#include "core/d3d_app.h"
#include "platform/text.h"

namespace {

definition_faults* g_faults_in_use = nullptr;

// The longest line a caption of the notice shows whole (its 128-byte text less the end).
constexpr std::size_t k_caption_line = 127;

}  // namespace

std::string definition_faults::notice() const {
    if (faults_.empty()) return {};
    if (faults_.size() == 1) {
        const fault& f = faults_.front();
        const std::string line = "Could not load " + f.file + ": " + f.why;
        return line.size() <= k_caption_line ? line : "Could not load " + f.file + ": " + f.kind;
    }
    std::string text = format_string("Could not load %zu damaged files (Logfile.txt says why):", faults_.size());
    const std::size_t shown = std::min<std::size_t>(faults_.size(), k_notice_lines);
    for (std::size_t i = 0; i < shown; ++i) text += "\n" + faults_[i].file + ": " + faults_[i].kind;
    if (shown < faults_.size()) {
        text += format_string("\nand %zu more: Logfile.txt lists them", faults_.size() - shown);
    }
    return text;
}

void definition_faults::report(const std::string& file, const char* kind, const std::string& why) {
    log_line_once("%s cannot be read whole: %s", file.c_str(), why.c_str());
    if (g_faults_in_use == nullptr) return;
    // A file read again (a system reads its missile's parts for every shot) is listed once.
    for (const fault& f : g_faults_in_use->faults_) {
        if (f.file == file && f.why == why) return;
    }
    g_faults_in_use->faults_.push_back({file, kind, why});
}

definition_faults::use::use(definition_faults* faults) : previous_(g_faults_in_use) { g_faults_in_use = faults; }

definition_faults::use::~use() { g_faults_in_use = previous_; }
