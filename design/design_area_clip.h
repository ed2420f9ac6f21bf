// A 3-D drawing kept inside the design screens' 4:3 area. In a window wider than 4:3 the
// screens' panels keep to the centred 4:3 area and black margins lie beside it; what a preview
// throws out sideways (a warhead's burst, a motor's flame and smoke on the stand) would be
// drawn into those margins. While one of these lives the viewport is narrowed to the area and
// the projection widened by as much, so everything keeps its place on the screen and is cut
// at the area's edges.
#pragma once

#include "platform/gfx_device.h"

namespace design {

class design_area_clip {
public:
    explicit design_area_clip(gfx_device* d);
    ~design_area_clip();
    design_area_clip(const design_area_clip&) = delete;
    design_area_clip& operator=(const design_area_clip&) = delete;

private:
    gfx_device* d_;
    gfx_viewport viewport_;
    mat4 projection_;
};

}  // namespace design
