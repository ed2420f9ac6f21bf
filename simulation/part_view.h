// The camera of a part's design view: the part drawn before an identity view through a
// 0.5 rad perspective of the current viewport (1 to 5000 units deep). The view, projection
// and world transforms the scene had are put back when the part view ends; the lights and
// states each part sets are its own.
#pragma once

#include "platform/gfx_device.h"

class part_view {
public:
    explicit part_view(gfx_device* d);
    ~part_view();
    part_view(const part_view&) = delete;
    part_view& operator=(const part_view&) = delete;

private:
    mat4 view_, projection_, world_;
};
