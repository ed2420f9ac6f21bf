#include "simulation/definition_faults.h"

#include "core/d3d_app.h"

namespace {

definition_faults* g_faults_in_use = nullptr;

}  // namespace

void definition_faults::report(const std::string& file, const std::string& why) {
    log_line_once("%s cannot be read whole: %s", file.c_str(), why.c_str());
    if (g_faults_in_use == nullptr) return;
    // A file read again (a system reads its missile's parts for every shot) is listed once.
    for (const fault& f : g_faults_in_use->faults_) {
        if (f.file == file && f.why == why) return;
    }
    g_faults_in_use->faults_.push_back({file, why});
}

definition_faults::use::use(definition_faults* faults) : previous_(g_faults_in_use) { g_faults_in_use = faults; }

definition_faults::use::~use() { g_faults_in_use = previous_; }
