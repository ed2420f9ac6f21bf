#include "simulation/missile_file.h"

#include "platform/text.h"
#include "simulation/definition_reader.h"
#include "simulation/definition_writer.h"

missile_file::missile_file() {
    copy_text(config_name, "New Config");
    copy_text(motor_name, "New Motor");
    copy_text(warhead_name, "New Warhead");
    copy_text(seeker_name, "New Seeker");
}

bool missile_file::read(const char* design_name) {
    design_path path;
    if (!make_design_path("missiles", design_name, &path)) return false;
    definition_reader in;
    damage.clear();
    if (!in.open(path.file)) return false;
    unsigned named = 0;  // a bit for each key found
    while (in.next_line()) {
        if (in.name_at("[config_name]", config_name)) named |= 1u;
        if (in.name_at("[motor_name]", motor_name)) named |= 2u;
        if (in.name_at("[warhead_name]", warhead_name)) named |= 4u;
        if (in.name_at("[seeker_name]", seeker_name)) named |= 8u;
    }
    damage = definition_damage(in, named == 15u);
    return true;
}

bool missile_file::write(const char* design_name) const {
    design_path path;
    if (!make_design_path("missiles", design_name, &path)) return false;
    definition_writer out;
    if (!out.open(path.file)) return false;
    out.text("Missile system Definition File");
    out.blank();
    out.name(config_name, "[config_name]");
    out.name(motor_name, "[motor_name]");
    out.name(warhead_name, "[warhead_name]");
    out.name(seeker_name, "[seeker_name]");
    out.blank();
    return out.close();
}
