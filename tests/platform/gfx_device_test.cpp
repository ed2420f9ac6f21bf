// The device's persistent state, resources and draws, on the recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/recording_device.h"

namespace {

present_params small_params() {
    present_params p;
    p.back_buffer_width = 64;
    p.back_buffer_height = 48;
    p.back_buffer_format = FMT_X8R8G8B8;
    p.enable_auto_depth_stencil = 1;
    p.auto_depth_stencil_format = FMT_D24S8;
    return p;
}

}  // namespace

TEST(GfxDevice, WithoutDepthBufferZIsOffAndCannotBeCleared) {
    present_params no_depth = small_params();
    no_depth.enable_auto_depth_stencil = 0;
    recording_device n(no_depth);
    EXPECT_EQ(n.render_state(RS_ZENABLE), 0u);
    EXPECT_EQ(n.clear(CLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST(GfxDevice, StateIsPersistentAndBoundsChecked) {
    recording_device d(small_params());
    EXPECT_EQ(d.set_render_state(RS_CULLMODE, CULL_CW), S_OK);
    EXPECT_EQ(d.set_render_state_f(RS_FOGDENSITY, 2.3f / 10000.0f), S_OK);
    EXPECT_EQ(d.set_sampler_state(7, SAMP_MIPMAPLODBIAS, float_bits(-2.0f)), S_OK);
    EXPECT_EQ(d.render_state(RS_CULLMODE), CULL_CW);
    EXPECT_FLOAT_EQ(d.render_state_f(RS_FOGDENSITY), 0.00023f);
    EXPECT_FLOAT_EQ(bits_float(d.sampler_state(7, SAMP_MIPMAPLODBIAS)), -2.0f);

    EXPECT_EQ(d.set_render_state(9999, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.set_sampler_state(16, SAMP_ADDRESSU, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.set_texture_stage_state(-1, TSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.set_transform(77, mat_identity()), D3DERR_INVALIDCALL);
    EXPECT_EQ(d.set_light(k_max_lights, gfx_light{}), D3DERR_INVALIDCALL);
    const float big[4 * 8] = {};
    EXPECT_EQ(d.set_vertex_shader_constant_f(k_vs_constants - 4, big, 8), D3DERR_INVALIDCALL);

    const mat4 t = mat_translation(1, 2, 3);
    d.set_transform(TS_WORLD2, t);
    mat4 back;
    ASSERT_EQ(d.get_transform(TS_WORLD2, &back), S_OK);
    EXPECT_EQ(std::memcmp(&back, &t, sizeof t), 0);

    gfx_light sun;
    sun.type = LIGHT_DIRECTIONAL;
    sun.direction[1] = -1;
    sun.range = 1000;
    d.set_light(999, sun);
    d.light_enable(999, true);
    d.light_enable(3, true);
    EXPECT_EQ(d.enabled_lights(), (std::vector<int>{3, 999}));
    gfx_light got;
    d.get_light(999, &got);
    EXPECT_EQ(got.type, LIGHT_DIRECTIONAL);
    // Direction and range are four consecutive floats, as shader constant lines copy them.
    EXPECT_EQ(&got.range, &got.direction[0] + 3);

    // A reset brings every state back to its default and follows the new size.
    present_params bigger = small_params();
    bigger.back_buffer_width = 128;
    ASSERT_EQ(d.reset(bigger), S_OK);
    EXPECT_EQ(d.render_state(RS_CULLMODE), CULL_CCW);
    EXPECT_FALSE(d.light_enabled(999));
    EXPECT_EQ(d.back_buffer()->width(), 128);
    EXPECT_EQ(d.viewport().width, 128u);
}

TEST(GfxDevice, TextureLockGivesRowsWithAPitch) {
    recording_device d(small_params());
    texture_ptr t;
    ASSERT_EQ(d.create_texture(5, 3, 0, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    EXPECT_EQ(t->level_count(), 3);  // 5x3, 2x1, 1x1
    locked_rect r;
    ASSERT_EQ(t->lock_rect(0, &r), S_OK);
    EXPECT_EQ(r.pitch, 20);
    EXPECT_EQ(t->lock_rect(0, &r), D3DERR_INVALIDCALL);  // already locked
    auto* row = static_cast<std::uint8_t*>(r.bits) + 2 * r.pitch;
    row[4 * 4 + 0] = 0x11;  // blue of texel (4, 2)
    row[4 * 4 + 3] = 0xFF;  // alpha
    ASSERT_EQ(t->unlock_rect(0), S_OK);
    EXPECT_EQ(t->level_bits(0)[2 * 20 + 16], 0x11);
    EXPECT_EQ(t->lock_rect(3, &r), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->unlock_rect(0), D3DERR_INVALIDCALL);

    texture_ptr dxt;
    ASSERT_EQ(d.create_texture(10, 10, 1, 0, FMT_DXT1, POOL_MANAGED, &dxt), S_OK);
    ASSERT_EQ(dxt->lock_rect(0, &r), S_OK);
    EXPECT_EQ(r.pitch, 3 * 8);  // three 4x4 blocks of 8 bytes per row
    dxt->unlock_rect(0);

    texture_ptr vol;
    ASSERT_EQ(d.create_volume_texture(4, 4, 6, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &vol), S_OK);
    locked_box b;
    ASSERT_EQ(vol->lock_box(0, &b), S_OK);
    EXPECT_EQ(b.row_pitch, 16);
    EXPECT_EQ(b.slice_pitch, 64);
    vol->unlock_box(0);
    EXPECT_EQ(vol->lock_rect(0, &r), D3DERR_INVALIDCALL);

    texture_ptr cube;
    ASSERT_EQ(d.create_cube_texture(8, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &cube), S_OK);
    ASSERT_EQ(cube->lock_rect(0, &r, 0, FACE_NEGATIVE_Z), S_OK);
    cube->unlock_rect(0, FACE_NEGATIVE_Z);
    EXPECT_EQ(cube->lock_rect(0, &r, 0, 6), D3DERR_INVALIDCALL);

    // A render target's bytes come at its first lock, zeroed, and keep what is written.
    texture_ptr target;
    ASSERT_EQ(d.create_texture(4, 2, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8, POOL_DEFAULT, &target),
              S_OK);
    EXPECT_EQ(static_cast<const gfx_texture&>(*target).level_bits(0), nullptr);
    ASSERT_EQ(target->lock_rect(0, &r), S_OK);
    auto* bytes = static_cast<std::uint8_t*>(r.bits);
    EXPECT_TRUE(std::all_of(bytes, bytes + 2 * r.pitch, [](std::uint8_t v) { return v == 0; }));
    bytes[r.pitch + 5] = 0x42;
    target->unlock_rect(0);
    ASSERT_EQ(target->lock_rect(0, &r), S_OK);
    EXPECT_EQ(static_cast<std::uint8_t*>(r.bits)[r.pitch + 5], 0x42);
    target->unlock_rect(0);

    EXPECT_EQ(d.create_texture(0, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), D3DERR_INVALIDCALL);
}

TEST(GfxDevice, DestroyedResourcesAreUnbound) {
    recording_device d(small_params());
    texture_ptr t;
    d.create_texture(4, 4, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8, POOL_DEFAULT, &t);
    vertex_buffer_ptr vb;
    d.create_vertex_buffer(64, 0, FVF_XYZ | FVF_DIFFUSE, POOL_MANAGED, &vb);
    d.set_texture(2, t.get());
    d.set_render_target(0, t->surface_level(0));
    EXPECT_EQ(d.viewport().width, 4u);
    d.set_stream_source(0, vb.get(), 0, 16);
    t.reset();
    vb.reset();
    EXPECT_EQ(d.texture(2), nullptr);
    EXPECT_EQ(d.render_target(), d.back_buffer());
    EXPECT_EQ(d.stream_source(), nullptr);
}

TEST(GfxDevice, RecordsDrawsWithTheirStateAndVertices) {
    recording_device d(small_params());
    struct vertex {
        float x, y, z;
        std::uint32_t color;
    };
    vertex_buffer_ptr vb;
    ASSERT_EQ(d.create_vertex_buffer(5 * 16, 0, FVF_XYZ | FVF_DIFFUSE, POOL_MANAGED, &vb), S_OK);
    void* p = nullptr;
    ASSERT_EQ(vb->lock(0, 0, &p), S_OK);
    auto* v = static_cast<vertex*>(p);
    for (int i = 0; i < 5; ++i) v[i] = vertex{float(i), 0, 0, 0xFF000000u + i};
    vb->unlock();

    d.set_fvf(FVF_XYZ | FVF_DIFFUSE);
    EXPECT_EQ(fvf_stride(d.fvf()), 16);
    d.set_stream_source(0, vb.get(), 0, 16);
    d.set_render_state(RS_CULLMODE, CULL_NONE);
    ASSERT_EQ(d.draw_primitive(PT_TRIANGLESTRIP, 1, 2), S_OK);  // vertices 1..4
    EXPECT_EQ(d.draw_primitive(PT_TRIANGLESTRIP, 2, 2), D3DERR_INVALIDCALL);  // past the end
    d.set_render_state(RS_CULLMODE, CULL_CCW);

    const vertex line[2] = {{0, 0, 0, 1}, {1, 1, 1, 2}};
    ASSERT_EQ(d.draw_primitive_up(PT_LINELIST, 1, line, sizeof(vertex)), S_OK);
    EXPECT_EQ(d.stream_source(), nullptr);

    ASSERT_EQ(d.draws().size(), 2u);
    const draw_record& strip = d.draws()[0];
    EXPECT_EQ(strip.state.render[RS_CULLMODE], CULL_NONE);
    ASSERT_EQ(strip.vertices.size(), 4u * 16u);
    vertex first;
    std::memcpy(&first, strip.vertices.data(), sizeof first);
    EXPECT_EQ(first.x, 1.0f);
    EXPECT_TRUE(d.draws()[1].from_memory);
    EXPECT_EQ(d.draws()[1].state.render[RS_CULLMODE], CULL_CCW);

    EXPECT_EQ(fvf_stride(FVF_XYZ | FVF_TEX1 | fvf_texcoord_size3(0)), 24);
    EXPECT_EQ(fvf_stride(FVF_XYZ | FVF_NORMAL | FVF_TEX2 | fvf_texcoord_size3(0)), 44);
}

TEST(GfxDevice, ShadersTakeRegistersAndFailuresLeaveNone) {
    recording_device d(small_params());
    shader_ptr vs, bad;
    ASSERT_EQ(d.create_vertex_shader("void main() { gl_Position = vs_c[0]; }", &vs), S_OK);
    EXPECT_EQ(d.create_pixel_shader("#error broken", &bad), E_GL_SHADER);
    EXPECT_EQ(bad, nullptr);
    EXPECT_EQ(d.set_pixel_shader(vs.get()), D3DERR_INVALIDCALL);
    ASSERT_EQ(d.set_vertex_shader(vs.get()), S_OK);
    const float c4[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    d.set_vertex_shader_constant_f(4, c4, 2);
    EXPECT_EQ(d.vertex_shader_constant(5)[3], 8.0f);
    vs.reset();
    EXPECT_EQ(d.vertex_shader(), nullptr);
}

TEST(GfxDevice, ResourcesOutlivingTheirDeviceAreDetached) {
    texture_ptr t;
    vertex_buffer_ptr vb;
    {
        recording_device d(small_params());
        d.create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t);
        d.create_vertex_buffer(16, 0, FVF_XYZ, POOL_MANAGED, &vb);
        t->surface_level(0);
        EXPECT_EQ(d.live_resource_count(), 5u);  // back buffer, depth, texture, level, buffer
    }
    EXPECT_EQ(t->device(), nullptr);
    EXPECT_EQ(t->surface_level(0)->device(), nullptr);
    t.reset();  // must not reach the destroyed device
    vb.reset();
}
