#include "simulation/part_view.h"

#include "core/device_calls.h"

part_view::part_view(gfx_device* d) {
    view_ = d->transform(TS_VIEW);
    projection_ = d->transform(TS_PROJECTION);
    world_ = d->transform(TS_WORLD);
    device_set_view(mat_identity());
    const gfx_viewport v = d->viewport();
    const float aspect = v.height > 0 ? static_cast<float>(v.width) / static_cast<float>(v.height) : 1.0f;
    device_set_projection(mat_perspective_fov_lh(0.5f, aspect, 1.0f, 5000.0f));
}

part_view::~part_view() {
    device_set_world(world_);
    device_set_projection(projection_);
    device_set_view(view_);
}
