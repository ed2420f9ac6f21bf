// The OpenGL device on an off-screen context: large flat areas of read-back pixels. Each
// drawing case runs twice: the back buffer as a texture of its own (no window) and as a
// window's framebuffer (drawn the other way up, read back the same way round).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/image_ops.h"
#include "platform/scripted_window.h"
#include "platform/system/gl_device.h"
#include "platform/texture_image.h"
#include "platform/system/offscreen_framebuffer.h"
#include "platform/system/offscreen_gl.h"

namespace {

constexpr int k_size = 64;

struct vertex {
    float x, y, z;
    std::uint32_t color;
    float u, v;
};
constexpr std::uint32_t k_fvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;

struct lit_vertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct bgra {
    int b, g, r, a;
};

// A device with a k_size square back buffer and a depth-stencil buffer, drawn into `window`
// when one is given (presenting calls `swap`); unlit, unculled, without a depth test.
std::unique_ptr<gfx_device> make_device(const offscreen_framebuffer* window,
                                        std::function<void()> swap = [] {}) {
    gl_window_hooks hooks;
    if (window) {
        hooks.swap = std::move(swap);
        hooks.framebuffer = window->name();
    }
    gl_system system(hooks);
    present_params p;
    p.back_buffer_width = k_size;
    p.back_buffer_height = k_size;
    p.enable_auto_depth_stencil = 1;
    p.auto_depth_stencil_format = FMT_D24S8;
    std::unique_ptr<gfx_device> device;
    EXPECT_EQ(system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device), S_OK);
    if (device) {
        device->set_render_state(RS_LIGHTING, 0);
        device->set_render_state(RS_CULLMODE, CULL_NONE);
        device->set_render_state(RS_ZENABLE, 0);
    }
    return device;
}

class GlDevice : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        context_ = std::make_unique<offscreen_gl>();
        if (!context_->ok()) GTEST_SKIP() << "no OpenGL: " << context_->error();
        if (GetParam()) {
            window_ = std::make_unique<offscreen_framebuffer>(k_size, k_size);
            ASSERT_NE(window_->name(), 0u);
        }
        device_ = make_device(window_.get());
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        device_.reset();
        window_.reset();
        context_.reset();
    }

    // The pixel at column x, row y from the top of the current target.
    bgra pixel(int x, int y, gfx_surface* surface = nullptr) {
        if (!surface) surface = device_->back_buffer();
        locked_rect r;
        EXPECT_EQ(surface->lock(&r), S_OK);
        const auto* p = static_cast<const std::uint8_t*>(r.bits) + y * r.pitch + x * 4;
        bgra c{p[0], p[1], p[2], p[3]};
        surface->unlock();
        return c;
    }

    // A quad from (x0, y0) to (x1, y1) in clip space at depth z, uv (0, 0) at the top left.
    void quad(float x0, float y0, float x1, float y1, float z, std::uint32_t color) {
        const vertex v[4] = {{x0, y1, z, color, 0, 0},
                             {x1, y1, z, color, 1, 0},
                             {x0, y0, z, color, 0, 1},
                             {x1, y0, z, color, 1, 1}};
        device_->set_fvf(k_fvf);
        ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, v, sizeof(vertex)), S_OK);
    }

    std::unique_ptr<offscreen_gl> context_;
    std::unique_ptr<offscreen_framebuffer> window_;
    std::unique_ptr<gfx_device> device_;
};

INSTANTIATE_TEST_SUITE_P(BackBuffer, GlDevice, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("InAWindow") : std::string("Texture");
                         });

// A directional light of colour `diffuse` in slot `index`, shining along +z, switched on.
void shine_along_z(gfx_device* d, int index, const color_value& diffuse) {
    gfx_light sun;
    sun.type = LIGHT_DIRECTIONAL;
    sun.diffuse = diffuse;
    sun.direction[2] = 1;
    d->set_light(index, sun);
    d->light_enable(index, true);
}

void expect_color(const bgra& c, int r, int g, int b, int tolerance = 2) {
    EXPECT_NEAR(c.r, r, tolerance);
    EXPECT_NEAR(c.g, g, tolerance);
    EXPECT_NEAR(c.b, b, tolerance);
}

}  // namespace

TEST_P(GlDevice, ClearsTheViewportAndReadsBackTopRowFirst) {
    ASSERT_EQ(device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF336699u, 1.0f, 0), S_OK);
    gfx_viewport top{0, 0, k_size, 16, 0, 1};
    device_->set_viewport(top);
    device_->clear(CLEAR_TARGET, 0xFFFF0000u, 1.0f, 0);
    expect_color(pixel(10, 40), 0x33, 0x66, 0x99, 0);
    expect_color(pixel(10, 4), 0xFF, 0, 0, 0);
}

// The window's framebuffer holds the picture the GL way up (its row 0 at the bottom), so
// the window shows it upright; a viewport, pretransformed vertices, a vertex program and a
// culled winding land where they do on a target of its own; presenting only swaps.
TEST(GlDeviceInAWindow, DrawsUprightIntoTheWindowAndPresentsWithoutACopy) {
    offscreen_gl context;
    if (!context.ok()) GTEST_SKIP() << "no OpenGL: " << context.error();
    offscreen_framebuffer window(k_size, k_size);
    ASSERT_NE(window.name(), 0u);
    int swaps = 0;
    const std::unique_ptr<gfx_device> d = make_device(&window, [&swaps] { ++swaps; });
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0), S_OK);

    // The top quarter of the screen, red, through a viewport and the fixed-function path.
    gfx_viewport top{0, 0, k_size, k_size / 4, 0, 1};
    d->set_viewport(top);
    const vertex red[4] = {{-1, 1, 0.5f, 0xFFFF0000u, 0, 0}, {1, 1, 0.5f, 0xFFFF0000u, 1, 0},
                           {-1, -1, 0.5f, 0xFFFF0000u, 0, 1}, {1, -1, 0.5f, 0xFFFF0000u, 1, 1}};
    d->set_fvf(k_fvf);
    d->set_render_state(RS_CULLMODE, CULL_CCW);  // clockwise on the screen: kept
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, red, sizeof(vertex)), S_OK);
    d->set_render_state(RS_CULLMODE, CULL_CW);  // the mirror: culled
    const vertex white[4] = {{-1, 1, 0.4f, 0xFFFFFFFFu, 0, 0}, {1, 1, 0.4f, 0xFFFFFFFFu, 1, 0},
                             {-1, -1, 0.4f, 0xFFFFFFFFu, 0, 1}, {1, -1, 0.4f, 0xFFFFFFFFu, 1, 1}};
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, white, sizeof(vertex)), S_OK);
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_viewport(gfx_viewport{0, 0, k_size, k_size, 0, 1});
    // Green pixels 0-15 from the top-left corner, pretransformed.
    struct screen_vertex {
        float x, y, z, rhw;
        std::uint32_t color;
    };
    const screen_vertex green[4] = {{0, 0, 0.5f, 1, 0xFF00FF00u}, {16, 0, 0.5f, 1, 0xFF00FF00u},
                                    {0, 16, 0.5f, 1, 0xFF00FF00u}, {16, 16, 0.5f, 1, 0xFF00FF00u}};
    d->set_fvf(FVF_XYZRHW | FVF_DIFFUSE);
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, green, sizeof(screen_vertex)), S_OK);
    // A vertex program's quad over the bottom half, blue.
    shader_ptr vs, ps;
    ASSERT_EQ(d->create_vertex_shader(
                  "void main() { gl_Position = vec4(gl_Vertex.x, gl_Vertex.y * 0.5 - 0.5, 0.5, 1.0); }",
                  &vs), S_OK);
    ASSERT_EQ(d->create_pixel_shader("void main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }", &ps),
              S_OK);
    d->set_vertex_shader(vs.get());
    d->set_pixel_shader(ps.get());
    d->set_fvf(k_fvf);
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, red, sizeof(vertex)), S_OK);
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);

    std::vector<std::uint8_t> gl_rows(k_size * k_size * 4);
    window.read(gl_rows.data());
    auto window_pixel = [&](int x, int row_from_top) {
        const std::uint8_t* p = &gl_rows[((k_size - 1 - row_from_top) * k_size + x) * 4];
        return bgra{p[0], p[1], p[2], p[3]};
    };
    expect_color(window_pixel(8, 8), 0, 255, 0, 0);
    expect_color(window_pixel(40, 8), 255, 0, 0, 0);
    expect_color(window_pixel(40, 24), 0, 0, 0, 0);
    expect_color(window_pixel(40, 56), 0, 0, 255, 0);
    // Reading the back buffer gives the same picture top row first.
    std::vector<std::uint8_t> locked(k_size * k_size * 4);
    EXPECT_TRUE(static_cast<gl_device*>(d.get())->read_surface(d->back_buffer(), locked.data(),
                                                                k_size * 4));
    for (int y = 0; y < k_size; ++y)
        EXPECT_EQ(std::memcmp(&locked[y * k_size * 4], &gl_rows[(k_size - 1 - y) * k_size * 4],
                              k_size * 4),
                  0)
            << "row " << y;

    ASSERT_EQ(d->present(), S_OK);
    EXPECT_EQ(swaps, 1);
    std::vector<std::uint8_t> after(k_size * k_size * 4);
    window.read(after.data());
    EXPECT_EQ(after, gl_rows);  // nothing was copied over the window's pixels
}

// A window without a stencil buffer cannot hold the back buffer: it stays a texture (the
// stencil still masks), and presenting turns it upright into the window.
TEST(GlDeviceInAWindow, WithoutAStencilBufferTheBackBufferIsFlippedIntoTheWindow) {
    offscreen_gl context;
    if (!context.ok()) GTEST_SKIP() << "no OpenGL: " << context.error();
    offscreen_framebuffer window(k_size, k_size, false);
    ASSERT_NE(window.name(), 0u);
    const std::unique_ptr<gfx_device> d = make_device(&window);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->clear(CLEAR_TARGET | CLEAR_STENCIL, 0xFF000000u, 1.0f, 0), S_OK);
    // Mark the top half in the stencil buffer, then fill only the marked pixels.
    d->set_render_state(RS_STENCILENABLE, 1);
    d->set_render_state(RS_STENCILFUNC, CMP_ALWAYS);
    d->set_render_state(RS_STENCILPASS, STENCILOP_REPLACE);
    d->set_render_state(RS_STENCILREF, 1);
    d->set_render_state(RS_COLORWRITEENABLE, 0);
    const vertex top[4] = {{-1, 1, 0.5f, 0xFFFFFFFFu, 0, 0}, {1, 1, 0.5f, 0xFFFFFFFFu, 1, 0},
                           {-1, 0, 0.5f, 0xFFFFFFFFu, 0, 1}, {1, 0, 0.5f, 0xFFFFFFFFu, 1, 1}};
    d->set_fvf(k_fvf);
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, top, sizeof(vertex)), S_OK);
    d->set_render_state(RS_COLORWRITEENABLE, 0xF);
    d->set_render_state(RS_STENCILFUNC, CMP_EQUAL);
    d->set_render_state(RS_STENCILPASS, STENCILOP_KEEP);
    const vertex all[4] = {{-1, 1, 0.5f, 0xFFFF0000u, 0, 0}, {1, 1, 0.5f, 0xFFFF0000u, 1, 0},
                           {-1, -1, 0.5f, 0xFFFF0000u, 0, 1}, {1, -1, 0.5f, 0xFFFF0000u, 1, 1}};
    ASSERT_EQ(d->draw_primitive_up(PT_TRIANGLESTRIP, 2, all, sizeof(vertex)), S_OK);
    ASSERT_EQ(d->present(), S_OK);

    std::vector<std::uint8_t> gl_rows(k_size * k_size * 4);
    window.read(gl_rows.data());
    const std::uint8_t* near_top = &gl_rows[((k_size - 1 - 8) * k_size + 32) * 4];
    const std::uint8_t* near_bottom = &gl_rows[(8 * k_size + 32) * 4];
    expect_color(bgra{near_top[0], near_top[1], near_top[2], near_top[3]}, 255, 0, 0, 0);
    expect_color(bgra{near_bottom[0], near_bottom[1], near_bottom[2], near_bottom[3]}, 0, 0, 0, 0);
}

// A lit draw whose vertices give the material colour leaves the material as it was set:
// the next lit draw without vertex colours shows the material's own colour.
TEST_P(GlDevice, AMaterialTakenFromVertexColoursComesBackAfterTheDraw) {
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->set_render_state(RS_LIGHTING, 1);
    shine_along_z(device_.get(), 0, {1, 1, 1, 1});
    gfx_material m;
    m.diffuse = {1, 0, 0, 1};
    device_->set_material(m);
    struct coloured_vertex {
        float x, y, z, nx, ny, nz;
        std::uint32_t color;
    };
    const coloured_vertex left[4] = {{-1, 1, 0.5f, 0, 0, -1, 0xFF00FF00u},
                                     {0, 1, 0.5f, 0, 0, -1, 0xFF00FF00u},
                                     {-1, -1, 0.5f, 0, 0, -1, 0xFF00FF00u},
                                     {0, -1, 0.5f, 0, 0, -1, 0xFF00FF00u}};
    device_->set_fvf(FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, left, sizeof(coloured_vertex)), S_OK);
    const lit_vertex right[4] = {{0, 1, 0.5f, 0, 0, -1, 0, 0}, {1, 1, 0.5f, 0, 0, -1, 1, 0},
                                 {0, -1, 0.5f, 0, 0, -1, 0, 1}, {1, -1, 0.5f, 0, 0, -1, 1, 1}};
    device_->set_fvf(FVF_XYZ | FVF_NORMAL | FVF_TEX1);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, right, sizeof(lit_vertex)), S_OK);
    expect_color(pixel(16, 32), 0, 255, 0);
    expect_color(pixel(48, 32), 255, 0, 0);
}

TEST_P(GlDevice, LightsAMaterialInWorldSpace) {
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device_->set_render_state(RS_LIGHTING, 1);
    shine_along_z(device_.get(), 5, {1, 1, 1, 1});  // onto a quad that faces -z
    gfx_material m;
    m.diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    m.ambient = {1, 1, 1, 1};
    device_->set_material(m);
    device_->set_render_state(RS_AMBIENT, 0xFF202020u);
    // The camera turned half round and the quad behind it: the light stays in the world.
    device_->set_transform(TS_VIEW, mat_rotation_y(3.14159265f));
    device_->set_transform(TS_WORLD, mat_rotation_y(3.14159265f));
    const lit_vertex v[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0},
                             {1, 1, 0.5f, 0, 0, -1, 1, 0},
                             {-1, -1, 0.5f, 0, 0, -1, 0, 1},
                             {1, -1, 0.5f, 0, 0, -1, 1, 1}};
    device_->set_fvf(FVF_XYZ | FVF_NORMAL | FVF_TEX1);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, v, sizeof(lit_vertex)), S_OK);
    // The normal turned with the world faces -z... after the half turn it faces +z, away
    // from the light: only ambient 0x20 remains.
    expect_color(pixel(32, 32), 0x20, 0x20, 0x20);

    device_->set_transform(TS_WORLD, mat_identity());
    device_->set_transform(TS_VIEW, mat_identity());
    device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, v, sizeof(lit_vertex));
    // Full diffuse plus ambient: (1 + 0.125, 0.5 + 0.125, 0.25 + 0.125).
    expect_color(pixel(32, 32), 255, 160, 96);
}

TEST_P(GlDevice, ExponentialFogAtAKnownDepthFromTheTableOrAVertexProgram) {
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device_->set_transform(TS_PROJECTION, mat_scaling(1, 1, 0.001f));
    device_->set_render_state(RS_FOGENABLE, 1);
    device_->set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    device_->set_render_state(RS_FOGCOLOR, 0xFF000000u);
    device_->set_render_state_f(RS_FOGDENSITY, 2.3f / 400.0f);
    quad(-1, -1, 1, 1, 100.0f, 0xFFFFFFFFu);  // 100 m away
    const int expected = static_cast<int>(std::lround(255 * std::exp(-2.3 * 100.0 / 400.0)));
    expect_color(pixel(32, 32), expected, expected, expected, 3);

    // A vertex program with the fixed fragment stage: fog from the program's fog coordinate,
    // in the vertex fog mode (the table mode off), as the terrain's far tiles draw.
    shader_ptr vs;
    ASSERT_EQ(device_->create_vertex_shader(
                  "void main() {\n"
                  "    gl_Position = vec4(gl_Vertex.xy, 0.5, 1.0);\n"
                  "    gl_FrontColor = gl_Color;\n"
                  "    gl_FogFragCoord = vs_c[16].x;\n"
                  "}\n",
                  &vs),
              S_OK);
    const float distance[4] = {100, 0, 0, 0};
    device_->set_vertex_shader_constant_f(16, distance, 1);
    device_->set_vertex_shader(vs.get());
    device_->set_render_state(RS_FOGTABLEMODE, FOG_NONE);
    device_->set_render_state(RS_FOGVERTEXMODE, FOG_EXP);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(32, 32), expected, expected, expected, 3);
}

TEST_P(GlDevice, AlphaTestDiscardsOnlyAlphaZeroAndTexelsAreBgra) {
    texture_ptr t;
    ASSERT_EQ(device_->create_texture(2, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    locked_rect r;
    ASSERT_EQ(t->lock_rect(0, &r), S_OK);
    const std::uint8_t texels[8] = {0x10, 0x20, 0x30, 0x00,   // left: alpha 0
                                    0x10, 0x20, 0x30, 0x01};  // right: alpha 1
    std::memcpy(r.bits, texels, sizeof texels);
    t->unlock_rect(0);
    device_->clear(CLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    device_->set_texture(0, t.get());
    device_->set_render_state(RS_ALPHATESTENABLE, 1);
    device_->set_render_state(RS_ALPHAREF, 1);
    device_->set_render_state(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(8, 32), 0, 0, 0xFF, 0);         // discarded: the clear colour
    expect_color(pixel(56, 32), 0x30, 0x20, 0x10, 1);  // kept, red 0x30 green 0x20 blue 0x10
}

// The 16-bit formats are kept in GL with eight bits a channel (the software rasteriser filters
// those fastest): a texel still samples as its own value, each field widened to eight bits
// (by repeating its top bits: within one step of the exact ratio).
TEST_P(GlDevice, SixteenBitTexelsSampleAsTheirWidenedFields) {
    struct sample {
        std::uint32_t format;
        std::uint16_t texel;
        int r, g, b;  // the fields and their largest values
        int r_max, g_max, b_max;
    };
    const sample samples[] = {
        {FMT_R5G6B5, static_cast<std::uint16_t>((19 << 11) | (45 << 5) | 7), 19, 45, 7, 31, 63, 31},
        {FMT_A4R4G4B4, static_cast<std::uint16_t>((15 << 12) | (9 << 8) | (3 << 4) | 12), 9, 3, 12, 15, 15, 15},
        {FMT_A1R5G5B5, static_cast<std::uint16_t>((1 << 15) | (30 << 10) | (1 << 5) | 16), 30, 1, 16, 31, 31, 31},
        {FMT_X1R5G5B5, static_cast<std::uint16_t>((5 << 10) | (27 << 5) | 31), 5, 27, 31, 31, 31, 31},
    };
    const auto widened = [](int value, int largest) {
        return static_cast<int>(std::lround(value * 255.0 / largest));
    };
    for (const sample& s : samples) {
        SCOPED_TRACE(s.format);
        texture_ptr t;
        ASSERT_EQ(device_->create_texture(1, 1, 1, 0, s.format, POOL_MANAGED, &t), S_OK);
        locked_rect r;
        ASSERT_EQ(t->lock_rect(0, &r), S_OK);
        std::memcpy(r.bits, &s.texel, sizeof s.texel);
        t->unlock_rect(0);
        device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        device_->set_texture(0, t.get());
        device_->set_render_state(RS_ALPHATESTENABLE, 0);
        quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
        device_->set_texture(0, nullptr);
        expect_color(pixel(32, 32), widened(s.r, s.r_max), widened(s.g, s.g_max), widened(s.b, s.b_max), 1);
        // The stored copy keeps the file's 16 bits.
        ASSERT_EQ(t->lock_rect(0, &r), S_OK);
        std::uint16_t kept = 0;
        std::memcpy(&kept, r.bits, sizeof kept);
        t->unlock_rect(0);
        EXPECT_EQ(kept, s.texel);
    }
}

// A fixed-function draw that the view or an enabled clip plane removes entirely is left out
// before it reaches GL; everything else is drawn as before, and the pictures with and without
// the test are the same.
TEST_P(GlDevice, DrawsThatReachNoPixelAreLeftOutAndThePictureStays) {
    auto* gl = static_cast<gl_device*>(device_.get());
    // An orthographic view 2 units wide round the origin, depths 0 to 10.
    device_->set_transform(TS_VIEW, mat_identity());
    device_->set_transform(TS_PROJECTION, mat_ortho_lh(2, 2, 0, 10));
    const float keep_below_half[4] = {0, -1, 0, 0.5f};  // y <= 0.5
    device_->set_clip_plane(1, keep_below_half);
    const auto draw_scene = [&] {
        device_->set_render_state(RS_CLIPPLANEENABLE, 0);
        device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        quad(-3.0f, -1, -1.5f, 1, 1.0f, 0xFFFF0000u);   // left of the view
        quad(-0.5f, -1, 0.5f, 1, 11.0f, 0xFF00FF00u);   // beyond the far plane
        quad(-1.5f, -0.25f, -0.25f, 0.25f, 1.0f, 0xFF0000FFu);  // half in view
        device_->set_render_state(RS_CLIPPLANEENABLE, 0x2);
        quad(0.25f, 0.6f, 0.75f, 0.9f, 1.0f, 0xFFFFFF00u);  // wholly above the plane
        quad(0.25f, 0.25f, 0.75f, 0.75f, 1.0f, 0xFF00FFFFu);  // across it
        device_->set_render_state(RS_CLIPPLANEENABLE, 0);
    };
    const auto picture = [&] {
        std::vector<bgra> p;
        for (int y = 0; y < k_size; y += 4)
            for (int x = 0; x < k_size; x += 4) p.push_back(pixel(x, y));
        return p;
    };
    const long before = gl->culled_draws();
    draw_scene();
    EXPECT_EQ(gl->culled_draws() - before, 3);
    expect_color(pixel(16, 32), 0, 0, 255, 0);     // the half-visible quad
    expect_color(pixel(48, 16), 0, 255, 255, 0);   // below the plane
    expect_color(pixel(48, 10), 0, 0, 0, 0);       // above it
    const std::vector<bgra> with_test = picture();

    gl->set_draw_culling(false);
    draw_scene();
    EXPECT_EQ(gl->culled_draws() - before, 3);
    const std::vector<bgra> without_test = picture();
    gl->set_draw_culling(true);
    ASSERT_EQ(with_test.size(), without_test.size());
    for (std::size_t i = 0; i < with_test.size(); ++i) {
        EXPECT_EQ(with_test[i].r, without_test[i].r);
        EXPECT_EQ(with_test[i].g, without_test[i].g);
        EXPECT_EQ(with_test[i].b, without_test[i].b);
    }

    // Pretransformed vertices and point lists are never left out, wherever they are.
    const long kept = gl->culled_draws();
    struct screen_vertex {
        float x, y, z, rhw;
        std::uint32_t colour;
    };
    const screen_vertex off_screen[3] = {{-50, -50, 0.5f, 1, 0xFFFFFFFFu},
                                         {-40, -50, 0.5f, 1, 0xFFFFFFFFu},
                                         {-50, -40, 0.5f, 1, 0xFFFFFFFFu}};
    device_->set_fvf(FVF_XYZRHW | FVF_DIFFUSE);
    EXPECT_EQ(device_->draw_primitive_up(PT_TRIANGLELIST, 1, off_screen, sizeof(screen_vertex)), S_OK);
    const vertex far_point[1] = {{-5, 0, 1, 0xFFFFFFFFu, 0, 0}};
    device_->set_fvf(k_fvf);
    EXPECT_EQ(device_->draw_primitive_up(PT_POINTLIST, 1, far_point, sizeof(vertex)), S_OK);
    EXPECT_EQ(gl->culled_draws(), kept);
}

TEST_P(GlDevice, SampleCountsSayWhetherDrawsGotPastTheDepthTest) {
    device_->set_render_state(RS_ZENABLE, 1);
    device_->set_render_state(RS_ALPHATESTENABLE, 0);
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    quad(-1, -1, 1, 1, 0.2f, 0xFFFFFFFFu);  // near: everything behind it is hidden
    EXPECT_EQ(device_->counted_samples(), -1);  // nothing counted yet
    ASSERT_TRUE(device_->begin_sample_count());
    EXPECT_FALSE(device_->begin_sample_count());  // one count at a time
    quad(-1, -1, 1, 1, 0.6f, 0xFF00FF00u);
    device_->end_sample_count();
    EXPECT_EQ(device_->counted_samples(), 0);
    expect_color(pixel(32, 32), 255, 255, 255, 0);
    // A quarter of the view in front: 32 x 32 samples.
    ASSERT_TRUE(device_->begin_sample_count());
    quad(-1, 0, 0, 1, 0.1f, 0xFF00FF00u);
    device_->end_sample_count();
    EXPECT_EQ(device_->counted_samples(), 32 * 32);
    EXPECT_EQ(device_->counted_samples(), 32 * 32);  // read again: the same count
}

TEST_P(GlDevice, AStageWithoutTextureActsAsWhite) {
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->set_texture_stage_state(0, TSS_COLOROP, TOP_MODULATE);
    device_->set_texture_stage_state(0, TSS_COLORARG1, TA_TEXTURE);
    device_->set_texture_stage_state(0, TSS_COLORARG2, TA_DIFFUSE);
    quad(-1, -1, 1, 1, 0.5f, 0xFF804020u);
    expect_color(pixel(32, 32), 0x80, 0x40, 0x20, 1);
}

TEST_P(GlDevice, CullModesTwoAndThree) {
    // Top-left, top-right, bottom-left: clockwise as seen on the screen.
    const vertex tri[3] = {{-1, 1, 0.5f, 0xFFFFFFFFu, 0, 0},
                           {1, 1, 0.5f, 0xFFFFFFFFu, 0, 0},
                           {-1, -1, 0.5f, 0xFFFFFFFFu, 0, 0}};
    device_->set_fvf(k_fvf);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->set_render_state(RS_CULLMODE, CULL_CCW);  // the default: clockwise faces show
    device_->draw_primitive_up(PT_TRIANGLELIST, 1, tri, sizeof(vertex));
    expect_color(pixel(8, 8), 255, 255, 255, 0);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->set_render_state(RS_CULLMODE, CULL_CW);  // the mirror: they are culled
    device_->draw_primitive_up(PT_TRIANGLELIST, 1, tri, sizeof(vertex));
    expect_color(pixel(8, 8), 0, 0, 0, 0);
}

TEST_P(GlDevice, ClipPlanesAreWorldSpaceWithoutShaderAndClipSpaceWithOne) {
    // An orthographic view 2 units wide, the camera moved 0.5 to the left: world x = 0 is
    // at clip x = 0.5, pixel column 48.
    device_->set_transform(TS_VIEW, mat_translation(0.5f, 0, 0));
    device_->set_transform(TS_PROJECTION, mat_ortho_lh(2, 2, 0, 10));
    const float keep_positive_x[4] = {1, 0, 0, 0};
    device_->set_clip_plane(0, keep_positive_x);
    device_->set_render_state(RS_CLIPPLANEENABLE, 1);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    quad(-1.5f, -1, 0.5f, 1, 1.0f, 0xFFFFFFFFu);  // covers the whole view
    expect_color(pixel(56, 32), 255, 255, 255, 0);
    expect_color(pixel(40, 32), 0, 0, 0, 0);
    expect_color(pixel(8, 32), 0, 0, 0, 0);

    // With a vertex shader the same plane is in clip space: the cut is at column 32.
    shader_ptr vs;
    ASSERT_EQ(device_->create_vertex_shader(
                  "void main() {\n"
                  "    gl_Position = vec4(dot(gl_Vertex, vs_c[0]), dot(gl_Vertex, vs_c[1]),\n"
                  "                       dot(gl_Vertex, vs_c[2]), dot(gl_Vertex, vs_c[3]));\n"
                  "    gl_FrontColor = gl_Color;\n"
                  "}\n",
                  &vs),
              S_OK);
    const mat4 wvp = mat_transpose(device_->transform(TS_VIEW) * device_->transform(TS_PROJECTION));
    device_->set_vertex_shader_constant_f(0, wvp.data(), 4);
    device_->set_vertex_shader(vs.get());
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    quad(-1.5f, -1, 0.5f, 1, 1.0f, 0xFFFFFFFFu);
    expect_color(pixel(40, 32), 255, 255, 255, 0);
    expect_color(pixel(24, 32), 0, 0, 0, 0);

    // A plane turned off cuts nothing, whatever it still holds (here one that keeps nothing).
    const float keep_nothing[4] = {0, 0, 0, -1};
    device_->set_clip_plane(0, keep_nothing);
    device_->set_render_state(RS_CLIPPLANEENABLE, 0);
    for (bool shader : {true, false}) {
        device_->set_vertex_shader(shader ? vs.get() : nullptr);
        device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        quad(-1.5f, -1, 0.5f, 1, 1.0f, 0xFFFFFFFFu);
        expect_color(pixel(8, 32), 255, 255, 255, 0);
        expect_color(pixel(56, 32), 255, 255, 255, 0);
    }
    device_->set_vertex_shader(nullptr);
}

TEST_P(GlDevice, RenderTargetTextureKeepsTheTopRowFirst) {
    texture_ptr target;
    ASSERT_EQ(device_->create_texture(32, 32, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8,
                                      POOL_DEFAULT, &target),
              S_OK);
    surface_ptr depth;
    ASSERT_EQ(device_->create_depth_stencil_surface(32, 32, FMT_D16, &depth), S_OK);
    gfx_surface* old_depth = device_->depth_stencil_surface();
    ASSERT_EQ(device_->set_render_target(0, target->surface_level(0)), S_OK);
    device_->set_depth_stencil_surface(depth.get());
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFFFF0000u, 1.0f, 0);
    quad(-1, 0, 1, 1, 0.5f, 0xFF00FF00u);  // the upper half green
    // Locked, row 0 is the top row.
    locked_rect r;
    ASSERT_EQ(target->lock_rect(0, &r), S_OK);
    const auto* rows = static_cast<const std::uint8_t*>(r.bits);
    EXPECT_EQ(rows[4 * 5 + 1], 0xFF);                 // top row: green
    EXPECT_EQ(rows[30 * r.pitch + 4 * 5 + 2], 0xFF);  // bottom row: red
    target->unlock_rect(0);

    // Sampled with v = 0 at the top, the picture stays upright on the back buffer.
    device_->set_render_target(0, nullptr);
    device_->set_depth_stencil_surface(old_depth);
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device_->set_texture(0, target.get());
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(32, 8), 0, 255, 0, 0);
    expect_color(pixel(32, 56), 255, 0, 0, 0);
}

TEST_P(GlDevice, ARenderTargetCopiesItsImageOnlyWhenLocked) {
    texture_ptr drawn, untouched;
    for (texture_ptr* t : {&drawn, &untouched})
        ASSERT_EQ(device_->create_texture(16, 8, 2, USAGE_RENDERTARGET, FMT_A8R8G8B8,
                                          POOL_DEFAULT, t),
                  S_OK);
    const gfx_texture& before = *drawn;
    EXPECT_EQ(before.level_bits(0), nullptr);  // no copy kept before a lock

    // Never drawn: every level locks as zeros, and samples as zeros.
    for (int level = 0; level < 2; ++level) {
        locked_rect r;
        ASSERT_EQ(untouched->lock_rect(level, &r), S_OK);
        const auto* bytes = static_cast<const std::uint8_t*>(r.bits);
        const int rows = untouched->level_height(level);
        EXPECT_TRUE(std::all_of(bytes, bytes + r.pitch * rows, [](std::uint8_t b) { return b == 0; }))
            << "level " << level;
        untouched->unlock_rect(level);
    }
    device_->clear(CLEAR_TARGET, 0xFFFFFFFFu, 1.0f, 0);
    device_->set_texture(0, untouched.get());
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    device_->set_texture(0, nullptr);
    expect_color(pixel(32, 32), 0, 0, 0, 0);

    // Drawn: a blue left quarter on grey locks as exactly those bytes, row 0 at the top.
    gfx_surface* old_depth = device_->depth_stencil_surface();
    device_->set_depth_stencil_surface(nullptr);
    ASSERT_EQ(device_->set_render_target(0, drawn->surface_level(0)), S_OK);
    device_->clear(CLEAR_TARGET, 0x80404040u, 1.0f, 0);
    quad(-1, -1, -0.5f, 1, 0.5f, 0xFF0000FFu);
    locked_rect r;
    ASSERT_EQ(drawn->lock_rect(0, &r), S_OK);
    ASSERT_EQ(r.pitch, 16 * 4);
    std::vector<std::uint8_t> expected;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool blue = x < 4;
            const std::uint8_t texel[4] = {static_cast<std::uint8_t>(blue ? 0xFF : 0x40),
                                           static_cast<std::uint8_t>(blue ? 0 : 0x40),
                                           static_cast<std::uint8_t>(blue ? 0 : 0x40),
                                           static_cast<std::uint8_t>(blue ? 0xFF : 0x80)};
            expected.insert(expected.end(), texel, texel + 4);
        }
    EXPECT_EQ(std::memcmp(r.bits, expected.data(), expected.size()), 0);
    drawn->unlock_rect(0);
    EXPECT_EQ(std::memcmp(before.level_bits(0), expected.data(), expected.size()), 0);
    device_->set_render_target(0, nullptr);
    device_->set_depth_stencil_surface(old_depth);
}

TEST_P(GlDevice, ShaderProgramsReadTheirConstantRegisters) {
    shader_ptr vs, ps, broken;
    ASSERT_EQ(device_->create_vertex_shader(
                  "void main() { gl_Position = vec4(gl_Vertex.xy * vs_c[2].x, 0.5, 1.0); }",
                  &vs),
              S_OK);
    ASSERT_EQ(device_->create_pixel_shader("void main() { gl_FragColor = ps_c[7]; }", &ps), S_OK);
    EXPECT_EQ(device_->create_pixel_shader("void main() { undeclared = 1; }", &broken),
              E_GL_SHADER);
    EXPECT_EQ(broken, nullptr);
    const float scale[4] = {0.5f, 0, 0, 0};
    const float colour[4] = {0.25f, 0.5f, 1.0f, 1.0f};
    device_->set_vertex_shader_constant_f(2, scale, 1);
    device_->set_pixel_shader_constant_f(7, colour, 1);
    device_->set_vertex_shader(vs.get());
    device_->set_pixel_shader(ps.get());
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);  // shrunk to the middle half
    expect_color(pixel(32, 32), 64, 128, 255, 1);
    expect_color(pixel(4, 4), 0, 0, 0, 0);
}

TEST_P(GlDevice, ColourKeyedTexelsVanishUnderTheAlphaTest) {
    // Opaque black is the key; a texel one step off black stays. Loaded as A1R5G5B5, the
    // format the keyed textures of the game take.
    image picture;
    ASSERT_TRUE(image_allocate(&picture, 4, 1));
    picture.set_pixel(0, 0, 0xFF000000u);
    picture.set_pixel(1, 0, 0xFF000000u);
    picture.set_pixel(2, 0, 0xFF08FF08u);
    picture.set_pixel(3, 0, 0xFF08FF08u);
    texture_request request;
    request.width = request.height = k_texture_size_file;
    request.format = image_format::a1r5g5b5;
    request.color_key = 0xFF000000u;
    texture_image keyed;
    ASSERT_EQ(texture_image_from_picture(picture, image_format::a8r8g8b8, request, &keyed), S_OK);
    texture_ptr t;
    ASSERT_EQ(device_->create_texture(4, 1, 1, 0, FMT_A1R5G5B5, POOL_MANAGED, &t), S_OK);
    locked_rect r;
    ASSERT_EQ(t->lock_rect(0, &r), S_OK);
    ASSERT_TRUE(image_pack(keyed.surface(0, 0), image_format::a1r5g5b5,
                           static_cast<std::uint8_t*>(r.bits), r.pitch));
    t->unlock_rect(0);

    device_->clear(CLEAR_TARGET, 0xFF0000FFu, 1.0f, 0);
    device_->set_texture(0, t.get());
    device_->set_render_state(RS_ALPHATESTENABLE, 1);
    device_->set_render_state(RS_ALPHAREF, 1);
    device_->set_render_state(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(8, 32), 0, 0, 255, 0);      // keyed out: the clear colour
    expect_color(pixel(56, 32), 8, 255, 8, 4);     // kept, as five bits per channel hold it
}

TEST_P(GlDevice, DrawsFansAndIndexedListsFromBuffers) {
    struct colored {
        float x, y, z;
        std::uint32_t color;
    };
    vertex_buffer_ptr vb;
    ASSERT_EQ(device_->create_vertex_buffer(8 * 16, 0, FVF_XYZ | FVF_DIFFUSE, POOL_MANAGED, &vb),
              S_OK);
    void* p = nullptr;
    ASSERT_EQ(vb->lock(0, 0, &p), S_OK);
    auto* v = static_cast<colored*>(p);
    // A fan over the left half (red), then four corners of the right half (green).
    v[0] = {-1, 1, 0.5f, 0xFFFF0000u};
    v[1] = {0, 1, 0.5f, 0xFFFF0000u};
    v[2] = {0, -1, 0.5f, 0xFFFF0000u};
    v[3] = {-1, -1, 0.5f, 0xFFFF0000u};
    v[4] = {0, 1, 0.5f, 0xFF00FF00u};
    v[5] = {1, 1, 0.5f, 0xFF00FF00u};
    v[6] = {1, -1, 0.5f, 0xFF00FF00u};
    v[7] = {0, -1, 0.5f, 0xFF00FF00u};
    vb->unlock();
    index_buffer_ptr ib;
    ASSERT_EQ(device_->create_index_buffer(6 * 2, 0, FMT_INDEX16, POOL_MANAGED, &ib), S_OK);
    ASSERT_EQ(ib->lock(0, 0, &p), S_OK);
    const std::uint16_t list[6] = {0, 1, 2, 0, 2, 3};  // relative to base vertex 4
    std::memcpy(p, list, sizeof list);
    ib->unlock();

    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    device_->set_fvf(FVF_XYZ | FVF_DIFFUSE);
    device_->set_stream_source(0, vb.get(), 0, 16);
    device_->set_indices(ib.get());
    ASSERT_EQ(device_->draw_primitive(PT_TRIANGLEFAN, 0, 2), S_OK);
    ASSERT_EQ(device_->draw_indexed_primitive(PT_TRIANGLELIST, 4, 0, 4, 0, 2), S_OK);
    expect_color(pixel(16, 32), 255, 0, 0, 0);
    expect_color(pixel(48, 32), 0, 255, 0, 0);
    EXPECT_EQ(device_->draw_primitive(PT_TRIANGLEFAN, 6, 2), D3DERR_INVALIDCALL);  // past the end
}

TEST_P(GlDevice, ResetFollowsTheNewBackBufferSize) {
    present_params p = device_->params();
    p.back_buffer_width = 40;
    p.back_buffer_height = 24;
    ASSERT_EQ(device_->reset(p), S_OK);
    EXPECT_EQ(device_->back_buffer()->width(), 40);
    EXPECT_EQ(device_->viewport().height, 24u);
    EXPECT_EQ(device_->render_state(RS_LIGHTING), 1u);  // states back to their defaults
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF00FF00u, 1.0f, 0);
    expect_color(pixel(39, 23), 0, 255, 0, 0);
}

// The window hears the interval of the present parameters: full screen with the display's
// refresh, windowed at once; and the device claims no stage it passes over.
TEST(GlDeviceOnAWindow, PresentsAtItsIntervalAndClaimsOnlyWhatItDraws) {
    offscreen_gl context;
    if (!context.ok()) GTEST_SKIP() << "no OpenGL: " << context.error();
    scripted_window window;
    window.create("Ventrask", 0, 0, 64, 64);
    gl_system system(window_hooks(&window));
    present_params p;
    p.back_buffer_width = p.back_buffer_height = 64;
    p.windowed = 0;
    p.presentation_interval = PRESENT_INTERVAL_DEFAULT;
    std::unique_ptr<gfx_device> device;
    ASSERT_EQ(system.create_device(nullptr, CREATE_MIXED_VERTEXPROCESSING, &p, &device), S_OK);
    EXPECT_EQ(window.calls.back(), "swap interval 1");
    p.windowed = 1;
    p.presentation_interval = PRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(device->reset(p), S_OK);
    EXPECT_EQ(window.calls.back(), "swap interval 0");
    EXPECT_EQ(device->caps().texture_op_caps & TEXOPCAPS_BUMPENVMAP, 0u);
}

TEST_P(GlDevice, StencilMarksWithoutColourThenMasksADraw) {
    device_->clear(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL, 0xFF000000u, 1.0f, 0);
    // Mark the left half in the stencil buffer only, as the planar shadows do.
    device_->set_render_state(RS_COLORWRITEENABLE, 0);
    device_->set_render_state(RS_STENCILENABLE, 1);
    device_->set_render_state(RS_STENCILFUNC, CMP_ALWAYS);
    device_->set_render_state(RS_STENCILPASS, STENCILOP_INCR);
    device_->set_render_state(RS_STENCILREF, 1);
    quad(-1, -1, 0, 1, 0.5f, 0xFFFFFFFFu);
    device_->set_render_state(RS_COLORWRITEENABLE, 0xF);
    expect_color(pixel(16, 32), 0, 0, 0, 0);
    // Then draw only where the mark is.
    device_->set_render_state(RS_STENCILFUNC, CMP_EQUAL);
    device_->set_render_state(RS_STENCILPASS, STENCILOP_KEEP);
    quad(-1, -1, 1, 1, 0.5f, 0xFF808080u);
    expect_color(pixel(16, 32), 0x80, 0x80, 0x80, 0);
    expect_color(pixel(48, 32), 0, 0, 0, 0);
}

namespace {
void fill_texels(gfx_texture* t, int level, int face, std::uint32_t argb) {
    locked_rect r;
    ASSERT_EQ(t->lock_rect(level, &r, 0, face), S_OK);
    for (int y = 0; y < t->level_height(level); ++y)
        for (int x = 0; x < t->level_width(level); ++x)
            std::memcpy(static_cast<std::uint8_t*>(r.bits) + y * r.pitch + 4 * x, &argb, 4);
    t->unlock_rect(level, face);
}
}  // namespace

TEST_P(GlDevice, TwoCoordinateTextureTransformsTranslateByTheThirdRow) {
    texture_ptr t;
    ASSERT_EQ(device_->create_texture(2, 1, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    locked_rect r;
    ASSERT_EQ(t->lock_rect(0, &r), S_OK);
    const std::uint32_t texels[2] = {0xFFFF0000u, 0xFF00FF00u};  // red, green
    std::memcpy(r.bits, texels, sizeof texels);
    t->unlock_rect(0);
    device_->set_texture(0, t.get());
    device_->set_sampler_state(0, SAMP_ADDRESSU, TADDRESS_CLAMP);
    device_->set_texture_stage_state(0, TSS_COLOROP, TOP_SELECTARG1);
    mat4 m = mat_scaling(0.5f, 1, 1);
    m.m[2][0] = 0.5f;  // u' = 0.5 u + 0.5: the right texel only
    device_->set_transform(TS_TEXTURE0, m);
    device_->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT2);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(4, 32), 0, 255, 0, 0);
    expect_color(pixel(60, 32), 0, 255, 0, 0);
    device_->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_DISABLE);
    quad(-1, -1, 1, 1, 0.5f, 0xFFFFFFFFu);
    expect_color(pixel(4, 32), 255, 0, 0, 0);
}

TEST_P(GlDevice, VolumeSlicesAndCubeFacesAreSampled) {
    // A volume of two slices: red at w = 0.25, blue at w = 0.75, point sampled.
    texture_ptr volume;
    ASSERT_EQ(device_->create_volume_texture(2, 2, 2, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &volume),
              S_OK);
    locked_box b;
    ASSERT_EQ(volume->lock_box(0, &b), S_OK);
    for (int z = 0; z < 2; ++z)
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t c = z ? 0xFF0000FFu : 0xFFFF0000u;
            std::memcpy(static_cast<std::uint8_t*>(b.bits) + z * b.slice_pitch + 4 * i, &c, 4);
        }
    volume->unlock_box(0);
    struct vertex3 {
        float x, y, z;
        float u, v, w;
    };
    const float w = 0.75f;
    const vertex3 v[4] = {{-1, 1, 0.5f, 0, 0, w}, {1, 1, 0.5f, 1, 0, w},
                          {-1, -1, 0.5f, 0, 1, w}, {1, -1, 0.5f, 1, 1, w}};
    device_->set_texture(0, volume.get());
    device_->set_fvf(FVF_XYZ | FVF_TEX1 | fvf_texcoord_size3(0));
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, v, sizeof(vertex3)), S_OK);
    expect_color(pixel(32, 32), 0, 0, 255, 0);

    // A cube map with one colour per face, looked up along +y (the top face).
    texture_ptr cube;
    ASSERT_EQ(device_->create_cube_texture(4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &cube), S_OK);
    for (int face = 0; face < 6; ++face)
        fill_texels(cube.get(), 0, face, face == FACE_POSITIVE_Y ? 0xFF00FF00u : 0xFFFF00FFu);
    const vertex3 up[4] = {{-1, 1, 0.5f, 0, 1, 0}, {1, 1, 0.5f, 0, 1, 0},
                           {-1, -1, 0.5f, 0, 1, 0}, {1, -1, 0.5f, 0, 1, 0}};
    device_->set_texture(0, cube.get());
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, up, sizeof(vertex3)), S_OK);
    expect_color(pixel(32, 32), 0, 255, 0, 0);
}

TEST_P(GlDevice, PointSpritesAreUprightAndScaleWithDistance) {
    texture_ptr t;
    ASSERT_EQ(device_->create_texture(1, 2, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &t), S_OK);
    locked_rect r;
    ASSERT_EQ(t->lock_rect(0, &r), S_OK);
    const std::uint32_t top = 0xFFFF0000u, bottom = 0xFF00FF00u;
    std::memcpy(r.bits, &top, 4);
    std::memcpy(static_cast<std::uint8_t*>(r.bits) + r.pitch, &bottom, 4);
    t->unlock_rect(0);
    device_->set_texture(0, t.get());
    device_->set_render_state(RS_POINTSPRITEENABLE, 1);
    device_->set_render_state_f(RS_POINTSIZE, 16.0f);
    const vertex point = {0, 0, 0.5f, 0xFFFFFFFFu, 0, 0};
    device_->set_fvf(k_fvf);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(PT_POINTLIST, 1, &point, sizeof(vertex)), S_OK);
    expect_color(pixel(32, 27), 255, 0, 0, 0);  // the texture's top row at the top
    expect_color(pixel(32, 37), 0, 255, 0, 0);
    expect_color(pixel(32, 44), 0, 0, 0, 0);    // 16 pixels across, no more

    // Scaled: height x size x sqrt(1 / (C d^2)) = 64 x 0.5 x (1 / 4) = 8 pixels at 4 m.
    device_->set_render_state(RS_POINTSCALEENABLE, 1);
    device_->set_render_state_f(RS_POINTSCALE_A, 0.0f);
    device_->set_render_state_f(RS_POINTSCALE_B, 0.0f);
    device_->set_render_state_f(RS_POINTSCALE_C, 1.0f);
    device_->set_render_state_f(RS_POINTSIZE, 0.5f);
    device_->set_render_state_f(RS_POINTSIZE_MIN, 0.0f);
    device_->set_transform(TS_PROJECTION, mat_scaling(1, 1, 0.1f));
    const vertex far_point = {0, 0, 4.0f, 0xFFFFFFFFu, 0, 0};
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device_->draw_primitive_up(PT_POINTLIST, 1, &far_point, sizeof(vertex)), S_OK);
    expect_color(pixel(32, 30), 255, 0, 0, 0);
    expect_color(pixel(32, 34), 0, 255, 0, 0);
    expect_color(pixel(32, 38), 0, 0, 0, 0);
    expect_color(pixel(32, 25), 0, 0, 0, 0);
}

TEST_P(GlDevice, PretransformedVerticesAndLockableRenderSurfaces) {
    surface_ptr surface;
    ASSERT_EQ(device_->create_render_target(32, 16, FMT_A8R8G8B8, true, &surface), S_OK);
    ASSERT_EQ(device_->set_render_target(0, surface.get()), S_OK);
    device_->set_depth_stencil_surface(nullptr);
    device_->clear(CLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    struct screen_vertex {
        float x, y, z, rhw;
        std::uint32_t color;
    };
    // Pixels from the top-left corner: the left half of the top 8 rows.
    const screen_vertex v[4] = {{0, 0, 0.5f, 1, 0xFFFFFF00u},
                                {16, 0, 0.5f, 1, 0xFFFFFF00u},
                                {0, 8, 0.5f, 1, 0xFFFFFF00u},
                                {16, 8, 0.5f, 1, 0xFFFFFF00u}};
    device_->set_fvf(FVF_XYZRHW | FVF_DIFFUSE);
    ASSERT_EQ(device_->draw_primitive_up(PT_TRIANGLESTRIP, 2, v, sizeof(screen_vertex)), S_OK);
    expect_color(pixel(4, 2, surface.get()), 255, 255, 0, 0);
    expect_color(pixel(24, 2, surface.get()), 0, 0, 0, 0);
    expect_color(pixel(4, 12, surface.get()), 0, 0, 0, 0);
}

namespace {

// The resources of a frame that changes most kinds of state from draw to draw.
struct varied_frame {
    texture_ptr checker, green, target;
    shader_ptr vs, ps;
};

void draw_varied_frame(gfx_device* d, varied_frame& f) {
    // Textures are written again each frame, so uploads bind them between draws.
    locked_rect r;
    ASSERT_EQ(f.checker->lock_rect(0, &r), S_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t c = (x + y) % 2 ? 0xFFFF8000u : 0x80004080u;
            std::memcpy(static_cast<std::uint8_t*>(r.bits) + y * r.pitch + 4 * x, &c, 4);
        }
    f.checker->unlock_rect(0);
    fill_texels(f.green.get(), 0, 0, 0xC000FF40u);
    struct screen_vertex {
        float x, y, z, rhw;
        std::uint32_t color;
        float u, v;
    };
    const vertex left[4] = {{-1, 1, 0.5f, 0xFFFFFFFFu, 0, 0}, {0, 1, 0.5f, 0xFF80FF80u, 2, 0},
                            {-1, -1, 0.5f, 0xFF8080FFu, 0, 2}, {0, -1, 0.5f, 0xFFFFFFFFu, 2, 2}};
    const vertex right[4] = {{0, 1, 0.3f, 0xA0FF0000u, 0, 0}, {1, 1, 0.3f, 0xA0FF0000u, 1, 0},
                             {0, -1, 0.3f, 0x4000FF00u, 0, 1}, {1, -1, 0.3f, 0x4000FF00u, 1, 1}};
    const lit_vertex lit[4] = {{-0.5f, 0.5f, 0.4f, 0, 0, -1, 0, 0}, {0.5f, 0.5f, 0.4f, 0, 0, -1, 1, 0},
                               {-0.5f, -0.5f, 0.4f, 0, 0, -1, 0, 1}, {0.5f, -0.5f, 0.4f, 0, 0, -1, 1, 1}};
    const screen_vertex corner[4] = {{0, 0, 0.2f, 1, 0xFFFFFFFFu, 0, 0}, {20, 0, 0.2f, 1, 0xFFFFFFFFu, 1, 0},
                                     {0, 20, 0.2f, 1, 0xFFFFFFFFu, 0, 1}, {20, 20, 0.2f, 1, 0xFFFFFFFFu, 1, 1}};

    // A pass into a render-target texture, then the back buffer.
    d->set_render_target(0, f.target->surface_level(0));
    d->clear(CLEAR_TARGET, 0xFF102030u, 1.0f, 0);
    d->set_texture(0, f.checker.get());
    d->set_fvf(k_fvf);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, left, sizeof(vertex));
    d->set_render_target(0, nullptr);
    d->set_render_state(RS_ZENABLE, 1);
    d->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);

    // Blended, two stages, point sampled and wrapped.
    d->set_render_state(RS_ALPHABLENDENABLE, 1);
    d->set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
    d->set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d->set_texture(0, f.checker.get());
    d->set_texture(1, f.green.get());
    d->set_texture_stage_state(1, TSS_COLOROP, TOP_ADD);
    d->set_texture_stage_state(1, TSS_TEXCOORDINDEX, 0);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, left, sizeof(vertex));
    d->set_texture_stage_state(1, TSS_COLOROP, TOP_DISABLE);
    // The render-target texture, alpha-tested, filtered, with a texture transform.
    d->set_render_state(RS_ALPHABLENDENABLE, 0);
    d->set_render_state(RS_ALPHATESTENABLE, 1);
    d->set_render_state(RS_ALPHAREF, 0x80);
    d->set_render_state(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    d->set_sampler_state(0, SAMP_MAGFILTER, TEXF_LINEAR);
    d->set_texture(0, f.target.get());
    d->set_transform(TS_TEXTURE0, mat_scaling(0.5f, 0.5f, 1));
    d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT2);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, right, sizeof(vertex));
    d->set_texture_stage_state(0, TSS_TEXTURETRANSFORMFLAGS, TTFF_DISABLE);
    d->set_render_state(RS_ALPHATESTENABLE, 0);
    d->set_sampler_state(0, SAMP_MAGFILTER, TEXF_POINT);
    // Lit and fogged under a turned view, a directional and a point light.
    d->set_render_state(RS_LIGHTING, 1);
    d->set_render_state(RS_FOGENABLE, 1);
    d->set_render_state(RS_FOGTABLEMODE, FOG_LINEAR);
    const float fog_start = 0.0f, fog_end = 2.0f;
    std::uint32_t bits;
    std::memcpy(&bits, &fog_start, 4);
    d->set_render_state(RS_FOGSTART, bits);
    std::memcpy(&bits, &fog_end, 4);
    d->set_render_state(RS_FOGEND, bits);
    d->set_render_state(RS_FOGCOLOR, 0xFF4060A0u);
    shine_along_z(d, 0, {0.8f, 0.7f, 0.6f, 1});
    gfx_light lamp;
    lamp.type = LIGHT_POINT;
    lamp.diffuse = {0, 0.5f, 1, 1};
    lamp.position[0] = 0.5f;
    lamp.position[1] = 0.3f;
    lamp.position[2] = -0.5f;
    lamp.range = 10;
    lamp.attenuation0 = 1;
    d->set_light(1, lamp);
    d->light_enable(1, true);
    gfx_material m;
    m.diffuse = m.ambient = {1, 1, 1, 1};
    d->set_material(m);
    d->set_texture(0, nullptr);
    d->set_transform(TS_VIEW, mat_rotation_y(0.4f));
    d->set_fvf(FVF_XYZ | FVF_NORMAL | FVF_TEX1);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, lit, sizeof(lit_vertex));
    d->set_transform(TS_VIEW, mat_identity());
    d->set_transform(TS_WORLD, mat_translation(0.2f, 0.1f, 0));
    d->set_render_state(RS_CULLMODE, CULL_CCW);  // the strip is clockwise on the screen: kept
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, lit, sizeof(lit_vertex));
    d->set_render_state(RS_CULLMODE, CULL_NONE);
    d->set_transform(TS_WORLD, mat_identity());
    d->set_render_state(RS_FOGENABLE, 0);
    d->set_render_state(RS_LIGHTING, 0);
    // Shader programs, then pretransformed vertices.
    const float colour[4] = {0.2f, 0.9f, 0.4f, 1};
    d->set_pixel_shader_constant_f(0, colour, 1);
    d->set_vertex_shader(f.vs.get());
    d->set_pixel_shader(f.ps.get());
    d->set_fvf(k_fvf);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, right, sizeof(vertex));
    d->set_vertex_shader(nullptr);
    d->set_pixel_shader(nullptr);
    d->set_texture(0, f.green.get());
    d->set_fvf(FVF_XYZRHW | FVF_DIFFUSE | FVF_TEX1);
    d->draw_primitive_up(PT_TRIANGLESTRIP, 2, corner, sizeof(screen_vertex));
    d->set_render_state(RS_ZENABLE, 0);
    d->set_texture(0, nullptr);
}

}  // namespace

TEST_P(GlDevice, TheStateShadowSkipsCallsAndChangesNoPixel) {
    auto* gl = static_cast<gl_device*>(device_.get());
    varied_frame f;
    ASSERT_EQ(device_->create_texture(4, 4, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &f.checker), S_OK);
    ASSERT_EQ(device_->create_texture(2, 2, 1, 0, FMT_A8R8G8B8, POOL_MANAGED, &f.green), S_OK);
    ASSERT_EQ(device_->create_texture(16, 16, 1, USAGE_RENDERTARGET, FMT_A8R8G8B8, POOL_DEFAULT, &f.target), S_OK);
    ASSERT_EQ(device_->create_vertex_shader(
                  "void main() { gl_Position = vec4(gl_Vertex.xy * 0.5, 0.1, 1.0); }", &f.vs), S_OK);
    ASSERT_EQ(device_->create_pixel_shader("void main() { gl_FragColor = ps_c[0]; }", &f.ps), S_OK);
    auto read_back = [&] {
        std::vector<std::uint8_t> bytes(k_size * k_size * 4);
        EXPECT_TRUE(gl->read_surface(device_->back_buffer(), bytes.data(), k_size * 4));
        return bytes;
    };

    // Shadowed: the first frame starts from nothing known, the second skips what it can.
    draw_varied_frame(device_.get(), f);
    gl->state_shadow().take_calls();
    draw_varied_frame(device_.get(), f);
    const long shadowed_calls = gl->state_shadow().take_calls();
    const std::vector<std::uint8_t> shadowed = read_back();

    gl->state_shadow().set_enabled(false);
    draw_varied_frame(device_.get(), f);
    const long plain_calls = gl->state_shadow().take_calls();
    const std::vector<std::uint8_t> plain = read_back();

    EXPECT_EQ(shadowed, plain);
    EXPECT_LT(shadowed_calls * 2, plain_calls) << shadowed_calls << " against " << plain_calls;
    // The frame is not blank: the comparison compares drawings.
    EXPECT_NE(std::count(plain.begin(), plain.end(), 0), static_cast<long>(plain.size()));

    // A reset forgets the record: the next frame still draws the same.
    gl->state_shadow().set_enabled(true);
    present_params p = device_->params();
    ASSERT_EQ(device_->reset(p), S_OK);
    draw_varied_frame(device_.get(), f);
    draw_varied_frame(device_.get(), f);
    EXPECT_EQ(read_back(), plain);
}
