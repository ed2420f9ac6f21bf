// The application state's effect services: each forwards its recipe to the scene services and
// keeps the emitter it made.
#include "core/app_state.h"
#include "core/scene_services.h"

void app_state::spawn_impact_smoke(float x, float y, float z, frame* parent, float s) {
    current_object = make_impact_smoke(x, y, z, parent, s);
}

void app_state::spawn_impact_spray(float x, float y, float z, frame* parent, float s) {
    current_object = make_impact_spray(x, y, z, parent, s);
}

void app_state::spawn_fire_burst(float x, float y, float z, frame* parent, float s) {
    current_object = make_fire_burst(x, y, z, parent, s);
}

void app_state::spawn_white_smoke(float x, float y, float z, frame* parent, float s) {
    current_object = make_white_smoke(x, y, z, parent, s);
}
