// An overlay on a recording device with a back buffer of a chosen size, set up as the GUI
// sets it: GUI scale, GUI view transform, identity world and projection, fonts drawn.
#pragma once

#include <memory>

#include "platform/recording_device.h"
#include "ui/overlay2d.h"

struct overlay_setup {
    std::unique_ptr<recording_device> device;
    std::unique_ptr<overlay2d> overlay;

    explicit overlay_setup(int width, int height, bool fonts = true) {
        present_params p;
        p.back_buffer_width = static_cast<std::uint32_t>(width);
        p.back_buffer_height = static_cast<std::uint32_t>(height);
        p.back_buffer_format = FMT_X8R8G8B8;
        device = std::make_unique<recording_device>(p);
        overlay = std::make_unique<overlay2d>();
        overlay->make_splash = nullptr;
        g_overlay = overlay.get();
        overlay->set_device(device.get());
        overlay->set_gui_scale(width, height);
        device->set_transform(TS_VIEW, overlay->gui_view_matrix());
        device->set_transform(TS_WORLD, mat_identity());
        device->set_transform(TS_PROJECTION, mat_identity());
        device->set_render_state(RS_LIGHTING, 0);
        device->set_render_state(RS_CULLMODE, CULL_NONE);
        overlay->update_scale();
        if (fonts) overlay->rescale_fonts();
        device->clear_records();
    }
    ~overlay_setup() {
        overlay.reset();
        device.reset();
    }
};
