#include "design/design_screens.h"

#include "ui/screens.h"

namespace design {

void install_design_screens() {
    install_design_screen(design_screen_id::missile, missile_design_screen);
    install_design_screen(design_screen_id::aero, aero_design_screen);
    install_design_screen(design_screen_id::test_conditions, test_conditions_screen);
    install_design_screen(design_screen_id::warhead, warhead_design_screen);
    install_design_screen(design_screen_id::fuse, fuse_design_screen);
    install_design_screen(design_screen_id::guidance, guidance_design_screen);
    install_design_screen(design_screen_id::scenario, scenario_design_screen);
    install_design_screen(design_screen_id::motor, motor_design_screen);
    install_design_screen(design_screen_id::control_unit, control_unit_design_screen);
    install_design_screen(design_screen_id::launcher, launcher_design_screen);
}

}  // namespace design
