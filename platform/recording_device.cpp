#include "platform/recording_device.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

recording_device::recording_device(const present_params& params, const device_caps& caps) {
    params_ = params;
    caps_ = caps;
    make_swap_chain();
    reset_state(params_.enable_auto_depth_stencil != 0);
}

recording_device::~recording_device() {
    // The swap chain goes first, while the device can still be told.
    back_buffer_.reset();
    auto_depth_.reset();
}

device_caps recording_device::default_caps() {
    device_caps c;
    copy_text(c.adapter_description, "Recording device");
    c.texture_memory = 256ull << 20;
    c.max_texture_width = c.max_texture_height = 8192;
    c.max_volume_extent = 2048;
    c.max_simultaneous_textures = 8;
    c.max_texture_blend_stages = 8;
    c.max_user_clip_planes = 6;
    c.max_active_lights = 8;
    c.vertex_shader_version = 0x300;
    c.pixel_shader_version = 0x300;
    c.raster_caps = RASTERCAPS_FOGVERTEX | RASTERCAPS_FOGTABLE | RASTERCAPS_ZFOG | RASTERCAPS_WFOG;
    c.texture_op_caps = TEXOPCAPS_BUMPENVMAP;
    c.texture_caps = PTEXTURECAPS_VOLUMEMAP | PTEXTURECAPS_CUBEMAP;
    c.max_vertex_index = 0xFFFFFF;
    c.max_point_size = 256;
    return c;
}

void recording_device::make_swap_chain() {
    back_buffer_.reset();
    auto_depth_.reset();
    const std::uint32_t format =
        params_.back_buffer_format ? params_.back_buffer_format : FMT_X8R8G8B8;
    back_buffer_ = std::make_unique<gfx_surface>(static_cast<int>(params_.back_buffer_width),
                                                 static_cast<int>(params_.back_buffer_height),
                                                 format, USAGE_RENDERTARGET);
    back_buffer_->attach(this);
    if (params_.enable_auto_depth_stencil) {
        auto_depth_ = std::make_unique<gfx_surface>(
            static_cast<int>(params_.back_buffer_width),
            static_cast<int>(params_.back_buffer_height), params_.auto_depth_stencil_format,
            USAGE_DEPTHSTENCIL);
        auto_depth_->attach(this);
    }
}

hresult recording_device::reset(const present_params& params) {
    ++reset_count;
    if (reset_result != S_OK) return reset_result;
    params_ = params;
    make_swap_chain();
    reset_state(params_.enable_auto_depth_stencil != 0);
    return S_OK;
}

bool recording_device::begin_sample_count() {
    if (counting_) return false;
    counting_ = true;
    return true;
}

void recording_device::end_sample_count() {
    if (!counting_) return;
    counting_ = false;
    counted_samples_ = samples_to_report;
}

hresult recording_device::present() {
    if (in_scene()) return D3DERR_INVALIDCALL;
    ++present_count;
    return S_OK;
}

hresult recording_device::clear(std::uint32_t flags, std::uint32_t color, float, std::uint32_t) {
    if ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !depth_stencil_surface())
        return D3DERR_INVALIDCALL;
    ++clear_count;
    last_clear_flags = flags;
    last_clear_color = color;
    return S_OK;
}

hresult recording_device::check_create() {
    const hresult r = create_result;
    create_result = S_OK;
    return r;
}

namespace {
bool size_ok(int w, int h, int d, std::size_t limit, std::uint32_t format) {
    if (w <= 0 || h <= 0 || d <= 0) return false;
    if (format_pitch(format, 1) <= 0) return false;
    const std::size_t bytes = static_cast<std::size_t>(format_pitch(format, w)) *
                              static_cast<std::size_t>(h) * static_cast<std::size_t>(d);
    return bytes <= limit;
}
}  // namespace

hresult recording_device::create_texture(int width, int height, int levels, std::uint32_t usage,
                                         std::uint32_t format, std::uint32_t pool,
                                         texture_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (width <= 0 || height <= 0 || format_pitch(format, 1) <= 0) return D3DERR_INVALIDCALL;
    if (!size_ok(width, height, 1, memory_limit, format)) return D3DERR_OUTOFVIDEOMEMORY;
    *out = std::make_unique<gfx_texture>(texture_kind::plain, width, height, 1, levels, usage,
                                         format, pool);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_cube_texture(int edge, int levels, std::uint32_t usage,
                                              std::uint32_t format, std::uint32_t pool,
                                              texture_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (edge <= 0 || format_pitch(format, 1) <= 0) return D3DERR_INVALIDCALL;
    if (!size_ok(edge, edge, 6, memory_limit, format)) return D3DERR_OUTOFVIDEOMEMORY;
    *out = std::make_unique<gfx_texture>(texture_kind::cube, edge, edge, 1, levels, usage,
                                         format, pool);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_volume_texture(int width, int height, int depth, int levels,
                                                std::uint32_t usage, std::uint32_t format,
                                                std::uint32_t pool, texture_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (width <= 0 || height <= 0 || depth <= 0 || format_pitch(format, 1) <= 0)
        return D3DERR_INVALIDCALL;
    if (!size_ok(width, height, depth, memory_limit, format)) return D3DERR_OUTOFVIDEOMEMORY;
    *out = std::make_unique<gfx_texture>(texture_kind::volume, width, height, depth, levels,
                                         usage, format, pool);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf,
                                               std::uint32_t pool, vertex_buffer_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (bytes <= 0) return D3DERR_INVALIDCALL;
    if (static_cast<std::size_t>(bytes) > memory_limit) return D3DERR_OUTOFVIDEOMEMORY;
    *out = std::make_unique<gfx_vertex_buffer>(bytes, usage, fvf, pool);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_index_buffer(int bytes, std::uint32_t usage,
                                              std::uint32_t format, std::uint32_t pool,
                                              index_buffer_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (bytes <= 0 || (format != FMT_INDEX16 && format != FMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (static_cast<std::size_t>(bytes) > memory_limit) return D3DERR_OUTOFVIDEOMEMORY;
    *out = std::make_unique<gfx_index_buffer>(bytes, usage, format, pool);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_render_target(int width, int height, std::uint32_t format,
                                               bool, surface_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (width <= 0 || height <= 0 || format_is_depth(format) || format_pitch(format, 1) <= 0)
        return D3DERR_INVALIDCALL;
    *out = std::make_unique<gfx_surface>(width, height, format, USAGE_RENDERTARGET);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_depth_stencil_surface(int width, int height,
                                                       std::uint32_t format, surface_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (width <= 0 || height <= 0 || !format_is_depth(format)) return D3DERR_INVALIDCALL;
    *out = std::make_unique<gfx_surface>(width, height, format, USAGE_DEPTHSTENCIL);
    (*out)->attach(this);
    return S_OK;
}

namespace {
// The recording device compiles nothing; an empty program or one asking for an error
// stands for a program that does not compile.
bool source_ok(const char* source) {
    return source && source[0] && !std::strstr(source, "#error");
}
}  // namespace

hresult recording_device::create_vertex_shader(const char* source, shader_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (!source_ok(source)) return E_GL_SHADER;
    *out = std::make_unique<gfx_shader>(shader_stage::vertex, source);
    (*out)->attach(this);
    return S_OK;
}

hresult recording_device::create_pixel_shader(const char* source, shader_ptr* out) {
    if (!out) return D3DERR_INVALIDCALL;
    if (const hresult r = check_create(); r != S_OK) return r;
    if (!source_ok(source)) return E_GL_SHADER;
    *out = std::make_unique<gfx_shader>(shader_stage::pixel, source);
    (*out)->attach(this);
    return S_OK;
}

draw_record recording_device::record(std::uint32_t type, int count) const {
    draw_record d;
    d.type = type;
    d.primitive_count = count;
    d.fvf = fvf();
    for (int i = 0; i < k_max_stages; ++i) d.textures[i] = texture(i);
    d.vertex_shader = vertex_shader();
    d.pixel_shader = pixel_shader();
    d.target = render_target();
    d.lights = enabled_lights();
    for (int i : d.lights) {
        gfx_light l;
        get_light(i, &l);
        d.light_records.push_back(l);
    }
    d.state = state();
    return d;
}

namespace {
bool type_ok(std::uint32_t type) { return type >= PT_POINTLIST && type <= PT_TRIANGLEFAN; }

std::vector<std::uint32_t> read_indices(const std::uint8_t* bytes, std::uint32_t format,
                                        int first, int n) {
    std::vector<std::uint32_t> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        if (format == FMT_INDEX32) {
            std::memcpy(&out[static_cast<std::size_t>(i)], bytes + 4 * (first + i), 4);
        } else {
            std::uint16_t v;
            std::memcpy(&v, bytes + 2 * (first + i), 2);
            out[static_cast<std::size_t>(i)] = v;
        }
    }
    return out;
}
}  // namespace

hresult recording_device::draw_primitive(std::uint32_t type, int start_vertex, int count) {
    gfx_vertex_buffer* vb = stream_source();
    if (!type_ok(type) || count <= 0 || !vb || start_vertex < 0) return D3DERR_INVALIDCALL;
    const int stride = stream_stride();
    const int n = primitive_vertex_count(type, count);
    const long long first = stream_offset() + static_cast<long long>(start_vertex) * stride;
    const long long end = first + static_cast<long long>(n) * stride;
    if (stride <= 0 || end > vb->size()) return D3DERR_INVALIDCALL;
    draw_record d = record(type, count);
    d.start_vertex = start_vertex;
    d.stride = stride;
    d.vertices.assign(vb->data() + first, vb->data() + end);
    draws_.push_back(std::move(d));
    return S_OK;
}

hresult recording_device::draw_indexed_primitive(std::uint32_t type, int base_vertex, int,
                                                 int, int start_index, int count) {
    gfx_vertex_buffer* vb = stream_source();
    gfx_index_buffer* ib = indices();
    if (!type_ok(type) || count <= 0 || !vb || !ib || start_index < 0) return D3DERR_INVALIDCALL;
    const int stride = stream_stride();
    const int n = primitive_vertex_count(type, count);
    const int index_size = ib->format() == FMT_INDEX32 ? 4 : 2;
    if (stride <= 0 || static_cast<long long>(start_index + n) * index_size > ib->size())
        return D3DERR_INVALIDCALL;
    draw_record d = record(type, count);
    d.indexed = true;
    d.base_vertex = base_vertex;
    d.start_index = start_index;
    d.stride = stride;
    d.indices = read_indices(ib->data(), ib->format(), start_index, n);
    const int vertex_total = (vb->size() - stream_offset()) / stride;
    for (std::uint32_t i : d.indices)
        if (static_cast<long long>(i) + base_vertex >= vertex_total ||
            static_cast<long long>(i) + base_vertex < 0)
            return D3DERR_INVALIDCALL;
    d.vertices.assign(vb->data() + stream_offset(), vb->data() + vb->size());
    draws_.push_back(std::move(d));
    return S_OK;
}

hresult recording_device::draw_primitive_up(std::uint32_t type, int count, const void* vertices,
                                            int stride) {
    if (!type_ok(type) || count <= 0 || !vertices || stride <= 0) return D3DERR_INVALIDCALL;
    const int n = primitive_vertex_count(type, count);
    draw_record d = record(type, count);
    d.from_memory = true;
    d.stride = stride;
    const auto* bytes = static_cast<const std::uint8_t*>(vertices);
    d.vertices.assign(bytes, bytes + static_cast<std::size_t>(n) * stride);
    draws_.push_back(std::move(d));
    set_stream_source(0, nullptr, 0, 0);
    return S_OK;
}

hresult recording_device::draw_indexed_primitive_up(std::uint32_t type, int min_index,
                                                    int vertex_count, int count,
                                                    const void* indices,
                                                    std::uint32_t index_format,
                                                    const void* vertices, int stride) {
    if (!type_ok(type) || count <= 0 || !vertices || !indices || stride <= 0 ||
        vertex_count <= 0 || min_index < 0)
        return D3DERR_INVALIDCALL;
    const int n = primitive_vertex_count(type, count);
    draw_record d = record(type, count);
    d.from_memory = true;
    d.indexed = true;
    d.stride = stride;
    d.indices = read_indices(static_cast<const std::uint8_t*>(indices), index_format, 0, n);
    for (std::uint32_t i : d.indices)
        if (i >= static_cast<std::uint32_t>(min_index + vertex_count)) return D3DERR_INVALIDCALL;
    const auto* bytes = static_cast<const std::uint8_t*>(vertices);
    d.vertices.assign(bytes, bytes + static_cast<std::size_t>(min_index + vertex_count) * stride);
    draws_.push_back(std::move(d));
    set_stream_source(0, nullptr, 0, 0);
    set_indices(nullptr);
    return S_OK;
}

void recording_device::clear_records() {
    draws_.clear();
    clear_count = present_count = 0;
}

// ---- null_gfx_system ----

null_gfx_system::null_gfx_system() {
    mode = display_mode{1024, 768, 60, FMT_X8R8G8B8};
    caps = recording_device::default_caps();
    texture_formats = {FMT_A8R8G8B8, FMT_X8R8G8B8, FMT_R5G6B5, FMT_A4R4G4B4, FMT_A1R5G5B5,
                       FMT_A8,       FMT_L8,       FMT_V8U8,   FMT_DXT1,     FMT_DXT3,
                       FMT_DXT5};
    depth_formats = {FMT_D16, FMT_D24X8, FMT_D24S8};
}

hresult null_gfx_system::check_device_format(std::uint32_t, std::uint32_t usage, texture_kind,
                                             std::uint32_t format) const {
    const auto& list = (usage & USAGE_DEPTHSTENCIL) ? depth_formats : texture_formats;
    return std::find(list.begin(), list.end(), format) != list.end() ? S_OK
                                                                     : D3DERR_NOTAVAILABLE;
}

hresult null_gfx_system::check_depth_stencil_match(std::uint32_t, std::uint32_t,
                                                   std::uint32_t depth_format) const {
    return std::find(depth_formats.begin(), depth_formats.end(), depth_format) !=
                   depth_formats.end()
               ? S_OK
               : D3DERR_NOTAVAILABLE;
}

hresult null_gfx_system::create_device(void* window, std::uint32_t behaviour,
                                       present_params* params,
                                       std::unique_ptr<gfx_device>* out) {
    creation_flags.push_back(behaviour);
    if (!params || !out) return D3DERR_INVALIDCALL;
    if (failing_creations > 0) {
        --failing_creations;
        return D3DERR_NOTAVAILABLE;
    }
    if (params->back_buffer_width == 0) params->back_buffer_width = mode.width;
    if (params->back_buffer_height == 0) params->back_buffer_height = mode.height;
    if (params->back_buffer_format == FMT_UNKNOWN) params->back_buffer_format = mode.format;
    params->device_window = window;
    auto device = std::make_unique<recording_device>(*params, caps);
    last_device = device.get();
    *out = std::move(device);
    return S_OK;
}
