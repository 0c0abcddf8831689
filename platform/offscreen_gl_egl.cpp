// offscreen_gl_egl.cpp -- the offscreen context through EGL on Mesa's
// surfaceless platform: no window, no X connection, no display server.
#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

EGLDisplay g_Display = EGL_NO_DISPLAY;
EGLContext g_Context = EGL_NO_CONTEXT;
GLuint g_Framebuffer, g_ColourBuffer, g_DepthBuffer;

// Framebuffer objects, core since OpenGL 3.0; fetched like any extension.
PFNGLGENFRAMEBUFFERSPROC GenFramebuffers;
PFNGLBINDFRAMEBUFFERPROC BindFramebuffer;
PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers;
PFNGLGENRENDERBUFFERSPROC GenRenderbuffers;
PFNGLBINDRENDERBUFFERPROC BindRenderbuffer;
PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers;
PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage;
PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus;

template <typename Proc>
bool Fetch(Proc& pointer, const char* name) {
    pointer = reinterpret_cast<Proc>(eglGetProcAddress(name));
    return pointer != nullptr;
}

bool Fail(std::string* errorLine, const std::string& what) {
    *errorLine = "ERROR : offscreen OpenGL : " + what;
    CloseOffscreenContext();
    return false;
}

std::string EglError(const char* call) {
    char code[32];
    std::snprintf(code, sizeof code, " (EGL error 0x%04X)", unsigned(eglGetError()));
    return std::string(call) + " failed" + code;
}

}  // namespace

bool OpenOffscreenContext(std::string* errorLine) {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!clientExtensions || !std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless"))
        return Fail(errorLine, "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless; "
                               "install Mesa's EGL, Debian package libegl-mesa0)");
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return Fail(errorLine, "EGL lacks eglGetPlatformDisplayEXT");
    g_Display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (g_Display == EGL_NO_DISPLAY || !eglInitialize(g_Display, &major, &minor))
        return Fail(errorLine, EglError("eglInitialize of the surfaceless display"));
    if (!eglBindAPI(EGL_OPENGL_API)) return Fail(errorLine, "EGL offers no desktop OpenGL (eglBindAPI)");
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(g_Display, configAttributes, &config, 1, &configs) || configs < 1)
        return Fail(errorLine, "no EGL configuration for desktop OpenGL without a surface");
    // No version asked for: a compatibility context, with fixed-function
    // drawing and display lists.
    g_Context = eglCreateContext(g_Display, config, EGL_NO_CONTEXT, nullptr);
    if (g_Context == EGL_NO_CONTEXT) return Fail(errorLine, EglError("eglCreateContext"));
    if (!eglMakeCurrent(g_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, g_Context))
        return Fail(errorLine, EglError("eglMakeCurrent without a surface"));
    if (!Fetch(GenFramebuffers, "glGenFramebuffers") || !Fetch(BindFramebuffer, "glBindFramebuffer") ||
        !Fetch(DeleteFramebuffers, "glDeleteFramebuffers") || !Fetch(GenRenderbuffers, "glGenRenderbuffers") ||
        !Fetch(BindRenderbuffer, "glBindRenderbuffer") || !Fetch(DeleteRenderbuffers, "glDeleteRenderbuffers") ||
        !Fetch(RenderbufferStorage, "glRenderbufferStorage") ||
        !Fetch(FramebufferRenderbuffer, "glFramebufferRenderbuffer") ||
        !Fetch(CheckFramebufferStatus, "glCheckFramebufferStatus"))
        return Fail(errorLine, "the OpenGL driver lacks framebuffer objects");
    return true;
}

bool SetOffscreenPictureSize(int width_px, int height_px, std::string* errorLine) {
    if (g_Framebuffer) {
        BindFramebuffer(GL_FRAMEBUFFER, 0);
        DeleteFramebuffers(1, &g_Framebuffer);
        DeleteRenderbuffers(1, &g_ColourBuffer);
        DeleteRenderbuffers(1, &g_DepthBuffer);
        g_Framebuffer = g_ColourBuffer = g_DepthBuffer = 0;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width_px > largest || height_px > largest) {
        *errorLine = "ERROR : offscreen OpenGL : the driver draws at most " + std::to_string(largest) + " x " +
                     std::to_string(largest) + " pixels";
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    GenFramebuffers(1, &g_Framebuffer);
    GenRenderbuffers(1, &g_ColourBuffer);
    GenRenderbuffers(1, &g_DepthBuffer);
    BindRenderbuffer(GL_RENDERBUFFER, g_ColourBuffer);
    RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_px, height_px);
    BindRenderbuffer(GL_RENDERBUFFER, g_DepthBuffer);
    RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_px, height_px);
    BindFramebuffer(GL_FRAMEBUFFER, g_Framebuffer);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g_ColourBuffer);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, g_DepthBuffer);
    const GLenum status = CheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
        *errorLine = "ERROR : offscreen OpenGL : cannot make a " + std::to_string(width_px) + " x " +
                     std::to_string(height_px) + " picture (out of memory?)";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width_px, height_px);
    return true;
}

void* OffscreenGlProcAddress(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

void ReadOffscreenPicture(int width_px, int height_px, uint8_t* rgb_out) {
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = size_t(width_px) * 3;
    std::vector<uint8_t> flipped(row * size_t(height_px));
    glReadPixels(0, 0, width_px, height_px, GL_RGB, GL_UNSIGNED_BYTE, flipped.data());
    // GL's rows run from the bottom up.
    for (int y = 0; y < height_px; ++y)
        std::memcpy(rgb_out + row * size_t(y), flipped.data() + row * size_t(height_px - 1 - y), row);
}

void CloseOffscreenContext() {
    if (g_Display == EGL_NO_DISPLAY) return;
    if (g_Context != EGL_NO_CONTEXT) {
        if (g_Framebuffer) {
            BindFramebuffer(GL_FRAMEBUFFER, 0);
            DeleteFramebuffers(1, &g_Framebuffer);
            DeleteRenderbuffers(1, &g_ColourBuffer);
            DeleteRenderbuffers(1, &g_DepthBuffer);
            g_Framebuffer = g_ColourBuffer = g_DepthBuffer = 0;
        }
        eglMakeCurrent(g_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(g_Display, g_Context);
        g_Context = EGL_NO_CONTEXT;
    }
    eglTerminate(g_Display);
    g_Display = EGL_NO_DISPLAY;
}
