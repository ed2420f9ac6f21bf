// The two texture stages the weapons' metal is drawn with (airframe and motor casing): the
// shared surface texture on stage 0, and the shared environment map over it on stage 1 by
// the camera-space reflection vector, blended by the texture factor's alpha. Specular light
// and normal renormalisation go with them; the restore puts every one of these back.
#pragma once

#include "core/app_state.h"
#include "platform/gfx_device.h"

inline void set_metal_stages(gfx_device* d) {
    const app_state_objects* o = g_state != nullptr ? &g_state->objects : nullptr;
    d->set_texture(0, o != nullptr ? o->white_texture.get() : nullptr);
    d->set_texture(1, o != nullptr ? o->reflection_cube.get() : nullptr);
    d->set_texture_stage_state(1, TSS_COLOROP, TOP_BLENDFACTORALPHA);
    d->set_texture_stage_state(1, TSS_COLORARG1, TA_TEXTURE);
    d->set_texture_stage_state(1, TSS_COLORARG2, TA_CURRENT);
    d->set_texture_stage_state(1, TSS_TEXCOORDINDEX, TCI_CAMERASPACEREFLECTIONVECTOR);
    d->set_texture_stage_state(1, TSS_TEXTURETRANSFORMFLAGS, TTFF_COUNT3);
    d->set_transform(TS_TEXTURE0 + 1, mat_identity());
    d->set_render_state(RS_SPECULARENABLE, 1);
    d->set_render_state(RS_NORMALIZENORMALS, 1);
}

inline void restore_metal_stages(gfx_device* d) {
    d->set_texture(0, nullptr);
    d->set_texture(1, nullptr);
    d->set_texture_stage_state(1, TSS_COLOROP, TOP_DISABLE);
    d->set_texture_stage_state(1, TSS_TEXCOORDINDEX, 1);
    d->set_texture_stage_state(1, TSS_TEXTURETRANSFORMFLAGS, TTFF_DISABLE);
    d->set_render_state(RS_SPECULARENABLE, 0);
    d->set_render_state(RS_NORMALIZENORMALS, 0);
    d->set_render_state(RS_DIFFUSEMATERIALSOURCE, MCS_COLOR1);
    d->set_render_state(RS_AMBIENTMATERIALSOURCE, MCS_MATERIAL);
    d->set_render_state(RS_SPECULARMATERIALSOURCE, MCS_MATERIAL);
}
