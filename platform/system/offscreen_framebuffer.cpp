#include "platform/system/offscreen_framebuffer.h"

#include <GL/gl.h>
#include <GL/glext.h>

offscreen_framebuffer::offscreen_framebuffer(int width, int height, bool stencil)
    : width_(width), height_(height) {
    glGenRenderbuffers(2, buffers_);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers_[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers_[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, stencil ? GL_DEPTH24_STENCIL8 : GL_DEPTH_COMPONENT24,
                          width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    GLuint name = 0;
    glGenFramebuffers(1, &name);
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers_[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                              stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, buffers_[1]);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (complete) {
        name_ = name;
    } else {
        glDeleteFramebuffers(1, &name);
    }
}

offscreen_framebuffer::~offscreen_framebuffer() {
    if (name_) glDeleteFramebuffers(1, &name_);
    glDeleteRenderbuffers(2, buffers_);
}

void offscreen_framebuffer::read(unsigned char* out) const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, out);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}
