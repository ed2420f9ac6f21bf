#include "simulation/seeker.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

namespace {

// The aperture a range needs: range = 10 x diameter² (m, cm).
constexpr float k_range_per_diameter_squared = 10.0f;

}  // namespace

seeker::seeker() { copy_text(name, "New Seeker"); }

void seeker::apply_limits(bool diameter_edited) {
    fins_lock_time = std::min(std::max(fins_lock_time, 0.0f), 1000.0f);
    if (diameter_edited) {
        seeker_diameter = std::min(std::max(seeker_diameter, 0.0f), 100.0f);
        detection_range = std::min(std::max(detection_range, 0.0f),
                                   k_range_per_diameter_squared * seeker_diameter * seeker_diameter);
    } else {
        detection_range = std::min(std::max(detection_range, 0.0f), 10000.0f);
        seeker_diameter = std::max(std::min(seeker_diameter, 100.0f),
                                   std::sqrt(detection_range / k_range_per_diameter_squared));
    }
}

bool seeker::load(const char* design_name) {
    design_path path;
    if (!make_design_path("seekers", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file)) return false;
    while (in.next_line()) {
        if (in.has("[boost_phase]")) boost_phase = in.flag(boost_phase);
        if (in.has("[fins_lock_time]")) fins_lock_time = in.real(fins_lock_time);
        if (in.has("[midcourse_phase]")) midcourse_phase = in.flag(midcourse_phase);
        if (in.has("[midcourse_type]")) midcourse_type = in.whole(midcourse_type);
        if (in.has("[terminal_phase]")) terminal_phase = in.flag(terminal_phase);
        if (in.has("[terminal_type]")) terminal_type = in.whole(terminal_type);
        if (in.has("[detection_range]")) detection_range = in.real(detection_range);
        if (in.has("[seeker_diameter]")) seeker_diameter = in.real(seeker_diameter);
        if (in.has("[seeker_error]")) seeker_error = in.real(seeker_error);
        if (in.has("[self_destruct]")) self_destruct = in.real(self_destruct);
    }
    if (!in.took_values()) return false;
    // The law numbers follow from the types: any other type would pick another phase's law.
    in.bound("[midcourse_type]", midcourse_type, 0, 1);
    in.bound("[terminal_type]", terminal_type, 0, 1);
    in.bound("[fins_lock_time]", fins_lock_time, 0.0f, 1000.0f);
    in.bound("[detection_range]", detection_range, 0.0f, 100000.0f);  // 1 m of aperture
    in.bound("[seeker_diameter]", seeker_diameter, 0.0f, 100.0f);
    in.bound("[seeker_error]", seeker_error, 0.0f, 1.0f);
    in.bound("[self_destruct]", self_destruct, 0.0f, 10000.0f);
    copy_text(name, path.name);
    return true;
}

bool seeker::save(const char* design_name) {
    design_path path;
    if (!make_design_path("seekers", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Guidance Definition File");
    out.blank();
    out.flag(boost_phase != 0, "[boost_phase]");
    out.real(fins_lock_time, "[fins_lock_time]");
    out.flag(midcourse_phase != 0, "[midcourse_phase]");
    out.whole(midcourse_type, "[midcourse_type]");
    out.flag(terminal_phase != 0, "[terminal_phase]");
    out.whole(terminal_type, "[terminal_type]");
    out.real(detection_range, "[detection_range]");
    out.real(seeker_diameter, "[seeker_diameter]");
    out.real(seeker_error, "[seeker_error]");
    out.real(self_destruct, "[self_destruct]");
    out.blank();
    for (const char* line :
         {"@", "guidance data units", "", "dimeter of seeker (cm)", "detection range (m)", "fins lock time (sec)",
          "midcourse_type: 0 - command intercept, 1 - command line of sight",
          "terminal_type: 0 - homing pursuit, 1 - homing proportional", ""}) {
        out.text(line);
    }
    return out.close();
}
