// An OpenGL 4.5 compatibility context without a window (EGL, surfaceless), made current on
// construction: the graphics tests draw through it and read the pixels back. The context is
// made once per process and kept until exit (the driver keeps state of its own beyond
// eglTerminate); every offscreen_gl makes that one current.
#pragma once

class offscreen_gl {
public:
    offscreen_gl();
    ~offscreen_gl();
    offscreen_gl(const offscreen_gl&) = delete;
    offscreen_gl& operator=(const offscreen_gl&) = delete;

    // False when no context could be made (the reason is in error()).
    bool ok() const { return context_ != nullptr; }
    const char* error() const { return error_; }

private:
    void* context_ = nullptr;
    const char* error_ = "";
};
