// The motor definition file "motors\<name>.txt".
#include <algorithm>

#include "core/d3d_app.h"
#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"
#include "simulation/rocket_motor.h"

namespace {

// Each charge record ends with its burn-rate coefficient.
constexpr definition_records k_charges{"[NS]", "[AC]", motor_max_charges, "charges"};

}  // namespace

bool rocket_motor::load(const char* design_name) {
    design_path path;
    if (!make_design_path("motors", design_name, &path)) return false;
    definition_reader in;
    if (!in.open_whole(path.file, &k_charges)) return false;
    int charge = 0;
    bool overflow_logged = false;
    while (in.next_line()) {
        if (in.has("[OTD]")) chamber_diameter = in.real(chamber_diameter);
        if (in.has("[DTR]")) throat_diameter = in.real(throat_diameter);
        if (in.has("[DEX]")) exit_diameter = in.real(exit_diameter);
        if (in.has("[LEN]")) chamber_length = in.real(chamber_length);
        if (in.has("[IG_TYPE]")) ignition_type = in.whole(ignition_type);
        if (in.has("[GAM]")) gamma = in.real(gamma);
        if (in.has("[PIG]")) ignition_pressure = in.real(ignition_pressure);
        if (in.has("[NS]")) {
            charge_count = in.whole(charge_count);
            in.bound("[NS]", charge_count, 0, motor_max_charges);
        }
        const bool charge_key = in.has("[TYP]") || in.has("[LENC]") || in.has("[OTDC]") ||
                                in.has("[INDC]") || in.has("[ROC]") || in.has("[ISP]") ||
                                in.has("[NC]") || in.has("[AC]");
        if (!charge_key) continue;
        if (charge >= motor_max_charges) {
            if (!overflow_logged) log_line_once("%s: charges beyond %d ignored", path.file.c_str(), motor_max_charges);
            overflow_logged = true;
            continue;
        }
        if (in.has("[TYP]")) charge_type[charge] = in.whole(charge_type[charge]);
        if (in.has("[LENC]")) charge_length[charge] = in.real(charge_length[charge]);
        if (in.has("[OTDC]")) charge_outer[charge] = in.real(charge_outer[charge]);
        if (in.has("[INDC]")) charge_inner[charge] = in.real(charge_inner[charge]);
        if (in.has("[ROC]")) charge_density[charge] = in.real(charge_density[charge]);
        if (in.has("[ISP]")) charge_isp[charge] = in.real(charge_isp[charge]);
        if (in.has("[NC]")) charge_exponent[charge] = in.real(charge_exponent[charge]);
        if (in.has("[AC]")) {
            charge_coefficient[charge] = in.real(charge_coefficient[charge]);
            ++charge;  // each charge record ends with its burn-rate coefficient
        }
    }
    if (!in.took_values()) return false;
    in.bound("[OTD]", chamber_diameter, 0.1f, k_max_diameter);
    in.bound("[DTR]", throat_diameter, 0.01f, k_max_diameter);
    in.bound("[DEX]", exit_diameter, throat_diameter + 0.1f, std::max(throat_diameter + 0.1f, 5.0f * throat_diameter));
    in.bound("[LEN]", chamber_length, 0.1f, k_max_length);
    in.bound("[IG_TYPE]", ignition_type, 0, 1);
    in.bound("[GAM]", gamma, 1.05f, 1.67f);
    in.bound("[PIG]", ignition_pressure, 2.0f, 200.0f);
    for (int i = 0; i < charge_count; ++i) {
        in.bound("[LENC]", charge_length[i], 0.0f, k_max_length);
        in.bound("[OTDC]", charge_outer[i], 0.0f, k_max_diameter);
        in.bound("[INDC]", charge_inner[i], 0.0f, k_max_diameter);
        in.bound("[ROC]", charge_density[i], 0.5f, 5.0f);
        in.bound("[ISP]", charge_isp[i], 50.0f, 500.0f);
        in.bound("[NC]", charge_exponent[i], 0.0f, 0.9f);
        in.bound("[AC]", charge_coefficient[i], 0.0f, 200.0f);
    }
    build_casing();
    for (int i = 0; i < motor_max_charges; ++i) build_charge(i);
    copy_text(name, path.name);
    return true;
}

bool rocket_motor::save(const char* design_name) {
    design_path path;
    if (!make_design_path("motors", design_name, &path)) return false;
    copy_text(name, path.name);
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Rocket Motor Definition File");
    out.blank();
    out.real(chamber_diameter, "[OTD]");
    out.real(throat_diameter, "[DTR]");
    out.real(exit_diameter, "[DEX]");
    out.real(chamber_length, "[LEN]");
    out.blank();
    out.whole(ignition_type, "[IG_TYPE]");
    out.real(gamma, "[GAM]");
    out.real(ignition_pressure, "[PIG]");
    const int charges = std::clamp(charge_count, 0, motor_max_charges);
    out.whole(charges, "[NS]");
    out.blank();
    for (int i = 0; i < charges; ++i) {
        out.whole(charge_type[i], "[TYP]");
        out.real(charge_length[i], "[LENC]");
        out.real(charge_outer[i], "[OTDC]");
        out.real(charge_inner[i], "[INDC]");
        out.real(charge_density[i], "[ROC]");
        out.real(charge_isp[i], "[ISP]");
        out.real(charge_exponent[i], "[NC]");
        out.real(charge_coefficient[i], "[AC]");
        out.blank();
    }
    for (const char* line :
         {"@", "ROCKET MOTOR DATA UNITS", "", "DIMETER OF CHAMBER (cm)", "DIMETER OF THROAT (cm)",
          "DIMETER OF EXIT (cm)", "LENGTH OF CHAMBER (cm)", "", "IGNITION PRESSURE (atm)", "GAMMA OF GAS", "",
          "NUMBER OF CHARGES", "IGNITION TYPE (ALL AT ONCE, ONE BY ONE)", "", "TYPE OF CHARGE", "1 - CIGAR BURN",
          "2 - TUBULAR BURN (OUT AND IN)", "3 - TUBULAR BURN (INSIDE ONLY)", "4 - SLOTTED CYLINDER BURN",
          "5 - STAR SHAPE BURN", "6 - TUBULAR BURN (OUTSIDE ONLY)", "", "TYPE OF CHARGE 1,2,3,4,5,6",
          "LENGTH OF CHARGE 1,2 (cm)", "OUTER DIAMETER OF CHARGE (cm)", "INNER DIAMETER OF CHARGE (cm)",
          "DENSITY OF CHARGE (gm/cm^3)", "SPECIFIC IMPULSE OF CHARGE (sec)",
          "BALLISTIC CONSTANT OF CHARGE DR(mm/sec) = AC*PC(mpa)^NC",
          "BALLISTIC CONSTANT OF CHARGE DR(mm/sec) = AC*PC(mpa)^NC"}) {
        out.text(line);
    }
    return out.close();
}
