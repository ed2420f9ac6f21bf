#include "platform/gfx_device.h"

#include <cstring>

namespace {
bool render_key_ok(std::uint32_t key) { return key < k_render_state_count; }
bool sampler_ok(int s, std::uint32_t key) {
    return s >= 0 && s < k_max_samplers && key < k_sampler_state_count;
}
bool stage_ok(int s, std::uint32_t key) {
    return s >= 0 && s < k_max_stages && key < k_stage_state_count;
}
const mat4& identity_matrix() {
    static const mat4 m = mat_identity();
    return m;
}
}  // namespace

void device_state::set_defaults(bool depth_buffer) {
    std::memset(render, 0, sizeof render);
    render[RS_ZENABLE] = depth_buffer ? 1 : 0;
    render[RS_FILLMODE] = FILL_SOLID;
    render[RS_SHADEMODE] = SHADE_GOURAUD;
    render[RS_ZWRITEENABLE] = 1;
    render[RS_ALPHATESTENABLE] = 0;
    render[RS_LASTPIXEL] = 1;
    render[RS_SRCBLEND] = BLEND_ONE;
    render[RS_DESTBLEND] = BLEND_ZERO;
    render[RS_CULLMODE] = CULL_CCW;
    render[RS_ZFUNC] = CMP_LESSEQUAL;
    render[RS_ALPHAREF] = 0;
    render[RS_ALPHAFUNC] = CMP_ALWAYS;
    render[RS_FOGCOLOR] = 0;
    render[RS_FOGTABLEMODE] = FOG_NONE;
    render[RS_FOGSTART] = float_bits(0.0f);
    render[RS_FOGEND] = float_bits(1.0f);
    render[RS_FOGDENSITY] = float_bits(1.0f);
    render[RS_STENCILFAIL] = STENCILOP_KEEP;
    render[RS_STENCILZFAIL] = STENCILOP_KEEP;
    render[RS_STENCILPASS] = STENCILOP_KEEP;
    render[RS_STENCILFUNC] = CMP_ALWAYS;
    render[RS_STENCILMASK] = 0xFFFFFFFFu;
    render[RS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    render[RS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    render[RS_CLIPPING] = 1;
    render[RS_LIGHTING] = 1;
    render[RS_AMBIENT] = 0;
    render[RS_FOGVERTEXMODE] = FOG_NONE;
    render[RS_COLORVERTEX] = 1;
    render[RS_LOCALVIEWER] = 1;
    render[RS_DIFFUSEMATERIALSOURCE] = MCS_COLOR1;
    render[RS_SPECULARMATERIALSOURCE] = MCS_COLOR2;
    render[RS_AMBIENTMATERIALSOURCE] = MCS_MATERIAL;
    render[RS_EMISSIVEMATERIALSOURCE] = MCS_MATERIAL;
    render[RS_POINTSIZE] = float_bits(1.0f);
    render[RS_POINTSIZE_MIN] = float_bits(1.0f);
    render[RS_POINTSCALE_A] = float_bits(1.0f);
    render[RS_POINTSCALE_B] = float_bits(0.0f);
    render[RS_POINTSCALE_C] = float_bits(0.0f);
    render[RS_MULTISAMPLEANTIALIAS] = 1;
    render[RS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    render[RS_POINTSIZE_MAX] = float_bits(64.0f);
    render[RS_COLORWRITEENABLE] = 0xF;
    render[RS_BLENDOP] = BLENDOP_ADD;

    for (auto& s : sampler) {
        std::memset(s, 0, sizeof s);
        s[SAMP_ADDRESSU] = TADDRESS_WRAP;
        s[SAMP_ADDRESSV] = TADDRESS_WRAP;
        s[SAMP_ADDRESSW] = TADDRESS_WRAP;
        s[SAMP_MAGFILTER] = TEXF_POINT;
        s[SAMP_MINFILTER] = TEXF_POINT;
        s[SAMP_MIPFILTER] = TEXF_NONE;
        s[SAMP_MAXANISOTROPY] = 1;
    }
    for (int i = 0; i < k_max_stages; ++i) {
        auto& s = stage[i];
        std::memset(s, 0, sizeof s);
        s[TSS_COLOROP] = i == 0 ? TOP_MODULATE : TOP_DISABLE;
        s[TSS_COLORARG1] = TA_TEXTURE;
        s[TSS_COLORARG2] = TA_CURRENT;
        s[TSS_ALPHAOP] = i == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
        s[TSS_ALPHAARG1] = TA_TEXTURE;
        s[TSS_ALPHAARG2] = TA_CURRENT;
        s[TSS_TEXCOORDINDEX] = static_cast<std::uint32_t>(i);
        s[TSS_COLORARG0] = TA_CURRENT;
        s[TSS_ALPHAARG0] = TA_CURRENT;
        s[TSS_RESULTARG] = TA_CURRENT;
    }
    view = projection = identity_matrix();
    for (auto& w : world) w = identity_matrix();
    for (auto& t : texture_transform) t = identity_matrix();
    material = gfx_material{};
    std::memset(clip_planes, 0, sizeof clip_planes);
    std::memset(vs_constants, 0, sizeof vs_constants);
    std::memset(ps_constants, 0, sizeof ps_constants);
    fvf = 0;
}

gfx_device::gfx_device() : lights_(k_max_lights), light_on_(k_max_lights, 0) {
    state_.set_defaults(true);
}

gfx_device::~gfx_device() {
    for (const gfx_resource* r : live_) const_cast<gfx_resource*>(r)->device_ = nullptr;
}

void gfx_device::reset_state(bool depth_buffer) {
    state_.set_defaults(depth_buffer);
    state_.viewport = gfx_viewport{0, 0, params_.back_buffer_width, params_.back_buffer_height,
                                   0.0f, 1.0f};
    for (auto& l : lights_) l = gfx_light{};
    std::fill(light_on_.begin(), light_on_.end(), 0);
    for (auto& t : textures_) t = nullptr;
    stream_ = nullptr;
    stream_offset_ = stream_stride_ = 0;
    indices_ = nullptr;
    vertex_shader_ = pixel_shader_ = nullptr;
    target_ = nullptr;
    depth_ = auto_depth_stencil();
    in_scene_ = false;
}

hresult gfx_device::begin_scene() {
    if (in_scene_) return D3DERR_INVALIDCALL;
    in_scene_ = true;
    return S_OK;
}

hresult gfx_device::end_scene() {
    if (!in_scene_) return D3DERR_INVALIDCALL;
    in_scene_ = false;
    return S_OK;
}

hresult gfx_device::set_render_state(std::uint32_t key, std::uint32_t value) {
    if (!render_key_ok(key)) return D3DERR_INVALIDCALL;
    state_.render[key] = value;
    return S_OK;
}

hresult gfx_device::set_render_state_f(std::uint32_t key, float value) {
    return set_render_state(key, float_bits(value));
}

std::uint32_t gfx_device::render_state(std::uint32_t key) const {
    return render_key_ok(key) ? state_.render[key] : 0;
}

float gfx_device::render_state_f(std::uint32_t key) const { return bits_float(render_state(key)); }

hresult gfx_device::set_sampler_state(int s, std::uint32_t key, std::uint32_t value) {
    if (!sampler_ok(s, key)) return D3DERR_INVALIDCALL;
    state_.sampler[s][key] = value;
    return S_OK;
}

std::uint32_t gfx_device::sampler_state(int s, std::uint32_t key) const {
    return sampler_ok(s, key) ? state_.sampler[s][key] : 0;
}

hresult gfx_device::set_texture_stage_state(int s, std::uint32_t key, std::uint32_t value) {
    if (!stage_ok(s, key)) return D3DERR_INVALIDCALL;
    state_.stage[s][key] = value;
    return S_OK;
}

std::uint32_t gfx_device::texture_stage_state(int s, std::uint32_t key) const {
    return stage_ok(s, key) ? state_.stage[s][key] : 0;
}

namespace {
mat4* transform_slot(device_state& s, std::uint32_t which) {
    if (which == TS_VIEW) return &s.view;
    if (which == TS_PROJECTION) return &s.projection;
    if (which >= TS_TEXTURE0 && which < TS_TEXTURE0 + k_max_stages)
        return &s.texture_transform[which - TS_TEXTURE0];
    if (which >= TS_WORLD && which < TS_WORLD + k_max_world_matrices)
        return &s.world[which - TS_WORLD];
    return nullptr;
}
}  // namespace

hresult gfx_device::set_transform(std::uint32_t which, const mat4& m) {
    mat4* slot = transform_slot(state_, which);
    if (!slot) return D3DERR_INVALIDCALL;
    *slot = m;
    return S_OK;
}

hresult gfx_device::get_transform(std::uint32_t which, mat4* out) const {
    mat4* slot = transform_slot(const_cast<device_state&>(state_), which);
    if (!slot || !out) return D3DERR_INVALIDCALL;
    *out = *slot;
    return S_OK;
}

const mat4& gfx_device::transform(std::uint32_t which) const {
    const mat4* slot = transform_slot(const_cast<device_state&>(state_), which);
    return slot ? *slot : identity_matrix();
}

hresult gfx_device::set_viewport(const gfx_viewport& v) {
    const gfx_surface* target = render_target();
    if (target && (static_cast<long long>(v.x) + v.width > target->width() ||
                   static_cast<long long>(v.y) + v.height > target->height()))
        return D3DERR_INVALIDCALL;
    state_.viewport = v;
    return S_OK;
}

hresult gfx_device::set_light(int index, const gfx_light& light) {
    if (index < 0 || index >= k_max_lights) return D3DERR_INVALIDCALL;
    lights_[static_cast<std::size_t>(index)] = light;
    return S_OK;
}

hresult gfx_device::get_light(int index, gfx_light* out) const {
    if (index < 0 || index >= k_max_lights || !out) return D3DERR_INVALIDCALL;
    *out = lights_[static_cast<std::size_t>(index)];
    return S_OK;
}

hresult gfx_device::light_enable(int index, bool on) {
    if (index < 0 || index >= k_max_lights) return D3DERR_INVALIDCALL;
    light_on_[static_cast<std::size_t>(index)] = on ? 1 : 0;
    return S_OK;
}

bool gfx_device::light_enabled(int index) const {
    return index >= 0 && index < k_max_lights && light_on_[static_cast<std::size_t>(index)];
}

std::vector<int> gfx_device::enabled_lights() const {
    std::vector<int> out;
    for (int i = 0; i < k_max_lights; ++i)
        if (light_on_[static_cast<std::size_t>(i)]) out.push_back(i);
    return out;
}

hresult gfx_device::set_material(const gfx_material& m) {
    state_.material = m;
    return S_OK;
}

hresult gfx_device::set_clip_plane(int index, const float p[4]) {
    if (index < 0 || index >= k_max_clip_planes || !p) return D3DERR_INVALIDCALL;
    std::memcpy(state_.clip_planes[index], p, sizeof state_.clip_planes[index]);
    return S_OK;
}

const float* gfx_device::clip_plane(int index) const {
    return (index >= 0 && index < k_max_clip_planes) ? state_.clip_planes[index] : nullptr;
}

hresult gfx_device::set_texture(int stage, gfx_texture* texture) {
    if (stage < 0 || stage >= k_max_stages) return D3DERR_INVALIDCALL;
    textures_[stage] = texture;
    return S_OK;
}

gfx_texture* gfx_device::texture(int stage) const {
    return (stage >= 0 && stage < k_max_stages) ? textures_[stage] : nullptr;
}

hresult gfx_device::set_fvf(std::uint32_t fvf) {
    state_.fvf = fvf;
    return S_OK;
}

hresult gfx_device::set_stream_source(int stream, gfx_vertex_buffer* buffer, int offset,
                                      int stride) {
    if (stream != 0 || offset < 0 || stride < 0) return D3DERR_INVALIDCALL;
    stream_ = buffer;
    stream_offset_ = offset;
    stream_stride_ = stride;
    return S_OK;
}

hresult gfx_device::set_indices(gfx_index_buffer* buffer) {
    indices_ = buffer;
    return S_OK;
}

hresult gfx_device::set_vertex_shader(gfx_shader* shader) {
    if (shader && shader->stage() != shader_stage::vertex) return D3DERR_INVALIDCALL;
    vertex_shader_ = shader;
    return S_OK;
}

hresult gfx_device::set_pixel_shader(gfx_shader* shader) {
    if (shader && shader->stage() != shader_stage::pixel) return D3DERR_INVALIDCALL;
    pixel_shader_ = shader;
    return S_OK;
}

hresult gfx_device::set_vertex_shader_constant_f(int start, const float* values, int count) {
    if (!values || start < 0 || count < 0 || start + count > k_vs_constants)
        return D3DERR_INVALIDCALL;
    std::memcpy(state_.vs_constants[start], values, sizeof(float) * 4 * count);
    return S_OK;
}

hresult gfx_device::set_pixel_shader_constant_f(int start, const float* values, int count) {
    if (!values || start < 0 || count < 0 || start + count > k_ps_constants)
        return D3DERR_INVALIDCALL;
    std::memcpy(state_.ps_constants[start], values, sizeof(float) * 4 * count);
    return S_OK;
}

const float* gfx_device::vertex_shader_constant(int index) const {
    return (index >= 0 && index < k_vs_constants) ? state_.vs_constants[index] : nullptr;
}

const float* gfx_device::pixel_shader_constant(int index) const {
    return (index >= 0 && index < k_ps_constants) ? state_.ps_constants[index] : nullptr;
}

hresult gfx_device::set_render_target(int index, gfx_surface* target) {
    if (index != 0) return D3DERR_INVALIDCALL;
    if (target && target == back_buffer()) target = nullptr;
    if (target && !(target->usage() & USAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    target_ = target;
    const gfx_surface* t = render_target();
    state_.viewport = gfx_viewport{0, 0, t ? static_cast<std::uint32_t>(t->width()) : 0,
                                   t ? static_cast<std::uint32_t>(t->height()) : 0, 0.0f, 1.0f};
    return S_OK;
}

hresult gfx_device::set_depth_stencil_surface(gfx_surface* surface) {
    if (surface && !format_is_depth(surface->format())) return D3DERR_INVALIDCALL;
    depth_ = surface;
    return S_OK;
}

void gfx_device::forget(const gfx_texture* texture) {
    live_.erase(texture);
    for (auto& t : textures_)
        if (t == texture) t = nullptr;
}

void gfx_device::forget(const gfx_surface* surface) {
    live_.erase(surface);
    if (target_ == surface) set_render_target(0, nullptr);
    if (depth_ == surface) depth_ = nullptr;
}

void gfx_device::forget(const gfx_buffer* buffer) {
    live_.erase(buffer);
    if (stream_ == buffer) stream_ = nullptr;
    if (indices_ == buffer) indices_ = nullptr;
}

void gfx_device::forget(const gfx_shader* shader) {
    live_.erase(shader);
    if (vertex_shader_ == shader) vertex_shader_ = nullptr;
    if (pixel_shader_ == shader) pixel_shader_ = nullptr;
}
