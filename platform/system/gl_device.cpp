#include "platform/system/gl_device.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/window.h"

namespace {

// ---------------------------------------------------------------- formats

struct gl_format {
    GLenum internal = 0, format = 0, type = 0;
    bool compressed = false;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// The 16-bit formats keep their 16-bit uploads but are stored in GL with eight bits a
// channel: the software rasteriser filters 8-bit channels on its fast path and widens 16-bit
// texels at every fetch (the land volumes alone took a sixth of a frame's pixel work).
bool gl_format_of(std::uint32_t f, gl_format* out) {
    gl_format g;
    switch (f) {
    case FMT_A8R8G8B8: g.internal = GL_RGBA8; g.format = GL_BGRA; g.type = GL_UNSIGNED_BYTE; break;
    case FMT_X8R8G8B8:
        g.internal = GL_RGBA8; g.format = GL_BGRA; g.type = GL_UNSIGNED_BYTE;
        g.swizzle[3] = GL_ONE;
        break;
    case FMT_R5G6B5:
        g.internal = GL_RGB8; g.format = GL_RGB; g.type = GL_UNSIGNED_SHORT_5_6_5;
        break;
    case FMT_A4R4G4B4:
        g.internal = GL_RGBA8; g.format = GL_BGRA; g.type = GL_UNSIGNED_SHORT_4_4_4_4_REV;
        break;
    case FMT_A1R5G5B5:
        g.internal = GL_RGBA8; g.format = GL_BGRA; g.type = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        break;
    case FMT_X1R5G5B5:
        g.internal = GL_RGBA8; g.format = GL_BGRA; g.type = GL_UNSIGNED_SHORT_1_5_5_5_REV;
        g.swizzle[3] = GL_ONE;
        break;
    case FMT_A8:
        g.internal = GL_R8; g.format = GL_RED; g.type = GL_UNSIGNED_BYTE;
        g.swizzle[0] = g.swizzle[1] = g.swizzle[2] = GL_ZERO;
        g.swizzle[3] = GL_RED;
        break;
    case FMT_L8:
        g.internal = GL_R8; g.format = GL_RED; g.type = GL_UNSIGNED_BYTE;
        g.swizzle[1] = g.swizzle[2] = GL_RED;
        g.swizzle[3] = GL_ONE;
        break;
    case FMT_A8L8:
        g.internal = GL_RG8; g.format = GL_RG; g.type = GL_UNSIGNED_BYTE;
        g.swizzle[1] = g.swizzle[2] = GL_RED;
        g.swizzle[3] = GL_GREEN;
        break;
    case FMT_V8U8:  // bytes U, V: signed, read as red and green
        g.internal = GL_RG8_SNORM; g.format = GL_RG; g.type = GL_BYTE;
        g.swizzle[2] = GL_ONE;
        g.swizzle[3] = GL_ONE;
        break;
    case FMT_DXT1: g.internal = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT; g.compressed = true; break;
    case FMT_DXT3: g.internal = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT; g.compressed = true; break;
    case FMT_DXT5: g.internal = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT; g.compressed = true; break;
    default: return false;
    }
    *out = g;
    return true;
}

GLenum depth_internal(std::uint32_t f) {
    switch (f) {
    case FMT_D16: return GL_DEPTH_COMPONENT16;
    case FMT_D24X8: return GL_DEPTH_COMPONENT24;
    case FMT_D24S8: return GL_DEPTH24_STENCIL8;
    default: return 0;
    }
}

bool has_stencil(std::uint32_t f) { return f == FMT_D24S8 || f == FMT_D24X4S4; }

// ---------------------------------------------------------------- resources

GLenum face_target(texture_kind kind, int face) {
    if (kind == texture_kind::cube) return GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
    return kind == texture_kind::volume ? GL_TEXTURE_3D : GL_TEXTURE_2D;
}

class gl_texture : public gfx_texture {
public:
    gl_texture(texture_kind kind, int w, int h, int d, int levels, std::uint32_t usage,
               std::uint32_t format, std::uint32_t pool, const gl_format& f)
        : gfx_texture(kind, w, h, d, levels, usage, format, pool), f_(f) {
        target = kind == texture_kind::cube     ? GL_TEXTURE_CUBE_MAP
                 : kind == texture_kind::volume ? GL_TEXTURE_3D
                                                : GL_TEXTURE_2D;
        glGenTextures(1, &name);
        glBindTexture(target, name);
        glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
        glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, level_count() - 1);
        glTexParameteriv(target, GL_TEXTURE_SWIZZLE_RGBA, f_.swizzle);
        dirty_.assign(static_cast<std::size_t>(level_count() * face_count()), 1);
        // Every level goes to GL at the texture's first use (drawn with, drawn into or, for a
        // render target, locked), so it is complete then and nothing is sent twice: a managed
        // texture is filled by its creator first, and a render target made early (the
        // scenario's pass targets) takes no memory in GL until it is needed.
    }
    ~gl_texture() override { glDeleteTextures(1, &name); }

    // Sends the changed levels; binds the texture to the active unit when there are any.
    void upload() {
        bool bound = false;
        for (int face = 0; face < face_count(); ++face) {
            for (int level = 0; level < level_count(); ++level) {
                auto& d = dirty_[static_cast<std::size_t>(face * level_count() + level)];
                if (!d) continue;
                d = 0;
                if (!bound) glBindTexture(target, name);
                bound = true;
                upload_level(level, face);
            }
        }
        if (bound) forget_bindings();
        in_gl_ = true;
    }

    GLenum target = GL_TEXTURE_2D;
    GLuint name = 0;

protected:
    void before_lock(int level, int face) override {
        if (!(usage() & USAGE_RENDERTARGET) || f_.compressed) return;
        if (!in_gl_) upload();  // never used yet: its levels are made (zeroed) first
        glBindTexture(target, name);
        forget_bindings();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(face_target(kind(), face), level, f_.format, f_.type,
                      level_bits(level, face));
    }
    void after_unlock(int level, int face) override {
        dirty_[static_cast<std::size_t>(face * level_count() + level)] = 1;
    }

private:
    // Binding outside a draw leaves the device's record of the bindings stale.
    void forget_bindings() {
        if (device() != nullptr) static_cast<gl_device*>(device())->forget_texture_bindings();
    }

    // Bytes not yet stored (a render target before its first lock) give a zeroed level.
    void upload_level(int level, int face) {
        const int w = level_width(level), h = level_height(level), d = level_depth(level);
        const std::uint8_t* bits = stored_bits(level, face);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        const GLenum t = face_target(kind(), face);
        if (f_.compressed) {
            const int bytes = level_pitch(level) * format_rows(format(), h);
            glCompressedTexImage2D(t, level, f_.internal, w, h, 0, bytes, bits);
        } else if (kind() == texture_kind::volume) {
            glTexImage3D(t, level, static_cast<GLint>(f_.internal), w, h, d, 0, f_.format,
                         f_.type, bits);
        } else {
            glTexImage2D(t, level, static_cast<GLint>(f_.internal), w, h, 0, f_.format, f_.type,
                         bits);
        }
        if (!bits) glClearTexSubImage(name, level, 0, 0, kind() == texture_kind::cube ? face : 0,
                                      w, h, d, f_.format, f_.type, nullptr);
    }
    const std::uint8_t* stored_bits(int level, int face) const { return level_bits(level, face); }

    gl_format f_;
    std::vector<std::uint8_t> dirty_;
    bool in_gl_ = false;  // the levels have been given to GL
};

// A render target or depth-stencil surface of its own, or the back buffer: a texture.
class gl_surface : public gfx_surface {
public:
    // stored = false: a surface with no pixels of its own (the back buffer drawn in the
    // window's framebuffer).
    gl_surface(int w, int h, std::uint32_t format, std::uint32_t usage, bool stored = true)
        : gfx_surface(w, h, format, usage) {
        if (!stored) return;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        if (format_is_depth(format)) {
            const GLenum internal = depth_internal(format);
            const bool stencil = has_stencil(format);
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), w, h, 0,
                         stencil ? GL_DEPTH_STENCIL : GL_DEPTH_COMPONENT,
                         stencil ? GL_UNSIGNED_INT_24_8 : GL_UNSIGNED_INT, nullptr);
        } else {
            gl_format f;
            gl_format_of(format, &f);
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f.internal), w, h, 0, f.format,
                         f.type, nullptr);
        }
    }
    ~gl_surface() override {
        if (name) glDeleteTextures(1, &name);
    }

    hresult lock(locked_rect* out, std::uint32_t flags) override {
        const hresult r = gfx_surface::lock(out, flags);
        if (r != S_OK || format_is_depth(format())) return r;
        auto* device = static_cast<gl_device*>(device_);
        if (device) device->read_surface(this, static_cast<std::uint8_t*>(out->bits), out->pitch);
        return S_OK;
    }

    GLuint name = 0;
};

class gl_buffer_name {
public:
    gl_buffer_name() { glGenBuffers(1, &name); }
    ~gl_buffer_name() { glDeleteBuffers(1, &name); }
    void bind(GLenum target, const gfx_buffer& b) {
        glBindBuffer(target, name);
        if (uploaded != b.revision() || !sized) {
            glBufferData(target, b.size(), b.data(), GL_STATIC_DRAW);
            uploaded = b.revision();
            sized = true;
        }
    }
    GLuint name = 0;
    std::uint32_t uploaded = 0;
    bool sized = false;
};

class gl_vertex_buffer : public gfx_vertex_buffer {
public:
    using gfx_vertex_buffer::gfx_vertex_buffer;
    gl_buffer_name buffer;

    // The box round every position from `offset` on, kept until the contents change.
    const position_box& positions(int offset, int stride) {
        if (box_revision_ != revision() || box_offset_ != offset || box_stride_ != stride) {
            const int count = stride > 0 && offset >= 0 && offset < size() ? (size() - offset) / stride : 0;
            box_ = count > 0 ? box_of_positions(data() + offset, stride, count) : position_box{};
            box_revision_ = revision();
            box_offset_ = offset;
            box_stride_ = stride;
        }
        return box_;
    }

private:
    position_box box_;
    std::uint32_t box_revision_ = ~0u;
    int box_offset_ = -1;
    int box_stride_ = 0;
};

class gl_index_buffer : public gfx_index_buffer {
public:
    using gfx_index_buffer::gfx_index_buffer;
    gl_buffer_name buffer;
};

class gl_shader : public gfx_shader {
public:
    gl_shader(shader_stage stage, const char* source) : gfx_shader(stage, source) {}
    ~gl_shader() override {
        if (name) glDeleteShader(name);
    }
    GLuint name = 0;
};

// ---------------------------------------------------------------- helpers

const char* const k_vertex_prelude =
    "#version 450 compatibility\n"
    "uniform vec4 vs_c[64];\n"
    "uniform vec4 ventrask_clip[6];\n"
    "uniform float ventrask_flip;\n"
    "out float gl_ClipDistance[6];\n"
    "#define main ventrask_program_main\n"
    "#line 1\n";
const char* const k_vertex_epilogue =
    "\n#undef main\n"
    "void main() {\n"
    "    ventrask_program_main();\n"
    "    for (int i = 0; i < 6; ++i) gl_ClipDistance[i] = dot(gl_Position, ventrask_clip[i]);\n"
    "    gl_Position.y *= ventrask_flip;\n"
    "}\n";
const char* const k_pixel_prelude =
    "#version 450 compatibility\n"
    "uniform vec4 ps_c[32];\n"
    "#line 1\n";

void color_floats(std::uint32_t c, float out[4]) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

GLenum gl_compare(std::uint32_t f) {
    static const GLenum map[] = {GL_ALWAYS, GL_NEVER,   GL_LESS,     GL_EQUAL, GL_LEQUAL,
                                 GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return f <= 8 ? map[f] : GL_ALWAYS;
}

GLenum gl_blend(std::uint32_t b) {
    switch (b) {
    case BLEND_ZERO: return GL_ZERO;
    case BLEND_ONE: return GL_ONE;
    case BLEND_SRCCOLOR: return GL_SRC_COLOR;
    case BLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRCALPHA: return GL_SRC_ALPHA;
    case BLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DESTALPHA: return GL_DST_ALPHA;
    case BLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DESTCOLOR: return GL_DST_COLOR;
    case BLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case BLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum gl_blend_op(std::uint32_t op) {
    switch (op) {
    case BLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case BLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case BLENDOP_MIN: return GL_MIN;
    case BLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

GLenum gl_stencil_op(std::uint32_t op) {
    switch (op) {
    case STENCILOP_ZERO: return GL_ZERO;
    case STENCILOP_REPLACE: return GL_REPLACE;
    case STENCILOP_INCRSAT: return GL_INCR;
    case STENCILOP_DECRSAT: return GL_DECR;
    case STENCILOP_INVERT: return GL_INVERT;
    case STENCILOP_INCR: return GL_INCR_WRAP;
    case STENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum gl_address(std::uint32_t a) {
    switch (a) {
    case TADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case TADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case TADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

GLenum gl_primitive(std::uint32_t type) {
    switch (type) {
    case PT_POINTLIST: return GL_POINTS;
    case PT_LINELIST: return GL_LINES;
    case PT_LINESTRIP: return GL_LINE_STRIP;
    case PT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case PT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

bool type_ok(std::uint32_t type) { return type >= PT_POINTLIST && type <= PT_TRIANGLEFAN; }

// Source and operand of a stage argument, for colour or for alpha.
void stage_source(std::uint32_t arg, bool alpha, GLint* source, GLint* operand) {
    switch (arg & TA_SELECTMASK) {
    case TA_DIFFUSE: *source = GL_PRIMARY_COLOR; break;
    case TA_TEXTURE: *source = GL_TEXTURE; break;
    case TA_TFACTOR: *source = GL_CONSTANT; break;
    case TA_SPECULAR: *source = GL_PRIMARY_COLOR; break;
    default: *source = GL_PREVIOUS; break;
    }
    const bool complement = (arg & TA_COMPLEMENT) != 0;
    if (alpha || (arg & TA_ALPHAREPLICATE))
        *operand = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        *operand = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

// The texture environment of one unit (the active one), set through the state shadow.
struct unit_environment {
    gl_state_shadow* shadow;
    int unit;
    void set(GLenum pname, GLint value) const {
        if (shadow->changed_to(gl_state_shadow::k_tex_env, gl_state_shadow::on_unit(unit, pname), value))
            glTexEnvi(GL_TEXTURE_ENV, pname, value);
    }
    void set_float(GLenum pname, float value) const {
        if (shadow->changed_to(gl_state_shadow::k_tex_env, gl_state_shadow::on_unit(unit, pname), value))
            glTexEnvf(GL_TEXTURE_ENV, pname, value);
    }
};

// One half (colour or alpha) of a stage as a GL combiner.
void set_combiner(const unit_environment& env, bool alpha, std::uint32_t op, std::uint32_t arg0,
                  std::uint32_t arg1, std::uint32_t arg2) {
    const GLenum combine = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum src[3] = {static_cast<GLenum>(alpha ? GL_SRC0_ALPHA : GL_SRC0_RGB),
                           static_cast<GLenum>(alpha ? GL_SRC1_ALPHA : GL_SRC1_RGB),
                           static_cast<GLenum>(alpha ? GL_SRC2_ALPHA : GL_SRC2_RGB)};
    const GLenum opnd[3] = {static_cast<GLenum>(alpha ? GL_OPERAND0_ALPHA : GL_OPERAND0_RGB),
                            static_cast<GLenum>(alpha ? GL_OPERAND1_ALPHA : GL_OPERAND1_RGB),
                            static_cast<GLenum>(alpha ? GL_OPERAND2_ALPHA : GL_OPERAND2_RGB)};
    auto set_arg = [&](int i, std::uint32_t arg) {
        GLint s, o;
        stage_source(arg, alpha, &s, &o);
        env.set(src[i], s);
        env.set(opnd[i], o);
    };
    auto blend_by = [&](GLint source) {
        env.set(combine, GL_INTERPOLATE);
        set_arg(0, arg1);
        set_arg(1, arg2);
        env.set(src[2], source);
        env.set(opnd[2], GL_SRC_ALPHA);
    };
    float scale = 1.0f;
    switch (op) {
    case TOP_SELECTARG1:
        env.set(combine, GL_REPLACE);
        set_arg(0, arg1);
        break;
    case TOP_SELECTARG2:
        env.set(combine, GL_REPLACE);
        set_arg(0, arg2);
        break;
    case TOP_MODULATE4X: scale = 4.0f; [[fallthrough]];
    case TOP_MODULATE2X: if (scale == 1.0f) scale = 2.0f; [[fallthrough]];
    case TOP_MODULATE:
    case TOP_MULTIPLYADD:
        env.set(combine, GL_MODULATE);
        set_arg(0, arg1);
        set_arg(1, arg2);
        break;
    case TOP_ADD:
    case TOP_ADDSMOOTH:
        env.set(combine, GL_ADD);
        set_arg(0, arg1);
        set_arg(1, arg2);
        break;
    case TOP_ADDSIGNED2X: scale = 2.0f; [[fallthrough]];
    case TOP_ADDSIGNED:
        env.set(combine, GL_ADD_SIGNED);
        set_arg(0, arg1);
        set_arg(1, arg2);
        break;
    case TOP_SUBTRACT:
        env.set(combine, GL_SUBTRACT);
        set_arg(0, arg1);
        set_arg(1, arg2);
        break;
    case TOP_BLENDDIFFUSEALPHA: blend_by(GL_PRIMARY_COLOR); break;
    case TOP_BLENDTEXTUREALPHA: blend_by(GL_TEXTURE); break;
    case TOP_BLENDFACTORALPHA: blend_by(GL_CONSTANT); break;
    case TOP_BLENDCURRENTALPHA: blend_by(GL_PREVIOUS); break;
    case TOP_LERP: {
        env.set(combine, GL_INTERPOLATE);
        set_arg(0, arg1);
        set_arg(1, arg2);
        GLint s, o;
        stage_source(arg0, alpha, &s, &o);
        env.set(src[2], s);
        env.set(opnd[2], o);
        break;
    }
    case TOP_DOTPRODUCT3:
        if (!alpha) {
            env.set(combine, GL_DOT3_RGB);
            set_arg(0, arg1);
            set_arg(1, arg2);
            break;
        }
        [[fallthrough]];
    default:  // disabled alpha, bump mapping: pass the current value on
        env.set(combine, GL_REPLACE);
        env.set(src[0], GL_PREVIOUS);
        env.set(opnd[0], alpha ? GL_SRC_ALPHA : GL_SRC_COLOR);
        break;
    }
    env.set_float(alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE, scale);
}

// Texture coordinate count of set `set` in a vertex format.
int texcoord_size(std::uint32_t fvf, int set) {
    static const int floats[4] = {2, 3, 4, 1};
    return floats[(fvf >> (set * 2 + 16)) & 3u];
}

// Turns `count` rows of `row_bytes` each, `pitch` apart, upside down in place.
void reverse_rows(std::uint8_t* rows, int pitch, int row_bytes, int count) {
    std::vector<std::uint8_t> swap(static_cast<std::size_t>(row_bytes));
    for (int top = 0, bottom = count - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = rows + static_cast<std::ptrdiff_t>(top) * pitch;
        std::uint8_t* b = rows + static_cast<std::ptrdiff_t>(bottom) * pitch;
        std::memcpy(swap.data(), a, swap.size());
        std::memcpy(a, b, swap.size());
        std::memcpy(b, swap.data(), swap.size());
    }
}

}  // namespace

// ---------------------------------------------------------------- gl_device

gl_device::gl_device(const present_params& params, const device_caps& caps,
                     gl_window_hooks hooks)
    : hooks_(std::move(hooks)) {
    params_ = params;
    caps_ = caps;
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glGenFramebuffers(1, &framebuffer_);
    glGenFramebuffers(1, &read_framebuffer_);
    glGenSamplers(k_max_stages, samplers_);
    glGenTextures(1, &white_texture_);
    glBindTexture(GL_TEXTURE_2D, white_texture_);
    const std::uint32_t white = 0xFFFFFFFFu;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    make_swap_chain();
    reset_state(params_.enable_auto_depth_stencil != 0);
    if (hooks_.set_swap_interval)
        hooks_.set_swap_interval(params_.presentation_interval == PRESENT_INTERVAL_IMMEDIATE ? 0
                                                                                            : 1);
}

gl_device::~gl_device() {
    back_buffer_.reset();
    auto_depth_.reset();
    for (auto& p : programs_) glDeleteProgram(p.second.name);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteFramebuffers(1, &read_framebuffer_);
    glDeleteSamplers(k_max_stages, samplers_);
    glDeleteTextures(1, &white_texture_);
    if (sample_query_ != 0) glDeleteQueries(1, &sample_query_);
}

void gl_device::make_swap_chain() {
    back_buffer_.reset();
    auto_depth_.reset();
    in_window_ = window_has_depth_stencil();
    const int w = std::max(1, static_cast<int>(params_.back_buffer_width));
    const int h = std::max(1, static_cast<int>(params_.back_buffer_height));
    back_buffer_ =
        std::make_unique<gl_surface>(w, h, FMT_A8R8G8B8, USAGE_RENDERTARGET, !in_window_);
    back_buffer_->attach(this);
    if (params_.enable_auto_depth_stencil) {
        std::uint32_t f = params_.auto_depth_stencil_format;
        if (!depth_internal(f)) f = FMT_D24S8;
        auto_depth_ = std::make_unique<gl_surface>(w, h, f, USAGE_DEPTHSTENCIL);
        auto_depth_->attach(this);
    }
    forget_texture_bindings();
}

hresult gl_device::reset(const present_params& params) {
    if (in_scene()) return D3DERR_INVALIDCALL;
    params_ = params;
    if (counting_samples_) end_sample_count();
    samples_pending_ = false;
    counted_samples_ = -1;
    make_swap_chain();
    reset_state(params_.enable_auto_depth_stencil != 0);
    shadow_.forget_all();
    if (hooks_.set_swap_interval)
        hooks_.set_swap_interval(params_.presentation_interval == PRESENT_INTERVAL_IMMEDIATE ? 0
                                                                                            : 1);
    return S_OK;
}

bool gl_device::begin_sample_count() {
    if (counting_samples_) return false;
    if (sample_query_ == 0) glGenQueries(1, &sample_query_);
    if (sample_query_ == 0) return false;
    glBeginQuery(GL_SAMPLES_PASSED, sample_query_);
    counting_samples_ = glGetError() == GL_NO_ERROR;
    return counting_samples_;
}

void gl_device::end_sample_count() {
    if (!counting_samples_) return;
    glEndQuery(GL_SAMPLES_PASSED);
    counting_samples_ = false;
    samples_pending_ = true;
}

long long gl_device::counted_samples() {
    if (samples_pending_) {
        GLuint64 samples = 0;
        glGetQueryObjectui64v(sample_query_, GL_QUERY_RESULT, &samples);
        counted_samples_ = glGetError() == GL_NO_ERROR ? static_cast<long long>(samples) : -1;
        samples_pending_ = false;
    }
    return counted_samples_;
}

hresult gl_device::present() {
    if (in_scene()) return D3DERR_INVALIDCALL;
    if (!hooks_.swap) return S_OK;
    if (!in_window_) {
        // The back buffer is a texture of its own: its row 0 is the top row, the window's row
        // 0 the bottom one.
        auto* bb = static_cast<gl_surface*>(back_buffer_.get());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, read_framebuffer_);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, bb->name,
                               0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, hooks_.framebuffer);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        const int w = bb->width(), h = bb->height();
        glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        shadow_.forget(gl_state_shadow::k_color_mask, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    hooks_.swap();
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

// The window's framebuffer can stand for the back buffer only with a depth and a stencil
// buffer of its own; without them the back buffer stays a texture, flipped into the window
// when presented.
bool gl_device::window_has_depth_stencil() const {
    if (!hooks_.swap) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindFramebuffer(GL_FRAMEBUFFER, hooks_.framebuffer);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    GLint depth = 0, stencil = 0;
    if (complete) {
        const GLenum depth_attachment = hooks_.framebuffer ? GL_DEPTH_ATTACHMENT : GL_DEPTH;
        const GLenum stencil_attachment = hooks_.framebuffer ? GL_STENCIL_ATTACHMENT : GL_STENCIL;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, depth_attachment,
                                              GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &depth);
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, stencil_attachment,
                                              GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencil);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return glGetError() == GL_NO_ERROR && complete && depth >= 24 && stencil >= 8;
}

bool gl_device::drawing_window() const {
    return in_window_ && render_target() == back_buffer_.get();
}

int gl_device::gl_y(std::uint32_t top, std::uint32_t height) const {
    if (!drawing_window()) return static_cast<int>(top);
    return render_target()->height() - static_cast<int>(top) - static_cast<int>(height);
}

bool gl_device::bind_target() {
    if (drawing_window()) {
        // The window's own depth and stencil stand for the automatic depth surface.
        glBindFramebuffer(GL_FRAMEBUFFER, hooks_.framebuffer);
        return true;
    }
    gfx_surface* target = render_target();
    gfx_surface* depth = depth_stencil_surface();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    GLuint color = 0;
    GLenum color_target = GL_TEXTURE_2D;
    int level = 0, face = 0;
    if (gfx_texture* owner = target->owner()) {
        auto* t = static_cast<gl_texture*>(owner);
        t->upload();
        color = t->name;
        color_target = face_target(t->kind(), target->face());
        level = target->level();
        face = target->face();
    } else {
        color = static_cast<gl_surface*>(target)->name;
    }
    // A depth buffer larger than the target is fine; a smaller one is not used.
    GLuint depth_name = 0;
    bool stencil = false;
    if (depth && !depth->owner() && depth->width() >= target->width() &&
        depth->height() >= target->height()) {
        depth_name = static_cast<gl_surface*>(depth)->name;
        stencil = has_stencil(depth->format());
    }
    if (color != attached_color_ || level != attached_level_ || face != attached_face_) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, color_target, color, level);
        attached_color_ = color;
        attached_level_ = level;
        attached_face_ = face;
        attached_complete_ = false;
    }
    if (depth_name != attached_depth_) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
        if (depth_name)
            glFramebufferTexture2D(GL_FRAMEBUFFER,
                                   stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                   GL_TEXTURE_2D, depth_name, 0);
        attached_depth_ = depth_name;
        attached_complete_ = false;
    }
    if (!attached_complete_)
        attached_complete_ =
            glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return attached_complete_;
}

hresult gl_device::clear(std::uint32_t flags, std::uint32_t color, float z,
                         std::uint32_t stencil) {
    if ((flags & (CLEAR_ZBUFFER | CLEAR_STENCIL)) && !depth_stencil_surface())
        return D3DERR_INVALIDCALL;
    if (!bind_target()) return E_GL_FRAMEBUFFER;
    const gfx_viewport& v = viewport();
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<GLint>(v.x), gl_y(v.y, v.height), static_cast<GLsizei>(v.width),
              static_cast<GLsizei>(v.height));
    GLbitfield mask = 0;
    if (flags & CLEAR_TARGET) {
        float c[4];
        color_floats(color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & CLEAR_ZBUFFER) {
        glClearDepth(z);
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & CLEAR_STENCIL) {
        glClearStencil(static_cast<GLint>(stencil));
        glStencilMask(0xFFFFFFFFu);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    glClear(mask);
    glDisable(GL_SCISSOR_TEST);
    shadow_.forget(gl_state_shadow::k_color_mask, 0);
    shadow_.forget(gl_state_shadow::k_depth_mask, 0);
    shadow_.forget(gl_state_shadow::k_stencil_mask, 0);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

bool gl_device::read_surface(const gfx_surface* surface, std::uint8_t* out, int pitch) {
    const auto* s = static_cast<const gl_surface*>(surface);
    const bool window = in_window_ && surface == back_buffer_.get();
    if (window) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, hooks_.framebuffer);
    } else {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, read_framebuffer_);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s->name,
                               0);
    }
    const int bytes = std::max(1, format_bytes_per_pixel(s->format()));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, pitch / bytes);
    gl_format f;
    gl_format_of(s->format(), &f);
    glReadPixels(0, 0, s->width(), s->height(), f.format, f.type, out);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The window's rows come bottom first.
    if (window) reverse_rows(out, pitch, s->width() * bytes, s->height());
    return glGetError() == GL_NO_ERROR;
}

// ---- resources

hresult gl_device::create_texture(int width, int height, int levels, std::uint32_t usage,
                                  std::uint32_t format, std::uint32_t pool, texture_ptr* out) {
    gl_format f;
    if (!out || width <= 0 || height <= 0 || !gl_format_of(format, &f)) return D3DERR_INVALIDCALL;
    if (width > static_cast<int>(caps_.max_texture_width) ||
        height > static_cast<int>(caps_.max_texture_height))
        return D3DERR_INVALIDCALL;
    if ((usage & USAGE_RENDERTARGET) && f.compressed) return D3DERR_INVALIDCALL;
    auto t = std::make_unique<gl_texture>(texture_kind::plain, width, height, 1, levels, usage,
                                          format, pool, f);
    t->attach(this);
    *out = std::move(t);
    forget_texture_bindings();
    return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

hresult gl_device::create_cube_texture(int edge, int levels, std::uint32_t usage,
                                       std::uint32_t format, std::uint32_t pool,
                                       texture_ptr* out) {
    gl_format f;
    if (!out || edge <= 0 || !gl_format_of(format, &f)) return D3DERR_INVALIDCALL;
    auto t = std::make_unique<gl_texture>(texture_kind::cube, edge, edge, 1, levels, usage,
                                          format, pool, f);
    t->attach(this);
    *out = std::move(t);
    forget_texture_bindings();
    return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

hresult gl_device::create_volume_texture(int width, int height, int depth, int levels,
                                         std::uint32_t usage, std::uint32_t format,
                                         std::uint32_t pool, texture_ptr* out) {
    gl_format f;
    if (!out || width <= 0 || height <= 0 || depth <= 0 || !gl_format_of(format, &f) ||
        f.compressed)
        return D3DERR_INVALIDCALL;
    const int limit = static_cast<int>(caps_.max_volume_extent);
    if (width > limit || height > limit || depth > limit) return D3DERR_INVALIDCALL;
    auto t = std::make_unique<gl_texture>(texture_kind::volume, width, height, depth, levels,
                                          usage, format, pool, f);
    t->attach(this);
    *out = std::move(t);
    forget_texture_bindings();
    return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

hresult gl_device::create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf,
                                        std::uint32_t pool, vertex_buffer_ptr* out) {
    if (!out || bytes <= 0) return D3DERR_INVALIDCALL;
    auto b = std::make_unique<gl_vertex_buffer>(bytes, usage, fvf, pool);
    b->attach(this);
    *out = std::move(b);
    return S_OK;
}

hresult gl_device::create_index_buffer(int bytes, std::uint32_t usage, std::uint32_t format,
                                       std::uint32_t pool, index_buffer_ptr* out) {
    if (!out || bytes <= 0 || (format != FMT_INDEX16 && format != FMT_INDEX32))
        return D3DERR_INVALIDCALL;
    auto b = std::make_unique<gl_index_buffer>(bytes, usage, format, pool);
    b->attach(this);
    *out = std::move(b);
    return S_OK;
}

hresult gl_device::create_render_target(int width, int height, std::uint32_t format, bool,
                                        surface_ptr* out) {
    gl_format f;
    if (!out || width <= 0 || height <= 0 || !gl_format_of(format, &f) || f.compressed)
        return D3DERR_INVALIDCALL;
    auto s = std::make_unique<gl_surface>(width, height, format, USAGE_RENDERTARGET);
    s->attach(this);
    *out = std::move(s);
    forget_texture_bindings();
    return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

hresult gl_device::create_depth_stencil_surface(int width, int height, std::uint32_t format,
                                                surface_ptr* out) {
    if (!out || width <= 0 || height <= 0 || !depth_internal(format)) return D3DERR_INVALIDCALL;
    auto s = std::make_unique<gl_surface>(width, height, format, USAGE_DEPTHSTENCIL);
    s->attach(this);
    *out = std::move(s);
    forget_texture_bindings();
    return glGetError() == GL_NO_ERROR ? S_OK : D3DERR_OUTOFVIDEOMEMORY;
}

namespace {
GLuint compile(GLenum kind, const char* prelude, const char* source, const char* epilogue,
               char* log, int log_size) {
    const GLuint s = glCreateShader(kind);
    const char* parts[3] = {prelude, source, epilogue};
    glShaderSource(s, epilogue ? 3 : 2, parts, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        glGetShaderInfoLog(s, log_size, nullptr, log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}
}  // namespace

hresult gl_device::create_vertex_shader(const char* source, shader_ptr* out) {
    if (!out || !source) return D3DERR_INVALIDCALL;
    const GLuint name = compile(GL_VERTEX_SHADER, k_vertex_prelude, source, k_vertex_epilogue,
                                shader_log_, sizeof shader_log_);
    if (!name) return E_GL_SHADER;
    auto s = std::make_unique<gl_shader>(shader_stage::vertex, source);
    s->name = name;
    s->attach(this);
    *out = std::move(s);
    return S_OK;
}

hresult gl_device::create_pixel_shader(const char* source, shader_ptr* out) {
    if (!out || !source) return D3DERR_INVALIDCALL;
    const GLuint name = compile(GL_FRAGMENT_SHADER, k_pixel_prelude, source, nullptr,
                                shader_log_, sizeof shader_log_);
    if (!name) return E_GL_SHADER;
    auto s = std::make_unique<gl_shader>(shader_stage::pixel, source);
    s->name = name;
    s->attach(this);
    *out = std::move(s);
    return S_OK;
}

gl_device::program_info* gl_device::program_for(gfx_shader* vs, gfx_shader* ps) {
    const auto key = std::make_pair(static_cast<const gfx_shader*>(vs),
                                    static_cast<const gfx_shader*>(ps));
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second.name ? &it->second : nullptr;
    program_info info;
    info.name = glCreateProgram();
    if (vs) glAttachShader(info.name, static_cast<gl_shader*>(vs)->name);
    if (ps) glAttachShader(info.name, static_cast<gl_shader*>(ps)->name);
    glLinkProgram(info.name);
    GLint ok = 0;
    glGetProgramiv(info.name, GL_LINK_STATUS, &ok);
    if (!ok) {
        glGetProgramInfoLog(info.name, sizeof shader_log_, nullptr, shader_log_);
        glDeleteProgram(info.name);
        info.name = 0;
    } else {
        info.vs_c = glGetUniformLocation(info.name, "vs_c");
        info.ps_c = glGetUniformLocation(info.name, "ps_c");
        info.clip = glGetUniformLocation(info.name, "ventrask_clip");
        info.flip = glGetUniformLocation(info.name, "ventrask_flip");
    }
    auto& slot = programs_[key];
    slot = info;
    return slot.name ? &slot : nullptr;
}

void gl_device::forget(const gfx_shader* shader) {
    for (auto it = programs_.begin(); it != programs_.end();) {
        if (it->first.first == shader || it->first.second == shader) {
            if (it->second.name) glDeleteProgram(it->second.name);
            it = programs_.erase(it);
            // A deleted program's name may come back for another pair.
            shadow_.forget_kind(gl_state_shadow::k_program);
            shadow_.forget_kind(gl_state_shadow::k_uniforms);
        } else {
            ++it;
        }
    }
    gfx_device::forget(shader);
}

void gl_device::forget(const gfx_surface* surface) {
    // A texture name may come back for a new object: attach afresh after anything goes.
    attached_color_ = attached_depth_ = 0;
    attached_level_ = attached_face_ = -1;
    forget_texture_bindings();  // deleting a texture unbinds it
    gfx_device::forget(surface);
}

void gl_device::forget(const gfx_texture* texture) {
    attached_color_ = 0;
    attached_level_ = attached_face_ = -1;
    forget_texture_bindings();
    gfx_device::forget(texture);
}

// ---- state at draw time
//
// Every state call goes through the shadow (gl_state_shadow.h), which lets it reach GL only when
// it would change something; code outside these functions that changes one of these states
// makes the shadow forget it.


void gl_device::enable(GLenum cap, bool on) {
    if (!shadow_.changed_to(gl_state_shadow::k_enable, cap, on)) return;
    if (on) glEnable(cap); else glDisable(cap);
}

void gl_device::enable_on_unit(int unit, GLenum cap, bool on) {
    if (!shadow_.changed_to(gl_state_shadow::k_enable, gl_state_shadow::on_unit(unit + 1, cap), on)) return;
    active_texture(unit);
    if (on) glEnable(cap); else glDisable(cap);
}

void gl_device::active_texture(int unit) {
    if (shadow_.changed_to(gl_state_shadow::k_active_texture, 0, unit)) glActiveTexture(GL_TEXTURE0 + unit);
}

void gl_device::client_active_texture(int unit) {
    if (shadow_.changed_to(gl_state_shadow::k_client_active_texture, 0, unit))
        glClientActiveTexture(GL_TEXTURE0 + unit);
}

void gl_device::client_state(GLenum array, int unit, bool on) {
    if (!shadow_.changed_to(gl_state_shadow::k_client_state, gl_state_shadow::on_unit(unit, array), on)) return;
    if (array == GL_TEXTURE_COORD_ARRAY) client_active_texture(unit);
    if (on) glEnableClientState(array); else glDisableClientState(array);
}

// The matrix of a mode (the texture matrix of a unit), selecting the mode only when loading.
void gl_device::load_matrix(GLenum mode, int unit, const mat4& m) {
    const std::uint32_t kind = mode == GL_PROJECTION ? gl_state_shadow::k_projection_matrix
                               : mode == GL_MODELVIEW ? gl_state_shadow::k_modelview_matrix
                                                      : gl_state_shadow::k_texture_matrix;
    if (!shadow_.changed(kind, static_cast<std::uint32_t>(unit), m.data(), sizeof m.m)) return;
    if (mode == GL_TEXTURE) active_texture(unit);
    if (shadow_.changed_to(gl_state_shadow::k_matrix_mode, 0, mode)) glMatrixMode(mode);
    glLoadMatrixf(m.data());
}

void gl_device::use_modelview(const mat4& m) { load_matrix(GL_MODELVIEW, 0, m); }

void gl_device::bind_texture(int unit, GLenum target, unsigned name) {
    if (!shadow_.changed_to(gl_state_shadow::k_texture_binding, gl_state_shadow::on_unit(unit, target), name))
        return;
    active_texture(unit);
    glBindTexture(target, name);
}

void gl_device::bind_sampler(int unit, unsigned sampler) {
    if (shadow_.changed_to(gl_state_shadow::k_sampler_binding, gl_state_shadow::on_unit(unit, 0), sampler))
        glBindSampler(static_cast<GLuint>(unit), sampler);
}

void gl_device::sampler_parameter(int unit, GLenum pname, int value) {
    if (shadow_.changed_to(gl_state_shadow::k_sampler_parameter, gl_state_shadow::on_unit(unit, pname), value))
        glSamplerParameteri(samplers_[unit], pname, value);
}

void gl_device::sampler_parameter(int unit, GLenum pname, float value) {
    if (shadow_.changed_to(gl_state_shadow::k_sampler_parameter, gl_state_shadow::on_unit(unit, pname), value))
        glSamplerParameterf(samplers_[unit], pname, value);
}

void gl_device::apply_raster_state() {
    const auto& r = state().render;
    const gfx_viewport& v = viewport();
    const int y = gl_y(v.y, v.height);
    if (shadow_.changed_to(gl_state_shadow::k_viewport, 0, v.x, y, v.width, v.height))
        glViewport(static_cast<GLint>(v.x), y, static_cast<GLsizei>(v.width),
                   static_cast<GLsizei>(v.height));
    if (shadow_.changed_to(gl_state_shadow::k_depth_range, 0, v.min_z, v.max_z)) glDepthRange(v.min_z, v.max_z);

    // Targets of their own are drawn with y negated, which mirrors the winding: a triangle
    // clockwise on the screen is counter-clockwise in GL's window coordinates. The window is
    // drawn the GL way up and keeps the winding.
    enable(GL_CULL_FACE, r[RS_CULLMODE] != CULL_NONE);
    if (r[RS_CULLMODE] != CULL_NONE) {
        if (shadow_.changed_to(gl_state_shadow::k_cull_face, 0, GL_BACK)) glCullFace(GL_BACK);
        const bool counter_clockwise = (r[RS_CULLMODE] == CULL_CCW) != drawing_window();
        const GLenum front = counter_clockwise ? GL_CCW : GL_CW;
        if (shadow_.changed_to(gl_state_shadow::k_front_face, 0, front)) glFrontFace(front);
    }
    const GLenum fill = r[RS_FILLMODE] == FILL_POINT       ? GL_POINT
                        : r[RS_FILLMODE] == FILL_WIREFRAME ? GL_LINE
                                                           : GL_FILL;
    if (shadow_.changed_to(gl_state_shadow::k_polygon_mode, 0, fill)) glPolygonMode(GL_FRONT_AND_BACK, fill);
    const GLenum shade = r[RS_SHADEMODE] == SHADE_FLAT ? GL_FLAT : GL_SMOOTH;
    if (shadow_.changed_to(gl_state_shadow::k_shade_model, 0, shade)) glShadeModel(shade);

    enable(GL_DEPTH_TEST, r[RS_ZENABLE] && depth_stencil_surface());
    const GLenum depth_func = gl_compare(r[RS_ZFUNC]);
    if (shadow_.changed_to(gl_state_shadow::k_depth_func, 0, depth_func)) glDepthFunc(depth_func);
    const GLboolean depth_mask = r[RS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE;
    if (shadow_.changed_to(gl_state_shadow::k_depth_mask, 0, depth_mask)) glDepthMask(depth_mask);

    const bool stencil = r[RS_STENCILENABLE] && depth_stencil_surface();
    enable(GL_STENCIL_TEST, stencil);
    if (stencil) {
        const GLenum func = gl_compare(r[RS_STENCILFUNC]);
        const GLint ref = static_cast<GLint>(r[RS_STENCILREF]);
        if (shadow_.changed_to(gl_state_shadow::k_stencil_func, 0, func, ref, r[RS_STENCILMASK]))
            glStencilFunc(func, ref, r[RS_STENCILMASK]);
        const GLenum fail = gl_stencil_op(r[RS_STENCILFAIL]), zfail = gl_stencil_op(r[RS_STENCILZFAIL]),
                     pass = gl_stencil_op(r[RS_STENCILPASS]);
        if (shadow_.changed_to(gl_state_shadow::k_stencil_op, 0, fail, zfail, pass)) glStencilOp(fail, zfail, pass);
        if (shadow_.changed_to(gl_state_shadow::k_stencil_mask, 0, r[RS_STENCILWRITEMASK]))
            glStencilMask(r[RS_STENCILWRITEMASK]);
    }

    enable(GL_BLEND, r[RS_ALPHABLENDENABLE] != 0);
    if (r[RS_ALPHABLENDENABLE]) {
        const GLenum src = gl_blend(r[RS_SRCBLEND]), dst = gl_blend(r[RS_DESTBLEND]);
        if (shadow_.changed_to(gl_state_shadow::k_blend_func, 0, src, dst)) glBlendFunc(src, dst);
        const GLenum equation = gl_blend_op(r[RS_BLENDOP]);
        if (shadow_.changed_to(gl_state_shadow::k_blend_equation, 0, equation)) glBlendEquation(equation);
    }
    enable(GL_ALPHA_TEST, r[RS_ALPHATESTENABLE] != 0);
    if (r[RS_ALPHATESTENABLE]) {
        const GLenum func = gl_compare(r[RS_ALPHAFUNC]);
        const float ref = static_cast<float>(r[RS_ALPHAREF] & 0xFF) / 255.0f;
        if (shadow_.changed_to(gl_state_shadow::k_alpha_func, 0, func, ref)) glAlphaFunc(func, ref);
    }
    const std::uint32_t mask = r[RS_COLORWRITEENABLE] & 0xF;
    if (shadow_.changed_to(gl_state_shadow::k_color_mask, 0, mask))
        glColorMask(mask & 1 ? GL_TRUE : GL_FALSE, mask & 2 ? GL_TRUE : GL_FALSE,
                    mask & 4 ? GL_TRUE : GL_FALSE, mask & 8 ? GL_TRUE : GL_FALSE);
    enable(GL_DITHER, r[RS_DITHERENABLE] != 0);

    const std::uint32_t fog_mode =
        r[RS_FOGTABLEMODE] != FOG_NONE ? r[RS_FOGTABLEMODE] : r[RS_FOGVERTEXMODE];
    const bool fog = r[RS_FOGENABLE] && fog_mode != FOG_NONE;
    enable(GL_FOG, fog);
    if (fog) {
        const GLint mode = fog_mode == FOG_EXP ? GL_EXP : fog_mode == FOG_EXP2 ? GL_EXP2 : GL_LINEAR;
        if (shadow_.changed_to(gl_state_shadow::k_fog_mode, 0, mode)) glFogi(GL_FOG_MODE, mode);
        const float density = bits_float(r[RS_FOGDENSITY]), start = bits_float(r[RS_FOGSTART]),
                    end = bits_float(r[RS_FOGEND]);
        if (shadow_.changed_to(gl_state_shadow::k_fog_density, 0, density)) glFogf(GL_FOG_DENSITY, density);
        if (shadow_.changed_to(gl_state_shadow::k_fog_start, 0, start)) glFogf(GL_FOG_START, start);
        if (shadow_.changed_to(gl_state_shadow::k_fog_end, 0, end)) glFogf(GL_FOG_END, end);
        float c[4];
        color_floats(r[RS_FOGCOLOR], c);
        if (shadow_.changed(gl_state_shadow::k_fog_color, 0, c, sizeof c)) glFogfv(GL_FOG_COLOR, c);
    }

    enable(GL_POINT_SPRITE, r[RS_POINTSPRITEENABLE] != 0);
    if (r[RS_POINTSPRITEENABLE]) {
        // A sprite's (0, 0) is its top-left corner on the screen.
        const GLint origin = drawing_window() ? GL_UPPER_LEFT : GL_LOWER_LEFT;
        if (shadow_.changed_to(gl_state_shadow::k_point_sprite_origin, 0, origin))
            glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, origin);
    }
    const float size = std::max(0.001f, bits_float(r[RS_POINTSIZE]));
    if (shadow_.changed_to(gl_state_shadow::k_point_size, 0, size)) glPointSize(size);
    const float size_min = bits_float(r[RS_POINTSIZE_MIN]), size_max = bits_float(r[RS_POINTSIZE_MAX]);
    if (shadow_.changed_to(gl_state_shadow::k_point_size_min, 0, size_min))
        glPointParameterf(GL_POINT_SIZE_MIN, size_min);
    if (shadow_.changed_to(gl_state_shadow::k_point_size_max, 0, size_max))
        glPointParameterf(GL_POINT_SIZE_MAX, size_max);
    float att[3] = {1, 0, 0};
    if (r[RS_POINTSCALEENABLE]) {
        // Screen size = viewport height x size x sqrt(1 / (A + B d + C d^2)).
        const float h2 = static_cast<float>(v.height) * static_cast<float>(v.height);
        att[0] = bits_float(r[RS_POINTSCALE_A]) / h2;
        att[1] = bits_float(r[RS_POINTSCALE_B]) / h2;
        att[2] = bits_float(r[RS_POINTSCALE_C]) / h2;
    }
    if (shadow_.changed(gl_state_shadow::k_point_attenuation, 0, att, sizeof att))
        glPointParameterfv(GL_POINT_DISTANCE_ATTENUATION, att);
}

// World-space planes are given under the view matrix (the current modelview), so their slot
// holds the view as well as the plane.
void gl_device::apply_clip_planes(bool shader) {
    const std::uint32_t enabled = render_state(RS_CLIPPLANEENABLE);
    for (int i = 0; i < k_max_clip_planes; ++i) {
        const bool on = (enabled & (1u << i)) != 0;
        enable(GL_CLIP_DISTANCE0 + i, on);
        if (!on || shader) continue;
        const float* p = clip_plane(i);
        const double eq[4] = {p[0], p[1], p[2], p[3]};
        if (shadow_.changed_to(gl_state_shadow::k_clip_plane, static_cast<std::uint32_t>(i), eq,
                               transform(TS_VIEW).m))
            glClipPlane(GL_CLIP_PLANE0 + i, eq);  // under the view matrix: world space
    }
}

void gl_device::apply_light(int n, const gfx_light& l, bool specular) {
    const GLenum light = GL_LIGHT0 + n;
    // Positions and directions are given under the view: their slots hold it too.
    const mat4& view = transform(TS_VIEW);
    auto set = [&](int index, GLenum pname, const float* values, int count) {
        float v[4] = {};
        std::memcpy(v, values, sizeof(float) * static_cast<std::size_t>(count));
        const bool placed = pname == GL_POSITION || pname == GL_SPOT_DIRECTION;
        const bool changed = placed ? shadow_.changed_to(gl_state_shadow::k_light, static_cast<std::uint32_t>(n * 16 + index), v, view.m)
                                    : shadow_.changed_to(gl_state_shadow::k_light, static_cast<std::uint32_t>(n * 16 + index), v);
        if (!changed) return;
        if (count == 1) glLightf(light, pname, v[0]); else glLightfv(light, pname, v);
    };
    const float none[4] = {0, 0, 0, 1};
    set(0, GL_DIFFUSE, &l.diffuse.r, 4);
    set(1, GL_SPECULAR, specular ? &l.specular.r : none, 4);
    set(2, GL_AMBIENT, &l.ambient.r, 4);
    if (l.type == LIGHT_DIRECTIONAL) {
        const float toward[4] = {-l.direction[0], -l.direction[1], -l.direction[2], 0};
        const float values[4] = {180.0f, 1.0f, 0.0f, 0.0f};
        set(3, GL_POSITION, toward, 4);
        set(4, GL_SPOT_CUTOFF, &values[0], 1);
        set(5, GL_CONSTANT_ATTENUATION, &values[1], 1);
        set(6, GL_LINEAR_ATTENUATION, &values[2], 1);
        set(7, GL_QUADRATIC_ATTENUATION, &values[3], 1);
        return;
    }
    const float at[4] = {l.position[0], l.position[1], l.position[2], 1};
    set(3, GL_POSITION, at, 4);
    set(5, GL_CONSTANT_ATTENUATION, &l.attenuation0, 1);
    set(6, GL_LINEAR_ATTENUATION, &l.attenuation1, 1);
    set(7, GL_QUADRATIC_ATTENUATION, &l.attenuation2, 1);
    if (l.type == LIGHT_SPOT) {
        const float cutoff = std::min(90.0f, l.phi * 0.5f * 57.2957795f);
        const float exponent = std::clamp(l.falloff, 0.0f, 128.0f);
        set(8, GL_SPOT_DIRECTION, l.direction, 3);
        set(4, GL_SPOT_CUTOFF, &cutoff, 1);
        set(9, GL_SPOT_EXPONENT, &exponent, 1);
    } else {
        const float cutoff = 180.0f;
        set(4, GL_SPOT_CUTOFF, &cutoff, 1);
    }
}

void gl_device::apply_lights() {
    const auto& r = state().render;
    const mat4& world = transform(TS_WORLD);
    const vec3 origin{world.m[3][0], world.m[3][1], world.m[3][2]};
    // Directional lights always, then the point and spot lights whose range reaches the
    // drawn object's origin, nearest first, up to the eight GL has.
    struct pick {
        int index;
        float distance;
    };
    std::vector<pick> picks;
    for (int i : enabled_lights()) {
        gfx_light l;
        get_light(i, &l);
        if (l.type == LIGHT_DIRECTIONAL) {
            picks.push_back({i, -1.0f});
            continue;
        }
        const vec3 d{l.position[0] - origin.x, l.position[1] - origin.y,
                     l.position[2] - origin.z};
        const float distance = length(d);
        if (distance <= l.range) picks.push_back({i, distance});
    }
    std::stable_sort(picks.begin(), picks.end(),
                     [](const pick& a, const pick& b) { return a.distance < b.distance; });
    const int count = std::min<int>(static_cast<int>(picks.size()), k_max_active_lights);
    for (int n = 0; n < k_max_active_lights; ++n) {
        enable(GL_LIGHT0 + n, n < count);
        if (n >= count) continue;
        gfx_light l;
        get_light(picks[static_cast<std::size_t>(n)].index, &l);
        apply_light(n, l, r[RS_SPECULARENABLE] != 0);
    }
}

void gl_device::apply_material() {
    const auto& r = state().render;
    const gfx_material& m = material();
    const float none[4] = {0, 0, 0, 0};
    auto set = [&](GLenum pname, const float* v) {
        if (shadow_.changed(gl_state_shadow::k_material, pname, v, sizeof(float) * 4))
            glMaterialfv(GL_FRONT_AND_BACK, pname, v);
    };
    set(GL_DIFFUSE, &m.diffuse.r);
    set(GL_AMBIENT, &m.ambient.r);
    set(GL_SPECULAR, r[RS_SPECULARENABLE] ? &m.specular.r : none);
    set(GL_EMISSION, &m.emissive.r);
    const float shininess = std::clamp(m.power, 0.0f, 128.0f);
    if (shadow_.changed_to(gl_state_shadow::k_material, GL_SHININESS, shininess))
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

void gl_device::apply_transforms_and_lights(bool pretransformed) {
    const auto& r = state().render;
    if (pretransformed) {
        // Pixel coordinates from the top-left corner straight to clip space (already flipped
        // for a target of its own).
        const gfx_viewport& v = viewport();
        const float y_sign = clip_y_sign();
        mat4 p = mat_identity();
        p.m[0][0] = 2.0f / static_cast<float>(std::max(1u, v.width));
        p.m[1][1] = -y_sign * 2.0f / static_cast<float>(std::max(1u, v.height));
        p.m[3][0] = -1.0f;
        p.m[3][1] = y_sign;
        load_matrix(GL_PROJECTION, 0, p);
        use_modelview(mat_identity());
        enable(GL_LIGHTING, false);
        // Vertices already on the screen are neither lit nor clipped by user planes.
        for (int i = 0; i < k_max_clip_planes; ++i) enable(GL_CLIP_DISTANCE0 + i, false);
        return;
    }
    // The projection with clip y negated for a target of its own (see the orientation rule).
    load_matrix(GL_PROJECTION, 0,
                transform(TS_PROJECTION) * mat_scaling(1.0f, clip_y_sign(), 1.0f));
    // Lights and clip planes are given in world space: specify them under the view.
    use_modelview(transform(TS_VIEW));
    apply_clip_planes(false);
    enable(GL_LIGHTING, r[RS_LIGHTING] != 0);
    if (r[RS_LIGHTING]) apply_lights();
    use_modelview(transform(TS_WORLD) * transform(TS_VIEW));
    enable(GL_NORMALIZE, r[RS_NORMALIZENORMALS] != 0);

    if (!r[RS_LIGHTING]) return;
    float ambient[4];
    color_floats(r[RS_AMBIENT], ambient);
    if (shadow_.changed(gl_state_shadow::k_light_model_ambient, 0, ambient, sizeof ambient))
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    const GLint local_viewer = r[RS_LOCALVIEWER] ? 1 : 0;
    if (shadow_.changed_to(gl_state_shadow::k_light_model_local_viewer, 0, local_viewer))
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, local_viewer);

    // Material colours taken from the vertex colour (only when the vertices carry one). While
    // GL tracks the colour it writes the tracked material colours itself and ignores ours, so
    // the material is set after the tracking is settled, and given again after a tracked draw.
    const bool vertex_color = r[RS_COLORVERTEX] && (fvf() & FVF_DIFFUSE);
    const bool a = vertex_color && r[RS_AMBIENTMATERIALSOURCE] == MCS_COLOR1;
    const bool d = vertex_color && r[RS_DIFFUSEMATERIALSOURCE] == MCS_COLOR1;
    const bool e = vertex_color && r[RS_EMISSIVEMATERIALSOURCE] == MCS_COLOR1;
    const bool tracking = a || d || e;
    enable(GL_COLOR_MATERIAL, tracking);
    if (tracking) {
        const GLenum which = a && d ? GL_AMBIENT_AND_DIFFUSE : a ? GL_AMBIENT : d ? GL_DIFFUSE : GL_EMISSION;
        if (shadow_.changed_to(gl_state_shadow::k_color_material, 0, which))
            glColorMaterial(GL_FRONT_AND_BACK, which);
    }
    apply_material();
    if (tracking) shadow_.forget_kind(gl_state_shadow::k_material);
}

// Generated coordinates, in camera space.
void gl_device::apply_texture_generation(int i, std::uint32_t source) {
    const bool normal_or_reflection =
        source == TCI_CAMERASPACEREFLECTIONVECTOR || source == TCI_CAMERASPACENORMAL;
    const bool position = source == TCI_CAMERASPACEPOSITION;
    const bool sphere = source == TCI_SPHEREMAP;
    auto gen_mode = [&](GLenum coord, GLint mode) {
        if (shadow_.changed_to(gl_state_shadow::k_tex_gen, gl_state_shadow::on_unit(i, coord), mode)) {
            active_texture(i);
            glTexGeni(coord, GL_TEXTURE_GEN_MODE, mode);
        }
    };
    if (normal_or_reflection) {
        const GLint mode = source == TCI_CAMERASPACENORMAL ? GL_NORMAL_MAP : GL_REFLECTION_MAP;
        gen_mode(GL_S, mode);
        gen_mode(GL_T, mode);
        gen_mode(GL_R, mode);
    } else if (position) {
        const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
        for (int c = 0; c < 4; ++c) gen_mode(coords[c], GL_EYE_LINEAR);
        // Eye planes are given under the modelview: under the identity they stay the axes.
        if (shadow_.changed_to(gl_state_shadow::k_tex_gen, gl_state_shadow::on_unit(i, GL_EYE_PLANE), 1)) {
            active_texture(i);
            if (shadow_.changed_to(gl_state_shadow::k_matrix_mode, 0, GL_MODELVIEW)) glMatrixMode(GL_MODELVIEW);
            glPushMatrix();
            glLoadIdentity();
            const float planes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
            for (int c = 0; c < 4; ++c) glTexGenfv(coords[c], GL_EYE_PLANE, planes[c]);
            glPopMatrix();
        }
    } else if (sphere) {
        gen_mode(GL_S, GL_SPHERE_MAP);
        gen_mode(GL_T, GL_SPHERE_MAP);
    }
    enable_on_unit(i, GL_TEXTURE_GEN_S, normal_or_reflection || position || sphere);
    enable_on_unit(i, GL_TEXTURE_GEN_T, normal_or_reflection || position || sphere);
    enable_on_unit(i, GL_TEXTURE_GEN_R, normal_or_reflection || position);
    enable_on_unit(i, GL_TEXTURE_GEN_Q, position);
}

// The texture transform. Two-coordinate sets come in as (u, v, 1, 0) on the classic device,
// so the third row carries the translation; GL feeds (u, v, 0, 1), so that row moves to the
// fourth. Unprojected results keep q = 1.
void gl_device::apply_texture_transform(int i, std::uint32_t source) {
    const auto& st = state().stage;
    const std::uint32_t flags = st[i][TSS_TEXTURETRANSFORMFLAGS];
    if (!(flags & 0xFF)) {
        load_matrix(GL_TEXTURE, i, mat_identity());
        return;
    }
    mat4 m = transform(TS_TEXTURE0 + static_cast<std::uint32_t>(i));
    const int set = static_cast<int>(st[i][TSS_TEXCOORDINDEX] & 0xFFFF);
    if (source == TCI_PASSTHRU && texcoord_size(fvf(), set) == 2) {
        for (int c = 0; c < 4; ++c) {
            m.m[3][c] = m.m[2][c];
            m.m[2][c] = 0;
        }
    }
    if (!(flags & TTFF_PROJECTED)) {
        for (int row = 0; row < 4; ++row) m.m[row][3] = row == 3 ? 1.0f : 0.0f;
    }
    load_matrix(GL_TEXTURE, i, m);
}

// Sampler state of the unit.
void gl_device::apply_sampler(int i) {
    const auto& sm = state().sampler;
    bind_sampler(i, samplers_[i]);
    sampler_parameter(i, GL_TEXTURE_WRAP_S, static_cast<GLint>(gl_address(sm[i][SAMP_ADDRESSU])));
    sampler_parameter(i, GL_TEXTURE_WRAP_T, static_cast<GLint>(gl_address(sm[i][SAMP_ADDRESSV])));
    sampler_parameter(i, GL_TEXTURE_WRAP_R, static_cast<GLint>(gl_address(sm[i][SAMP_ADDRESSW])));
    float border[4];
    color_floats(sm[i][SAMP_BORDERCOLOR], border);
    if (shadow_.changed(gl_state_shadow::k_sampler_parameter, gl_state_shadow::on_unit(i, GL_TEXTURE_BORDER_COLOR),
                        border, sizeof border))
        glSamplerParameterfv(samplers_[i], GL_TEXTURE_BORDER_COLOR, border);
    const bool mag_linear = sm[i][SAMP_MAGFILTER] >= TEXF_LINEAR;
    const bool min_linear = sm[i][SAMP_MINFILTER] >= TEXF_LINEAR;
    const std::uint32_t mip = sm[i][SAMP_MIPFILTER];
    GLint min_filter;
    if (mip == TEXF_NONE)
        min_filter = min_linear ? GL_LINEAR : GL_NEAREST;
    else if (mip == TEXF_POINT)
        min_filter = min_linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else
        min_filter = min_linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    sampler_parameter(i, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(mag_linear ? GL_LINEAR : GL_NEAREST));
    sampler_parameter(i, GL_TEXTURE_MIN_FILTER, min_filter);
    sampler_parameter(i, GL_TEXTURE_LOD_BIAS, bits_float(sm[i][SAMP_MIPMAPLODBIAS]));
    sampler_parameter(i, GL_TEXTURE_MAX_LOD, 1000.0f);
    sampler_parameter(i, GL_TEXTURE_MIN_LOD, static_cast<float>(sm[i][SAMP_MAXMIPLEVEL]));
}

void gl_device::apply_stages(bool fixed_function) {
    const auto& st = state().stage;
    bool active = true;
    for (int i = 0; i < k_max_stages; ++i) {
        if (st[i][TSS_COLOROP] == TOP_DISABLE) active = false;
        gfx_texture* t = texture(i);
        GLenum target = GL_TEXTURE_2D;
        unsigned name = white_texture_;  // a stage without texture: white
        if (t && (!fixed_function || active)) {
            auto* g = static_cast<gl_texture*>(t);
            // An upload binds the texture to the active unit (and the record forgets it).
            active_texture(i);
            g->upload();
            target = g->target;
            name = g->name;
        }
        if (fixed_function) {
            const bool drawn = active;
            enable_on_unit(i, GL_TEXTURE_2D, drawn && target == GL_TEXTURE_2D);
            enable_on_unit(i, GL_TEXTURE_3D, drawn && target == GL_TEXTURE_3D);
            enable_on_unit(i, GL_TEXTURE_CUBE_MAP, drawn && target == GL_TEXTURE_CUBE_MAP);
            if (!drawn) {
                for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q})
                    enable_on_unit(i, gen, false);
                bind_sampler(i, 0);
                continue;
            }
        }
        // Shader programs sample every unit that has a texture.
        bind_texture(i, target, name);
        if (fixed_function) {
            active_texture(i);
            const unit_environment env{&shadow_, i};
            env.set(GL_TEXTURE_ENV_MODE, GL_COMBINE);
            float factor[4];
            color_floats(render_state(RS_TEXTUREFACTOR), factor);
            if (shadow_.changed(gl_state_shadow::k_tex_env, gl_state_shadow::on_unit(i, GL_TEXTURE_ENV_COLOR),
                                factor, sizeof factor))
                glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
            set_combiner(env, false, st[i][TSS_COLOROP], st[i][TSS_COLORARG0], st[i][TSS_COLORARG1],
                         st[i][TSS_COLORARG2]);
            set_combiner(env, true, st[i][TSS_ALPHAOP], st[i][TSS_ALPHAARG0], st[i][TSS_ALPHAARG1],
                         st[i][TSS_ALPHAARG2]);
            const GLint replace = render_state(RS_POINTSPRITEENABLE) ? GL_TRUE : GL_FALSE;
            if (shadow_.changed_to(gl_state_shadow::k_tex_env, gl_state_shadow::on_unit(i, GL_COORD_REPLACE), replace))
                glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, replace);
            const std::uint32_t source = st[i][TSS_TEXCOORDINDEX] & 0xFFFF0000u;
            apply_texture_generation(i, source);
            apply_texture_transform(i, source);
        }
        apply_sampler(i);
    }
    active_texture(0);
}

void gl_device::set_vertex_arrays(const std::uint8_t* base, int stride) {
    // Array pointers depend on the buffer bound at the time: they are set at every draw.
    const std::uint32_t f = fvf();
    int offset = 0;
    client_state(GL_VERTEX_ARRAY, 0, true);
    glVertexPointer(3, GL_FLOAT, stride, base + offset);
    offset += (f & FVF_XYZRHW) ? 16 : ((f & FVF_XYZ) ? 12 : 0);
    // A draw from an array leaves the current value of that attribute undefined.
    client_state(GL_NORMAL_ARRAY, 0, (f & FVF_NORMAL) != 0);
    if (f & FVF_NORMAL) {
        glNormalPointer(GL_FLOAT, stride, base + offset);
        offset += 12;
        shadow_.forget(gl_state_shadow::k_current_normal, 0);
    } else if (shadow_.changed_to(gl_state_shadow::k_current_normal, 0, 0.0f)) {
        glNormal3f(0, 0, 0);  // unlit but for ambient and emissive, as without normals
    }
    if (f & FVF_PSIZE) offset += 4;
    client_state(GL_COLOR_ARRAY, 0, (f & FVF_DIFFUSE) != 0);
    if (f & FVF_DIFFUSE) {
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + offset);
        offset += 4;
        shadow_.forget(gl_state_shadow::k_current_color, 0);
    } else if (shadow_.changed_to(gl_state_shadow::k_current_color, 0, 1.0f)) {
        glColor4f(1, 1, 1, 1);
    }
    client_state(GL_SECONDARY_COLOR_ARRAY, 0, (f & FVF_SPECULAR) != 0);
    if (f & FVF_SPECULAR) {
        glSecondaryColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, base + offset);
        offset += 4;
        shadow_.forget(gl_state_shadow::k_current_secondary_color, 0);
    } else if (shadow_.changed_to(gl_state_shadow::k_current_secondary_color, 0, 0.0f)) {
        glSecondaryColor3f(0, 0, 0);
    }
    const int sets = static_cast<int>((f & FVF_TEXCOUNT_MASK) >> FVF_TEXCOUNT_SHIFT);
    int set_offset[8] = {};
    for (int s = 0; s < sets && s < 8; ++s) {
        set_offset[s] = offset;
        offset += 4 * texcoord_size(f, s);
    }
    // Unit i reads the set its stage names.
    for (int unit = 0; unit < k_max_stages; ++unit) {
        const int set = static_cast<int>(texture_stage_state(unit, TSS_TEXCOORDINDEX) & 0xFFFF);
        client_state(GL_TEXTURE_COORD_ARRAY, unit, set < sets);
        if (set < sets) {
            client_active_texture(unit);
            glTexCoordPointer(texcoord_size(f, set), GL_FLOAT, stride, base + set_offset[set]);
        }
    }
    client_active_texture(0);
}

bool gl_device::apply_all(const std::uint8_t* vertex_base, int stride) {
    if (!bind_target()) return false;
    apply_raster_state();
    const bool pretransformed = (fvf() & FVF_XYZRHW) != 0;
    gfx_shader* vs = pretransformed ? nullptr : vertex_shader();
    gfx_shader* ps = pixel_shader();
    program_info* program = (vs || ps) ? program_for(vs, ps) : nullptr;
    const unsigned name = program ? program->name : 0;
    if (shadow_.changed_to(gl_state_shadow::k_program, 0, name)) glUseProgram(name);
    // Uniforms belong to the program: their slots are the program's.
    auto uniforms = [&](std::uint32_t which, int location, int count, const float* values) {
        if (location < 0) return;
        const std::uint32_t slot = (name << 2) | which;
        if (shadow_.changed(gl_state_shadow::k_uniforms, slot, values, sizeof(float) * 4 * static_cast<std::size_t>(count)))
            glUniform4fv(location, count, values);
    };
    if (vs && program) {
        apply_clip_planes(true);
        enable(GL_LIGHTING, false);
        uniforms(0, program->vs_c, k_vs_constants, &state().vs_constants[0][0]);
        // A plane turned off is handed over as (0, 0, 0, 0): the software rasteriser was seen
        // to cut with the distances a program writes even for planes it had not enabled.
        float planes[k_max_clip_planes][4] = {};
        const std::uint32_t enabled = render_state(RS_CLIPPLANEENABLE);
        for (int i = 0; i < k_max_clip_planes; ++i) {
            if ((enabled & (1u << i)) != 0) std::memcpy(planes[i], state().clip_planes[i], sizeof planes[i]);
        }
        uniforms(1, program->clip, k_max_clip_planes, &planes[0][0]);
        const float flip = clip_y_sign();
        if (program->flip >= 0 && shadow_.changed_to(gl_state_shadow::k_uniforms, (name << 2) | 2u, flip))
            glUniform1f(program->flip, flip);
    } else {
        apply_transforms_and_lights(pretransformed);
    }
    if (ps && program && program->ps_c >= 0) uniforms(3, program->ps_c, k_ps_constants, &state().ps_constants[0][0]);
    apply_stages(!(ps && program));
    set_vertex_arrays(vertex_base, stride);
    return true;
}

// Only fixed-function triangles and lines: a vertex program places its vertices where it
// likes, a pretransformed vertex is already on the screen, and a point sprite reaches past
// its position.
bool gl_device::draw_cullable(std::uint32_t type) const {
    if (!draw_culling_ || type == PT_POINTLIST || vertex_shader() != nullptr) return false;
    const std::uint32_t f = fvf();
    return (f & (FVF_XYZ | FVF_XYZRHW)) == FVF_XYZ;
}

bool gl_device::draw_culled(const position_box& box) {
    float planes[k_max_clip_planes][4];
    for (int i = 0; i < k_max_clip_planes; ++i) std::memcpy(planes[i], state().clip_planes[i], sizeof planes[i]);
    const bool nowhere = box_drawn_nowhere(box, transform(TS_WORLD), transform(TS_VIEW) * transform(TS_PROJECTION),
                                           planes, k_max_clip_planes, render_state(RS_CLIPPLANEENABLE));
    if (nowhere) ++culled_draws_;
    return nowhere;
}

hresult gl_device::draw_primitive(std::uint32_t type, int start_vertex, int count) {
    auto* vb = static_cast<gl_vertex_buffer*>(stream_source());
    if (!type_ok(type) || count <= 0 || !vb || start_vertex < 0 || stream_stride() <= 0)
        return D3DERR_INVALIDCALL;
    const int n = primitive_vertex_count(type, count);
    if (stream_offset() + static_cast<long long>(start_vertex + n) * stream_stride() > vb->size())
        return D3DERR_INVALIDCALL;
    if (draw_cullable(type) && draw_culled(vb->positions(static_cast<int>(stream_offset()), stream_stride())))
        return S_OK;
    vb->buffer.bind(GL_ARRAY_BUFFER, *vb);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    const auto* base = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(
        stream_offset()));
    if (!apply_all(base, stream_stride())) return E_GL_FRAMEBUFFER;
    glDrawArrays(gl_primitive(type), start_vertex, n);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

hresult gl_device::draw_indexed_primitive(std::uint32_t type, int base_vertex, int, int,
                                          int start_index, int count) {
    auto* vb = static_cast<gl_vertex_buffer*>(stream_source());
    auto* ib = static_cast<gl_index_buffer*>(indices());
    if (!type_ok(type) || count <= 0 || !vb || !ib || start_index < 0 || stream_stride() <= 0)
        return D3DERR_INVALIDCALL;
    const int n = primitive_vertex_count(type, count);
    const int index_size = ib->format() == FMT_INDEX32 ? 4 : 2;
    if (static_cast<long long>(start_index + n) * index_size > ib->size())
        return D3DERR_INVALIDCALL;
    if (draw_cullable(type) && draw_culled(vb->positions(static_cast<int>(stream_offset()), stream_stride())))
        return S_OK;
    vb->buffer.bind(GL_ARRAY_BUFFER, *vb);
    ib->buffer.bind(GL_ELEMENT_ARRAY_BUFFER, *ib);
    const auto* base = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(
        stream_offset()));
    if (!apply_all(base, stream_stride())) return E_GL_FRAMEBUFFER;
    const auto* first = reinterpret_cast<const void*>(
        static_cast<std::uintptr_t>(start_index * index_size));
    glDrawElementsBaseVertex(gl_primitive(type), n,
                             index_size == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, first,
                             base_vertex);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

hresult gl_device::draw_primitive_up(std::uint32_t type, int count, const void* vertices,
                                     int stride) {
    if (!type_ok(type) || count <= 0 || !vertices || stride <= 0) return D3DERR_INVALIDCALL;
    if (draw_cullable(type) &&
        draw_culled(box_of_positions(static_cast<const std::uint8_t*>(vertices), stride,
                                           primitive_vertex_count(type, count)))) {
        set_stream_source(0, nullptr, 0, 0);
        return S_OK;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (!apply_all(static_cast<const std::uint8_t*>(vertices), stride)) return E_GL_FRAMEBUFFER;
    glDrawArrays(gl_primitive(type), 0, primitive_vertex_count(type, count));
    set_stream_source(0, nullptr, 0, 0);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

hresult gl_device::draw_indexed_primitive_up(std::uint32_t type, int min_index, int vertex_count,
                                             int count, const void* index_data,
                                             std::uint32_t index_format, const void* vertices,
                                             int stride) {
    if (!type_ok(type) || count <= 0 || !vertices || !index_data || stride <= 0 ||
        vertex_count <= 0 || min_index < 0)
        return D3DERR_INVALIDCALL;
    if (draw_cullable(type) &&
        draw_culled(box_of_positions(static_cast<const std::uint8_t*>(vertices) +
                                               static_cast<std::size_t>(min_index) * static_cast<std::size_t>(stride),
                                           stride, vertex_count))) {
        set_stream_source(0, nullptr, 0, 0);
        set_indices(nullptr);
        return S_OK;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (!apply_all(static_cast<const std::uint8_t*>(vertices), stride)) return E_GL_FRAMEBUFFER;
    glDrawElements(gl_primitive(type), primitive_vertex_count(type, count),
                   index_format == FMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                   index_data);
    set_stream_source(0, nullptr, 0, 0);
    set_indices(nullptr);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}

// ---------------------------------------------------------------- gl_system

gl_window_hooks window_hooks(window_system* window) {
    gl_window_hooks hooks;
    hooks.swap = [window] { window->swap_buffers(); };
    hooks.set_swap_interval = [window](int interval) { window->set_swap_interval(interval); };
    hooks.desktop_size = [window](int* width, int* height) { window->desktop_size(width, height); };
    return hooks;
}

gl_system::gl_system(gl_window_hooks hooks, display_mode mode)
    : hooks_(std::move(hooks)), mode_(mode) {}

display_mode gl_system::adapter_display_mode() const {
    display_mode m = mode_;
    if (hooks_.desktop_size) {
        int w = 0, h = 0;
        hooks_.desktop_size(&w, &h);
        if (w > 0 && h > 0) {
            m.width = static_cast<std::uint32_t>(w);
            m.height = static_cast<std::uint32_t>(h);
        }
    }
    return m;
}

device_caps gl_system::read_caps() {
    device_caps c;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    copy_text(c.adapter_description, renderer ? renderer : "OpenGL");
    // GL has no query for the memory textures may use; Mesa keeps them in system memory.
    c.texture_memory = 1024ull << 20;
    GLint v = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
    c.max_texture_width = c.max_texture_height = static_cast<std::uint32_t>(v);
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &v);
    c.max_volume_extent = static_cast<std::uint32_t>(v);
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &v);  // fixed-function units
    c.max_simultaneous_textures = c.max_texture_blend_stages =
        static_cast<std::uint32_t>(std::min(v, k_max_stages));
    glGetIntegerv(GL_MAX_CLIP_PLANES, &v);
    c.max_user_clip_planes = static_cast<std::uint32_t>(std::min(v, k_max_clip_planes));
    glGetIntegerv(GL_MAX_LIGHTS, &v);
    c.max_active_lights = static_cast<std::uint32_t>(v);
    // GLSL 4.50 does all that shader model 3 does.
    c.vertex_shader_version = 0x300;
    c.pixel_shader_version = 0x300;
    c.raster_caps = RASTERCAPS_FOGVERTEX | RASTERCAPS_FOGTABLE | RASTERCAPS_ZFOG;
    // No bump-environment stage: the fixed-function route passes such a stage over (shader
    // programs may still perturb coordinates their own way). Cube and volume textures are
    // core GL.
    c.texture_op_caps = 0;
    c.texture_caps = PTEXTURECAPS_VOLUMEMAP | PTEXTURECAPS_CUBEMAP;
    c.max_vertex_index = 0xFFFFFF;
    float range[2] = {1, 1};
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range);
    c.max_point_size = static_cast<std::uint32_t>(range[1]);
    return c;
}

hresult gl_system::check_device_format(std::uint32_t, std::uint32_t usage, texture_kind kind,
                                       std::uint32_t format) const {
    if (usage & USAGE_DEPTHSTENCIL) return depth_internal(format) ? S_OK : D3DERR_NOTAVAILABLE;
    gl_format f;
    if (!gl_format_of(format, &f)) return D3DERR_NOTAVAILABLE;
    if (f.compressed && (kind == texture_kind::volume || (usage & USAGE_RENDERTARGET)))
        return D3DERR_NOTAVAILABLE;
    return S_OK;
}

hresult gl_system::check_depth_stencil_match(std::uint32_t, std::uint32_t,
                                             std::uint32_t depth_format) const {
    return depth_internal(depth_format) ? S_OK : D3DERR_NOTAVAILABLE;
}

hresult gl_system::create_device(void* window, std::uint32_t, present_params* params,
                                 std::unique_ptr<gfx_device>* out) {
    if (!params || !out) return D3DERR_INVALIDCALL;
    if (!glGetString(GL_VERSION)) return D3DERR_NOTAVAILABLE;  // no current context
    if (params->back_buffer_width == 0) params->back_buffer_width = mode_.width;
    if (params->back_buffer_height == 0) params->back_buffer_height = mode_.height;
    if (params->back_buffer_format == FMT_UNKNOWN) params->back_buffer_format = mode_.format;
    params->device_window = window;
    *out = std::make_unique<gl_device>(*params, read_caps(), hooks_);
    return glGetError() == GL_NO_ERROR ? S_OK : E_GL_FAILED;
}
