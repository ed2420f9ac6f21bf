#include "platform/system/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace {

struct shared_context {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    const char* error = "";
};

shared_context make_context() {
    shared_context s;
    auto get_platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_platform_display)
        s.display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                         nullptr);
    if (s.display == EGL_NO_DISPLAY) s.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (s.display == EGL_NO_DISPLAY || !eglInitialize(s.display, nullptr, nullptr)) {
        s.error = "no EGL display";
        return s;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        s.error = "no desktop OpenGL through EGL";
        return s;
    }
    const EGLint config_attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    eglChooseConfig(s.display, config_attributes, &config, 1, &count);
    const EGLint context_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4,
                                         EGL_CONTEXT_MINOR_VERSION, 5,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                         EGL_NONE};
    s.context = eglCreateContext(s.display, count > 0 ? config : EGL_NO_CONFIG_KHR,
                                 EGL_NO_CONTEXT, context_attributes);
    if (s.context == EGL_NO_CONTEXT) s.error = "no OpenGL 4.5 compatibility context";
    return s;
}

}  // namespace

offscreen_gl::offscreen_gl() {
    static const shared_context shared = make_context();
    if (shared.context == EGL_NO_CONTEXT) {
        error_ = shared.error;
        return;
    }
    if (!eglMakeCurrent(shared.display, EGL_NO_SURFACE, EGL_NO_SURFACE, shared.context)) {
        error_ = "cannot make the context current";
        return;
    }
    context_ = shared.context;
}

offscreen_gl::~offscreen_gl() = default;
