#include "design/design_area_clip.h"

#include "design/design_screen.h"

namespace design {

design_area_clip::design_area_clip(gfx_device* d)
    : d_(d), viewport_(d->viewport()), projection_(d->transform(TS_PROJECTION)) {
    const gfx_viewport area = design_area_viewport(viewport_);
    if (area.width == 0 || area.width >= viewport_.width) return;
    const float widening = static_cast<float>(viewport_.width) / static_cast<float>(area.width);
    d->set_transform(TS_PROJECTION, projection_ * mat_scaling(widening, 1.0f, 1.0f));
    d->set_viewport(area);
}

design_area_clip::~design_area_clip() {
    d_->set_viewport(viewport_);
    d_->set_transform(TS_PROJECTION, projection_);
}

}  // namespace design
