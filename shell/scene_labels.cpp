// The scene's share of the object labels: its systems by name at their command posts, the
// hostile rockets still flying and the interceptors still alive.
#include "core/frame.h"
#include "core/mesh.h"
#include "core/scene_services.h"
#include "shell/scene.h"
#include "simulation/control_unit.h"
#include "simulation/missile.h"
#include "simulation/missile_system.h"
#include "simulation/rocket.h"

namespace {

constexpr std::uint32_t k_green = 0xFF00FF00u;
constexpr std::uint32_t k_red = 0xFFFF0000u;

bool add_label(object_label* out, int capacity, int* count, const vec3& at, const char* text,
               std::uint32_t colour) {
    if (*count >= capacity) return false;
    out[*count] = {at, text, colour};
    ++*count;
    return true;
}

}  // namespace

int scene::collect_labels(object_label* out, int capacity) const {
    int count = 0;
    const int systems = tables.system_count;
    for (int i = 0; i < systems && i < k_max_systems; ++i) {
        const missile_system* s = tables.systems[i];
        if (s == nullptr || !s->control || s->control->command_post == nullptr) continue;
        add_label(out, capacity, &count, s->control->command_post->world_position(), s->name, k_green);
    }
    for (int i = 0; i < tables.target_count && i < k_max_targets; ++i) {
        const rocket* r = tables.targets[i];
        if (r == nullptr || r->destroyed) continue;
        add_label(out, capacity, &count, r->world_position(), "Rocket", k_red);
    }
    for (int i = 0; i < systems && i < k_max_systems; ++i) {
        const missile_system* s = tables.systems[i];
        if (s == nullptr) continue;
        for (int k = 0; k < s->missile_count && k < missile_system::k_max_missiles; ++k) {
            const missile* m = s->missiles[k];
            if (m == nullptr || m->dead) continue;
            add_label(out, capacity, &count, m->world_position(), "Missile", k_green);
        }
    }
    return count;
}
