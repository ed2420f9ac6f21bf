// The numbers and plain records of the graphics device: state keys, formats, vertex-format
// bits, primitive types and the light, material and viewport records. The numeric values are
// the ones the game's drawing code and its stored data use, so state-setting lines read as
// they were written for the original device.
#pragma once

#include <cstdint>

// Render states (keys of gfx_device::set_render_state).
enum : std::uint32_t {
    RS_ZENABLE = 7,
    RS_FILLMODE = 8,
    RS_SHADEMODE = 9,
    RS_ZWRITEENABLE = 14,
    RS_ALPHATESTENABLE = 15,
    RS_LASTPIXEL = 16,
    RS_SRCBLEND = 19,
    RS_DESTBLEND = 20,
    RS_CULLMODE = 22,
    RS_ZFUNC = 23,
    RS_ALPHAREF = 24,
    RS_ALPHAFUNC = 25,
    RS_DITHERENABLE = 26,
    RS_ALPHABLENDENABLE = 27,
    RS_FOGENABLE = 28,
    RS_SPECULARENABLE = 29,
    RS_FOGCOLOR = 34,
    RS_FOGTABLEMODE = 35,
    RS_FOGSTART = 36,       // float
    RS_FOGEND = 37,         // float
    RS_FOGDENSITY = 38,     // float
    RS_RANGEFOGENABLE = 48,
    RS_STENCILENABLE = 52,
    RS_STENCILFAIL = 53,
    RS_STENCILZFAIL = 54,
    RS_STENCILPASS = 55,
    RS_STENCILFUNC = 56,
    RS_STENCILREF = 57,
    RS_STENCILMASK = 58,
    RS_STENCILWRITEMASK = 59,
    RS_TEXTUREFACTOR = 60,
    RS_WRAP0 = 128,
    RS_CLIPPING = 136,
    RS_LIGHTING = 137,
    RS_AMBIENT = 139,
    RS_FOGVERTEXMODE = 140,
    RS_COLORVERTEX = 141,
    RS_LOCALVIEWER = 142,
    RS_NORMALIZENORMALS = 143,
    RS_DIFFUSEMATERIALSOURCE = 145,
    RS_SPECULARMATERIALSOURCE = 146,
    RS_AMBIENTMATERIALSOURCE = 147,
    RS_EMISSIVEMATERIALSOURCE = 148,
    RS_VERTEXBLEND = 151,
    RS_CLIPPLANEENABLE = 152,
    RS_POINTSIZE = 154,     // float
    RS_POINTSIZE_MIN = 155, // float
    RS_POINTSPRITEENABLE = 156,
    RS_POINTSCALEENABLE = 157,
    RS_POINTSCALE_A = 158,  // float
    RS_POINTSCALE_B = 159,  // float
    RS_POINTSCALE_C = 160,  // float
    RS_MULTISAMPLEANTIALIAS = 161,
    RS_MULTISAMPLEMASK = 162,
    RS_POINTSIZE_MAX = 166, // float
    RS_COLORWRITEENABLE = 168,
    RS_BLENDOP = 171,
    RS_SCISSORTESTENABLE = 174,
    RS_SLOPESCALEDEPTHBIAS = 175,  // float
    RS_DEPTHBIAS = 195,            // float
};
constexpr int k_render_state_count = 256;

// Sampler states (per texture unit).
enum : std::uint32_t {
    SAMP_ADDRESSU = 1,
    SAMP_ADDRESSV = 2,
    SAMP_ADDRESSW = 3,
    SAMP_BORDERCOLOR = 4,
    SAMP_MAGFILTER = 5,
    SAMP_MINFILTER = 6,
    SAMP_MIPFILTER = 7,
    SAMP_MIPMAPLODBIAS = 8,  // float
    SAMP_MAXMIPLEVEL = 9,
    SAMP_MAXANISOTROPY = 10,
};
constexpr int k_sampler_state_count = 14;

// Texture stage states (per blend stage).
enum : std::uint32_t {
    TSS_COLOROP = 1,
    TSS_COLORARG1 = 2,
    TSS_COLORARG2 = 3,
    TSS_ALPHAOP = 4,
    TSS_ALPHAARG1 = 5,
    TSS_ALPHAARG2 = 6,
    TSS_BUMPENVMAT00 = 7,  // float
    TSS_BUMPENVMAT01 = 8,  // float
    TSS_BUMPENVMAT10 = 9,  // float
    TSS_BUMPENVMAT11 = 10, // float
    TSS_TEXCOORDINDEX = 11,
    TSS_BUMPENVLSCALE = 22,   // float
    TSS_BUMPENVLOFFSET = 23,  // float
    TSS_TEXTURETRANSFORMFLAGS = 24,
    TSS_COLORARG0 = 26,
    TSS_ALPHAARG0 = 27,
    TSS_RESULTARG = 28,
    TSS_CONSTANT = 32,
};
constexpr int k_stage_state_count = 33;
constexpr int k_max_stages = 8;      // blend stages and texture units
constexpr int k_max_samplers = 16;

// Values of the states above.
enum : std::uint32_t {
    ZB_FALSE = 0, ZB_TRUE = 1,
    FILL_POINT = 1, FILL_WIREFRAME = 2, FILL_SOLID = 3,
    SHADE_FLAT = 1, SHADE_GOURAUD = 2,
    CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3,
    BLEND_ZERO = 1, BLEND_ONE = 2, BLEND_SRCCOLOR = 3, BLEND_INVSRCCOLOR = 4,
    BLEND_SRCALPHA = 5, BLEND_INVSRCALPHA = 6, BLEND_DESTALPHA = 7, BLEND_INVDESTALPHA = 8,
    BLEND_DESTCOLOR = 9, BLEND_INVDESTCOLOR = 10, BLEND_SRCALPHASAT = 11,
    BLENDOP_ADD = 1, BLENDOP_SUBTRACT = 2, BLENDOP_REVSUBTRACT = 3, BLENDOP_MIN = 4,
    BLENDOP_MAX = 5,
    CMP_NEVER = 1, CMP_LESS = 2, CMP_EQUAL = 3, CMP_LESSEQUAL = 4, CMP_GREATER = 5,
    CMP_NOTEQUAL = 6, CMP_GREATEREQUAL = 7, CMP_ALWAYS = 8,
    STENCILOP_KEEP = 1, STENCILOP_ZERO = 2, STENCILOP_REPLACE = 3, STENCILOP_INCRSAT = 4,
    STENCILOP_DECRSAT = 5, STENCILOP_INVERT = 6, STENCILOP_INCR = 7, STENCILOP_DECR = 8,
    FOG_NONE = 0, FOG_EXP = 1, FOG_EXP2 = 2, FOG_LINEAR = 3,
    MCS_MATERIAL = 0, MCS_COLOR1 = 1, MCS_COLOR2 = 2,
    TADDRESS_WRAP = 1, TADDRESS_MIRROR = 2, TADDRESS_CLAMP = 3, TADDRESS_BORDER = 4,
    TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2, TEXF_ANISOTROPIC = 3,
};

// Texture stage operations and arguments.
enum : std::uint32_t {
    TOP_DISABLE = 1, TOP_SELECTARG1 = 2, TOP_SELECTARG2 = 3, TOP_MODULATE = 4,
    TOP_MODULATE2X = 5, TOP_MODULATE4X = 6, TOP_ADD = 7, TOP_ADDSIGNED = 8,
    TOP_ADDSIGNED2X = 9, TOP_SUBTRACT = 10, TOP_ADDSMOOTH = 11, TOP_BLENDDIFFUSEALPHA = 12,
    TOP_BLENDTEXTUREALPHA = 13, TOP_BLENDFACTORALPHA = 14, TOP_BLENDCURRENTALPHA = 16,
    TOP_BUMPENVMAP = 22, TOP_DOTPRODUCT3 = 24, TOP_MULTIPLYADD = 25, TOP_LERP = 26,
    TA_DIFFUSE = 0, TA_CURRENT = 1, TA_TEXTURE = 2, TA_TFACTOR = 3, TA_SPECULAR = 4,
    TA_TEMP = 5, TA_CONSTANT = 6, TA_COMPLEMENT = 0x10, TA_ALPHAREPLICATE = 0x20,
    TA_SELECTMASK = 0x0F,
};
// Texture coordinate sources (high word of TSS_TEXCOORDINDEX; the low word is the set).
enum : std::uint32_t {
    TCI_PASSTHRU = 0,
    TCI_CAMERASPACENORMAL = 0x10000,
    TCI_CAMERASPACEPOSITION = 0x20000,
    TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000,
    TCI_SPHEREMAP = 0x40000,
};
// Texture transform flags: how many coordinates the texture matrix produces.
enum : std::uint32_t {
    TTFF_DISABLE = 0, TTFF_COUNT1 = 1, TTFF_COUNT2 = 2, TTFF_COUNT3 = 3, TTFF_COUNT4 = 4,
    TTFF_PROJECTED = 256,
};

// Transforms.
enum : std::uint32_t {
    TS_VIEW = 2,
    TS_PROJECTION = 3,
    TS_TEXTURE0 = 16,   // TS_TEXTURE0 + stage, stages 0..7
    TS_WORLD = 256,     // TS_WORLD + n, world matrices 0..3
    TS_WORLD1 = 257,
    TS_WORLD2 = 258,
    TS_WORLD3 = 259,
};

// Primitive types.
enum : std::uint32_t {
    PT_POINTLIST = 1, PT_LINELIST = 2, PT_LINESTRIP = 3,
    PT_TRIANGLELIST = 4, PT_TRIANGLESTRIP = 5, PT_TRIANGLEFAN = 6,
};

// Flexible vertex format bits. Components come in this order: position, normal, point
// size, diffuse, specular, texture sets (two floats each unless FVF_TEXCOORDSIZEn says).
enum : std::uint32_t {
    FVF_XYZ = 0x002,
    FVF_XYZRHW = 0x004,
    FVF_NORMAL = 0x010,
    FVF_PSIZE = 0x020,
    FVF_DIFFUSE = 0x040,
    FVF_SPECULAR = 0x080,
    FVF_TEX0 = 0x000,
    FVF_TEX1 = 0x100,
    FVF_TEX2 = 0x200,
    FVF_TEX3 = 0x300,
    FVF_TEX4 = 0x400,
    FVF_TEXCOUNT_MASK = 0xF00,
    FVF_TEXCOUNT_SHIFT = 8,
};
// Size code of texture set i: 0 two floats (the default), 1 three, 2 four, 3 one.
constexpr std::uint32_t fvf_texcoord_size1(int i) { return 3u << (i * 2 + 16); }
constexpr std::uint32_t fvf_texcoord_size3(int i) { return 1u << (i * 2 + 16); }
constexpr std::uint32_t fvf_texcoord_size4(int i) { return 2u << (i * 2 + 16); }

// Surface and texture formats (their device numbers), with the index formats.
enum : std::uint32_t {
    FMT_UNKNOWN = 0,
    FMT_R8G8B8 = 20,
    FMT_A8R8G8B8 = 21,
    FMT_X8R8G8B8 = 22,
    FMT_R5G6B5 = 23,
    FMT_X1R5G5B5 = 24,
    FMT_A1R5G5B5 = 25,
    FMT_A4R4G4B4 = 26,
    FMT_A8 = 28,
    FMT_L8 = 50,
    FMT_A8L8 = 51,
    FMT_V8U8 = 60,
    FMT_D24S8 = 75,
    FMT_D24X8 = 77,
    FMT_D24X4S4 = 79,
    FMT_D16 = 80,
    FMT_INDEX16 = 101,
    FMT_INDEX32 = 102,
    FMT_DXT1 = 0x31545844,  // "DXT1"
    FMT_DXT3 = 0x33545844,
    FMT_DXT5 = 0x35545844,
};

// Resource usages, pools and lock flags.
enum : std::uint32_t {
    USAGE_RENDERTARGET = 0x1,
    USAGE_DEPTHSTENCIL = 0x2,
    USAGE_WRITEONLY = 0x8,
    USAGE_DYNAMIC = 0x200,
    POOL_DEFAULT = 0, POOL_MANAGED = 1, POOL_SYSTEMMEM = 2,
    LOCK_READONLY = 0x10, LOCK_NOOVERWRITE = 0x1000, LOCK_DISCARD = 0x2000,
};

// Clear flags.
enum : std::uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };

// Light types.
enum : std::uint32_t { LIGHT_POINT = 1, LIGHT_SPOT = 2, LIGHT_DIRECTIONAL = 3 };

// Cube faces.
enum : std::uint32_t {
    FACE_POSITIVE_X = 0, FACE_NEGATIVE_X = 1, FACE_POSITIVE_Y = 2, FACE_NEGATIVE_Y = 3,
    FACE_POSITIVE_Z = 4, FACE_NEGATIVE_Z = 5,
};

// Swap effects, presentation intervals, present flags, behaviour flags.
enum : std::uint32_t {
    SWAPEFFECT_DISCARD = 1,
    PRESENT_INTERVAL_DEFAULT = 0,
    PRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
    PRESENTFLAG_DISCARD_DEPTHSTENCIL = 2,
    CREATE_MULTITHREADED = 0x4,
    CREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
    CREATE_HARDWARE_VERTEXPROCESSING = 0x40,
    CREATE_MIXED_VERTEXPROCESSING = 0x80,
    DEVTYPE_HAL = 1,
};

// A colour as four floats 0..1 (red, green, blue, alpha), as lights and materials keep it.
struct color_value {
    float r = 0, g = 0, b = 0, a = 0;
};

// A light in world space. The field order is the device's own: shader constant lines copy
// direction and range as four consecutive floats.
struct gfx_light {
    std::uint32_t type = LIGHT_POINT;
    color_value diffuse;
    color_value specular;
    color_value ambient;
    float position[3] = {0, 0, 0};
    float direction[3] = {0, 0, 0};
    float range = 0;
    float falloff = 0;
    float attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
    float theta = 0, phi = 0;
};

struct gfx_material {
    color_value diffuse;
    color_value ambient;
    color_value specular;
    color_value emissive;
    float power = 0;
};

// A viewport in pixels from the top-left corner of the render target, depth range min..max.
struct gfx_viewport {
    std::uint32_t x = 0, y = 0, width = 0, height = 0;
    float min_z = 0, max_z = 1;
};

// The parameters of the swap chain and its automatic depth-stencil buffer.
struct present_params {
    std::uint32_t back_buffer_width = 0;
    std::uint32_t back_buffer_height = 0;
    std::uint32_t back_buffer_format = FMT_UNKNOWN;
    std::uint32_t back_buffer_count = 0;
    std::uint32_t multisample_type = 0;
    std::uint32_t multisample_quality = 0;
    std::uint32_t swap_effect = SWAPEFFECT_DISCARD;
    void* device_window = nullptr;
    int windowed = 1;
    int enable_auto_depth_stencil = 1;
    std::uint32_t auto_depth_stencil_format = FMT_D16;
    std::uint32_t flags = 0;
    std::uint32_t refresh_rate = 0;
    std::uint32_t presentation_interval = PRESENT_INTERVAL_DEFAULT;
};

struct display_mode {
    std::uint32_t width = 0, height = 0, refresh_rate = 0, format = FMT_UNKNOWN;
};

// Raster, texture-operation and texture capability bits of device_caps.
enum : std::uint32_t {
    RASTERCAPS_FOGVERTEX = 0x80,
    RASTERCAPS_FOGTABLE = 0x100,
    RASTERCAPS_ZFOG = 0x200000,
    RASTERCAPS_WFOG = 0x100000,
    TEXOPCAPS_BUMPENVMAP = 0x200000,
    PTEXTURECAPS_VOLUMEMAP = 0x2000,
    PTEXTURECAPS_CUBEMAP = 0x800,
};

// What the device can do: the values the application object reads and logs at start-up.
struct device_caps {
    char adapter_description[512] = {};
    std::uint64_t texture_memory = 0;       // bytes available for textures
    std::uint32_t max_texture_width = 0, max_texture_height = 0;
    std::uint32_t max_volume_extent = 0;
    std::uint32_t max_simultaneous_textures = 0;
    std::uint32_t max_texture_blend_stages = 0;
    std::uint32_t max_user_clip_planes = 0;
    std::uint32_t max_active_lights = 0;
    std::uint32_t vertex_shader_version = 0;  // major * 256 + minor, as (3, 0) -> 0x300
    std::uint32_t pixel_shader_version = 0;
    std::uint32_t raster_caps = 0;
    std::uint32_t texture_op_caps = 0;
    std::uint32_t texture_caps = 0;
    std::uint32_t max_vertex_index = 0;
    std::uint32_t max_point_size = 0;
};

// Sizes of vertex layouts and formats.
int fvf_stride(std::uint32_t fvf);
// Bytes per texel of an uncompressed format, 0 for compressed or unknown ones.
int format_bytes_per_pixel(std::uint32_t format);
bool format_is_compressed(std::uint32_t format);
bool format_is_depth(std::uint32_t format);
// Row pitch in bytes of a level of the given width (compressed formats: one row of 4x4
// blocks), and the number of such rows for the given height.
int format_pitch(std::uint32_t format, int width);
int format_rows(std::uint32_t format, int height);
// The number of primitives a draw of `vertices` vertices (or indices) makes, and the reverse.
int primitive_vertex_count(std::uint32_t type, int primitive_count);

// Float states travel as their bit patterns.
std::uint32_t float_bits(float f);
float bits_float(std::uint32_t u);
