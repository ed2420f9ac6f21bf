// The application object's graphics side: device creation with its capability dump, the
// default states, the window modes, resets and the render-target and texture helpers.
#include <algorithm>
#include <cstring>

#include "core/d3d_app.h"
#include "core/device_calls.h"
#include "core/texture_loading.h"
#include "platform/image_ops.h"
#include "platform/render_to_surface.h"
#include "platform/texture_image.h"
#include "platform/window.h"

// The name this file's device results are logged under.
constexpr const char k_hr_source[] = "d3d_app";

// Results of this object's own calls go through its own check, whether or not it is the
// program's global application object.
#define CHECK_OWN(expr) (check_hr((expr), k_hr_source, __LINE__))

namespace {

// Windows sizes the window with its frame; the window system here takes client sizes and
// draws the frame itself, so the frame and caption add nothing.
constexpr int k_sizing_frame = 0;
constexpr int k_caption = 0;
// A margin below this many pixels is not worth keeping: the window takes the whole axis.
constexpr int k_min_margin = 50;

const char* can(bool yes) { return yes ? "Can do" : "Cant do"; }

int shader_version(std::uint32_t v) {
    return static_cast<int>(((v >> 8) & 0xFF) * 10 + (v & 0xFF));
}

}  // namespace

window_placement centered_placement(int usable_width, int usable_height, int window_width,
                                    int window_height) {
    window_placement p;
    if (window_width >= usable_width && window_height >= usable_height) {
        p.maximize = true;
        p.width = usable_width;
        p.height = usable_height;
        return p;
    }
    p.x = (usable_width - window_width) / 2;
    p.width = window_width;
    if (p.x < k_min_margin) {
        p.x = 0;
        p.width = usable_width;
    }
    p.y = (usable_height - window_height) / 2;
    p.height = window_height;
    if (p.y < k_min_margin) {
        p.y = 0;
        p.height = usable_height;
    }
    return p;
}

window_placement display_placement(int display_width, int display_height, int window_width,
                                   int window_height, int frame, int caption) {
    window_placement p;
    if (display_width == window_width && display_height == window_height) {
        p.width = window_width;
        p.height = window_height;
        return p;
    }
    p.width = window_width + 2 * frame;
    p.height = window_height + 2 * frame + caption;
    p.x = (display_width - p.width) / 2;
    p.y = (display_height - p.height) / 2;
    return p;
}

// ---------------------------------------------------------------- device

void d3d_app::fill_present_params() {
    present = present_params{};
    present.back_buffer_count = 0;
    present.multisample_type = 0;
    present.multisample_quality = 0;
    present.swap_effect = SWAPEFFECT_DISCARD;
    present.enable_auto_depth_stencil = 1;
    present.auto_depth_stencil_format = stencil_wanted ? FMT_D24X8 : FMT_D16;
    present.device_window = window;
    present.windowed = windowed;
    if (windowed) {
        int w = 0, h = 0;
        main_window()->drawable_size(&w, &h);
        if (w <= 0 || h <= 0) {
            w = window_width > 0 ? window_width : static_cast<int>(mode.width);
            h = window_height > 0 ? window_height : static_cast<int>(mode.height);
        }
        present.back_buffer_format = mode.format;
        present.back_buffer_width = static_cast<std::uint32_t>(w);
        present.back_buffer_height = static_cast<std::uint32_t>(h);
        present.presentation_interval = PRESENT_INTERVAL_IMMEDIATE;
    } else {
        present.back_buffer_format = mode.format;
        present.back_buffer_width = mode.width;
        present.back_buffer_height = mode.height;
        present.refresh_rate = mode.refresh_rate;
        present.presentation_interval = PRESENT_INTERVAL_DEFAULT;
    }
    can_shadow_volume = 0;
    if (!stencil_wanted || !d3d) return;
    for (std::uint32_t f : {FMT_D24S8, FMT_D24X4S4}) {
        if (d3d->check_device_format(mode.format, USAGE_DEPTHSTENCIL, texture_kind::plain, f) ==
                S_OK &&
            d3d->check_depth_stencil_match(mode.format, mode.format, f) == S_OK) {
            present.auto_depth_stencil_format = f;
            present.flags = PRESENTFLAG_DISCARD_DEPTHSTENCIL;
            can_shadow_volume = 1;
            return;
        }
    }
}

bool d3d_app::create_device() {
    if (!d3d) return false;
    mode = d3d->adapter_display_mode();
    fill_present_params();
    present_params params = present;
    hresult r = d3d->create_device(window, behaviour_flags | CREATE_MULTITHREADED, &params,
                                   &device);
    if (!CHECK_OWN(r)) {
        behaviour_flags = CREATE_SOFTWARE_VERTEXPROCESSING;
        params = present;
        r = d3d->create_device(window, behaviour_flags | CREATE_MULTITHREADED, &params, &device);
        if (!CHECK_OWN(r)) {
            device.reset();
            return false;
        }
    }
    present = params;
    caps = device->caps();
    device_loader = std::make_unique<device_texture_loader>(device.get());
    textures.set_loader(device_loader.get());
    use_device(device.get());

    max_textures = static_cast<int>(caps.max_simultaneous_textures);
    max_stages = static_cast<int>(caps.max_texture_blend_stages);
    max_texture_size = static_cast<int>(std::min(caps.max_texture_width, caps.max_texture_height));
    max_volume_size = static_cast<int>(caps.max_volume_extent);
    max_clip_planes = static_cast<int>(caps.max_user_clip_planes);
    max_active_lights = static_cast<int>(caps.max_active_lights);
    vertex_shader_version = shader_version(caps.vertex_shader_version);
    pixel_shader_version = shader_version(caps.pixel_shader_version);
    texture_memory_mb = static_cast<int>(caps.texture_memory >> 20);
    can_a8r8g8b8 = d3d->check_device_format(mode.format, 0, texture_kind::plain, FMT_A8R8G8B8) ==
                   S_OK;
    can_v8u8 = d3d->check_device_format(mode.format, 0, texture_kind::plain, FMT_V8U8) == S_OK;
    can_table_fog = (caps.raster_caps & RASTERCAPS_FOGTABLE) &&
                    (caps.raster_caps & (RASTERCAPS_WFOG | RASTERCAPS_ZFOG));
    can_vertex_fog = (caps.raster_caps & RASTERCAPS_FOGVERTEX) != 0;
    can_bump_maps = (caps.texture_op_caps & TEXOPCAPS_BUMPENVMAP) != 0;
    can_shaders = vertex_shader_version >= 11 && pixel_shader_version >= 11;
    can_volume_textures = (caps.texture_caps & PTEXTURECAPS_VOLUMEMAP) != 0;
    can_32bit_indices = caps.max_vertex_index > 0xFFFF;

    const char* rule = "------------------------------------------------";  // 48
    append_log("%s", "");
    append_log("%s", rule);
    append_log("Adapter is %s", caps.adapter_description);
    append_log("Texture memory = %d MB", texture_memory_mb);
    append_log("%s", "");
    append_log("Max texture size = %d", max_texture_size);
    append_log("Max volume size = %d", max_volume_size);
    append_log("Max textures = %d", max_textures);
    append_log("Max stages = %d", max_stages);
    append_log("Max clip planes = %d", max_clip_planes);
    append_log("Max active lights = %d", max_active_lights);
    append_log("%s", "");
    append_log("Vertex Shader Version = %d", vertex_shader_version);
    append_log("Pixel Shader Version = %d", pixel_shader_version);
    append_log("%s", "");
    append_log("Adapter %s A8R8G8B8", can(can_a8r8g8b8));
    append_log("Adapter %s V8U8", can(can_v8u8));
    append_log("%s", "");
    append_log("Adapter %s VertexFog", can(can_vertex_fog));
    append_log("Adapter %s TableFog", can(can_table_fog));
    append_log("Adapter %s BumpMaps", can(can_bump_maps));
    append_log("Adapter %s Shaders", can(can_shaders));
    append_log("Adapter %s VolumeTex", can(can_volume_textures));
    append_log("Adapter %s ShadowVolume", can(can_shadow_volume));
    append_log("Adapter %s 32BitIndexBuffers", can(can_32bit_indices));
    append_log("%s", rule);
    append_log("%s", "");
    if (texture_memory_mb < 512) max_volume_size = std::min(max_volume_size, 512);
    textures.max_texture_size = max_texture_size;
    textures.use_mipmaps = use_mipmaps != 0;
    return true;
}

bool d3d_app::reset_device() {
    if (!device) return true;
    fill_present_params();
    return reset_and_restore();
}

bool d3d_app::reset_and_restore() {
    if (!device) return false;
    if (on_device_lost) on_device_lost();
    present_params params = present;
    if (!check_hr(device->reset(params), "scene_proxie", __LINE__)) return false;
    if (on_device_reset) on_device_reset();
    return true;
}

void d3d_app::release_device() {
    textures.release_all();
    textures.set_loader(nullptr);
    device_loader.reset();
    if (current_device() == device.get()) use_device(nullptr);
    device.reset();
    d3d.reset();
}

void d3d_app::set_default_states(bool mirror) {
    if (!device) return;
    gfx_device& d = *device;
    for (int s = 0; s < 8; ++s) {
        d.set_sampler_state(s, SAMP_MINFILTER, TEXF_LINEAR);
        d.set_sampler_state(s, SAMP_MAGFILTER, TEXF_LINEAR);
        if (use_mipmaps) {
            // Mip chains are only worth their memory when they are sampled.
            d.set_sampler_state(s, SAMP_MIPFILTER, TEXF_LINEAR);
            d.set_sampler_state(s, SAMP_MIPMAPLODBIAS, float_bits(mip_lod_bias));
        } else {
            d.set_sampler_state(s, SAMP_MIPFILTER, TEXF_NONE);
        }
    }
    d.set_render_state(RS_SHADEMODE, SHADE_GOURAUD);
    d.set_render_state(RS_ZENABLE, 1);
    d.set_render_state(RS_ALPHABLENDENABLE, 1);
    d.set_render_state(RS_SRCBLEND, BLEND_SRCALPHA);
    d.set_render_state(RS_DESTBLEND, BLEND_INVSRCALPHA);
    d.set_render_state(RS_ALPHATESTENABLE, 1);
    d.set_render_state(RS_ALPHAREF, 1);
    d.set_render_state(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    d.set_render_state(RS_LIGHTING, 1);
    d.set_render_state(RS_SPECULARENABLE, 0);
    d.set_render_state(RS_DITHERENABLE, 1);
    d.set_render_state(RS_FOGTABLEMODE, FOG_EXP);
    d.set_render_state(RS_FOGVERTEXMODE, FOG_NONE);
    d.set_render_state_f(RS_FOGDENSITY, 2.3f / fog_end);
    d.set_render_state(RS_FOGCOLOR, fog_color);
    d.set_render_state(RS_FOGENABLE, 1);
    d.set_render_state(RS_FILLMODE, wireframe ? FILL_WIREFRAME : FILL_SOLID);

    d.set_texture_stage_state(0, TSS_COLOROP, TOP_MODULATE);
    d.set_texture_stage_state(0, TSS_COLORARG1, TA_TEXTURE);
    d.set_texture_stage_state(0, TSS_COLORARG2, TA_CURRENT);
    d.set_texture_stage_state(0, TSS_ALPHAOP, TOP_MODULATE);
    d.set_texture_stage_state(0, TSS_ALPHAARG1, TA_TEXTURE);
    d.set_texture_stage_state(0, TSS_ALPHAARG2, TA_CURRENT);
    for (int s = 1; s <= 3; ++s) {
        d.set_texture_stage_state(s, TSS_COLOROP, TOP_DISABLE);
        d.set_texture_stage_state(s, TSS_ALPHAOP, TOP_DISABLE);
    }

    const int m = mirror ? 1 : 0;
    front_cull = 2 + m;
    back_cull = 2 + (m ^ 1);
    d.set_render_state(RS_CULLMODE, static_cast<std::uint32_t>(front_cull));
}

// ---------------------------------------------------------------- window modes

void d3d_app::show_window() {
    window_system* w = main_window();
    if (start_window_mode >= 2) {
        w->show(window_show::maximized);
        return;
    }
    windowed = start_window_mode;
    if (start_window_mode == 0) {
        int dw = 0, dh = 0;
        w->desktop_size(&dw, &dh);
        window_width = dw;
        window_height = dh;
        apply_window_mode();
        return;
    }
    const window_placement p =
        centered_placement(usable_width, usable_height, window_width, window_height);
    if (p.maximize) {
        w->show(window_show::maximized);
        return;
    }
    w->set_bounds(p.x, p.y, p.width, p.height);
    w->show(window_show::normal);
}

void d3d_app::apply_window_mode() {
    window_system* w = main_window();
    if (windowed) {
        w->set_bounds(0, 0, usable_width, usable_height);
        w->show(window_show::normal);
    } else {
        w->show(window_show::full_screen);
    }
    reset_device();
}

void d3d_app::center_window() {
    const display_mode current = d3d ? d3d->adapter_display_mode() : mode;
    const window_placement p = display_placement(
        static_cast<int>(current.width), static_cast<int>(current.height),
        static_cast<int>(mode.width), static_cast<int>(mode.height), k_sizing_frame, k_caption);
    main_window()->set_bounds(p.x, p.y, p.width, p.height);
}

// ---------------------------------------------------------------- render targets

bool d3d_app::create_render_to_surface(std::unique_ptr<render_to_surface>* out, int width,
                                       int height, std::uint32_t format) {
    if (!out) return false;
    if (*out) return true;
    if (!device) return false;
    return CHECK_OWN(render_to_surface::create(device.get(), width, height, format, FMT_D16, out));
}

bool d3d_app::create_render_surface(surface_ptr* out, int width, int height,
                                    std::uint32_t format) {
    if (!out) return false;
    if (*out) return true;
    if (!device) return false;
    return CHECK_OWN(device->create_render_target(width, height, format, true, out));
}

bool d3d_app::create_render_texture(texture_ptr* out, int width, int height,
                                    std::uint32_t format) {
    if (!out) return false;
    if (*out) return true;
    if (!device) return false;
    return CHECK_OWN(
        device->create_texture(width, height, 1, USAGE_RENDERTARGET, format, POOL_DEFAULT, out));
}

// ---------------------------------------------------------------- textures


bool d3d_app::create_texture(texture_ptr* out, int width, int height, bool fill,
                             std::uint32_t color) {
    if (!out) return false;
    if (*out) return true;
    return create_filled_texture(device.get(), out, width, height, fill, color);
}

bool d3d_app::load_texture_as(const char* file, texture_ptr* out, std::uint32_t format) {
    if (!out) return false;
    if (*out) return true;
    return ::load_texture_as(device.get(), file, out, format);
}

bool d3d_app::load_texture_file(const char* file, texture_ptr* out) {
    if (!out) return false;
    if (*out) return true;
    return ::load_texture_file(device.get(), file, out);
}

bool d3d_app::load_bump_texture(const char* file, texture_ptr* out, bool mipmapped,
                                bool direct) {
    if (!out) return false;
    if (*out) return true;
    return ::load_bump_texture(device.get(), file, out, mipmapped, direct);
}

bool d3d_app::load_texture_tiles(const char* file, std::vector<texture_ptr>* out, int columns,
                                 int rows) {
    if (!out) return false;
    return ::load_texture_tiles(device.get(), file, out, columns, rows);
}
