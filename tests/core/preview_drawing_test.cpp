// A 3-D preview drawn over a GUI window gives the device back as the GUI left it: every state
// a model's drawing may change (lighting, depth, blending, material colour sources, texture
// stages and samplers, transforms, material, textures and shaders) is back after the preview,
// whatever it changed, and what it did not change is not touched.
#include <gtest/gtest.h>

#include <memory>

#include "core/preview_drawing.h"
#include "platform/recording_device.h"

namespace {

std::unique_ptr<recording_device> gui_device() {
    present_params p;
    p.back_buffer_width = 64;
    p.back_buffer_height = 48;
    p.back_buffer_format = FMT_X8R8G8B8;
    auto d = std::make_unique<recording_device>(p);
    // As the GUI draws: unlit, no depth test, blended, the 2-D transforms.
    d->set_render_state(RS_LIGHTING, 0);
    d->set_render_state(RS_ZENABLE, 0);
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    d->set_transform(TS_VIEW, mat_scaling(0.5f, 0.5f, 1.0f));
    d->set_transform(TS_PROJECTION, mat_identity());
    return d;
}

bool same(const mat4& a, const mat4& b) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (a.m[r][c] != b.m[r][c]) return false;
    return true;
}

}  // namespace

TEST(PreviewDrawing, EveryStateAModelChangesIsBackAfterThePreview) {
    auto d = gui_device();
    shader_ptr shader;
    ASSERT_EQ(d->create_vertex_shader("vs", &shader), S_OK);
    const device_state before = d->state();
    {
        const preview_drawing drawing(d.get());
        // What the motor, warhead and airframe drawings leave behind.
        d->set_render_state(RS_LIGHTING, 1);
        d->set_render_state(RS_ZENABLE, 1);
        d->set_render_state(RS_SPECULARENABLE, 1);
        d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_MATERIAL);
        d->set_render_state(RS_FILLMODE, FILL_WIREFRAME);
        d->set_render_state(RS_SRCBLEND, BLEND_ONE);
        d->set_render_state(RS_DESTBLEND, BLEND_ONE);
        d->set_texture_stage_state(0, TSS_COLOROP, TOP_BLENDFACTORALPHA);
        d->set_texture_stage_state(1, TSS_COLOROP, TOP_MODULATE);
        d->set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
        d->set_transform(TS_WORLD, mat_translation(1.0f, 2.0f, 3.0f));
        d->set_transform(TS_VIEW, mat_identity());
        d->set_transform(TS_PROJECTION, mat_perspective_fov_lh(0.5f, 1.3f, 1.0f, 100.0f));
        d->set_transform(TS_TEXTURE0, mat_scaling(2.0f, 2.0f, 2.0f));
        gfx_material grey;
        grey.diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
        d->set_material(grey);
        d->set_vertex_shader(shader.get());
        d->set_fvf(0x142);
    }
    const device_state& after = d->state();
    for (int k = 0; k < k_render_state_count; ++k) EXPECT_EQ(after.render[k], before.render[k]) << "render state " << k;
    for (int s = 0; s < k_max_stages; ++s) {
        for (int k = 0; k < k_stage_state_count; ++k) {
            EXPECT_EQ(after.stage[s][k], before.stage[s][k]) << "stage " << s << " state " << k;
        }
        EXPECT_TRUE(same(after.texture_transform[s], before.texture_transform[s])) << "stage " << s;
    }
    EXPECT_EQ(after.sampler[0][SAMP_MAGFILTER], before.sampler[0][SAMP_MAGFILTER]);
    EXPECT_TRUE(same(after.world[0], before.world[0]));
    EXPECT_TRUE(same(after.view, before.view));
    EXPECT_TRUE(same(after.projection, before.projection));
    EXPECT_EQ(after.material.diffuse.r, before.material.diffuse.r);
    EXPECT_EQ(after.fvf, before.fvf);
    EXPECT_EQ(d->vertex_shader(), nullptr);
    EXPECT_EQ(d->render_state(RS_LIGHTING), 0u);
    EXPECT_EQ(d->render_state(RS_ZENABLE), 0u);
}

TEST(PreviewDrawing, NestedPreviewsAndNoDeviceLeaveTheOuterStateAlone) {
    auto d = gui_device();
    {
        const preview_drawing outer(d.get());
        d->set_render_state(RS_LIGHTING, 1);
        {
            // A model preview inside the hub's drawing: it gives back the hub's lit state.
            const preview_drawing inner(d.get());
            d->set_render_state(RS_LIGHTING, 0);
            d->set_render_state(RS_ZENABLE, 1);
        }
        EXPECT_EQ(d->render_state(RS_LIGHTING), 1u);
        EXPECT_EQ(d->render_state(RS_ZENABLE), 0u);
    }
    EXPECT_EQ(d->render_state(RS_LIGHTING), 0u);
    // Without a device there is nothing to keep or give back.
    { const preview_drawing none(nullptr); }
    EXPECT_EQ(d->render_state(RS_LIGHTING), 0u);
}
