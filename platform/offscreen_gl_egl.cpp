// offscreen_gl_egl.cpp -- the offscreen context through EGL on Mesa's
// surfaceless platform: no window, no X connection, no display server. The
// picture is a pbuffer surface with the colour and depth sizes of the
// viewer's window (8 bits a colour, 32-bit depth where the driver offers
// it): drawn by the same rasteriser into the same kind of buffer, it comes
// out pixel for pixel as the window shows it.
#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

EGLDisplay g_Display = EGL_NO_DISPLAY;
EGLConfig g_Config = nullptr;
EGLContext g_Context = EGL_NO_CONTEXT;
EGLSurface g_Surface = EGL_NO_SURFACE;

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

EGLint ConfigValue(EGLConfig config, EGLint attribute) {
    EGLint value = 0;
    eglGetConfigAttrib(g_Display, config, attribute, &value);
    return value;
}

// 8 bits a colour like the window's visual; of those, the deepest depth buffer.
EGLConfig ChoosePictureConfig() {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                             EGL_RED_SIZE,        8,              EGL_GREEN_SIZE,   8,
                             EGL_BLUE_SIZE,       8,              EGL_DEPTH_SIZE,   24,
                             EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(g_Display, wanted, nullptr, 0, &count) || count < 1) return nullptr;
    std::vector<EGLConfig> configs(size_t(count), nullptr);
    eglChooseConfig(g_Display, wanted, configs.data(), count, &count);
    EGLConfig best = nullptr;
    for (EGLConfig c : configs) {
        if (ConfigValue(c, EGL_RED_SIZE) != 8 || ConfigValue(c, EGL_GREEN_SIZE) != 8 ||
            ConfigValue(c, EGL_BLUE_SIZE) != 8)
            continue;
        if (!best || ConfigValue(c, EGL_DEPTH_SIZE) > ConfigValue(best, EGL_DEPTH_SIZE)) best = c;
    }
    return best;
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
    g_Config = ChoosePictureConfig();
    if (!g_Config) return Fail(errorLine, "no EGL configuration for desktop OpenGL pictures of 8 bits a colour");
    // No version asked for: a compatibility context, with fixed-function
    // drawing and display lists.
    g_Context = eglCreateContext(g_Display, g_Config, EGL_NO_CONTEXT, nullptr);
    if (g_Context == EGL_NO_CONTEXT) return Fail(errorLine, EglError("eglCreateContext"));
    // Current with a small picture, so GL can be set up before the size is known.
    if (!SetOffscreenPictureSize(16, 16, errorLine)) {
        CloseOffscreenContext();
        return false;
    }
    return true;
}

bool SetOffscreenPictureSize(int width_px, int height_px, std::string* errorLine) {
    const EGLint largestWidth = ConfigValue(g_Config, EGL_MAX_PBUFFER_WIDTH);
    const EGLint largestHeight = ConfigValue(g_Config, EGL_MAX_PBUFFER_HEIGHT);
    if (width_px > largestWidth || height_px > largestHeight) {
        *errorLine = "ERROR : offscreen OpenGL : the driver draws pictures of at most " + std::to_string(largestWidth) +
                     " x " + std::to_string(largestHeight) + " pixels";
        return false;
    }
    const EGLint attributes[] = {EGL_WIDTH, width_px, EGL_HEIGHT, height_px, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(g_Display, g_Config, attributes);
    if (surface == EGL_NO_SURFACE || !eglMakeCurrent(g_Display, surface, surface, g_Context)) {
        *errorLine = "ERROR : offscreen OpenGL : cannot make a " + std::to_string(width_px) + " x " +
                     std::to_string(height_px) + " picture: " + EglError("eglCreatePbufferSurface");
        if (surface != EGL_NO_SURFACE) eglDestroySurface(g_Display, surface);
        return false;
    }
    if (g_Surface != EGL_NO_SURFACE) eglDestroySurface(g_Display, g_Surface);
    g_Surface = surface;
    glViewport(0, 0, width_px, height_px);
    return true;
}

void* OffscreenGlProcAddress(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

void CloseOffscreenContext() {
    if (g_Display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(g_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_Surface != EGL_NO_SURFACE) eglDestroySurface(g_Display, g_Surface);
    if (g_Context != EGL_NO_CONTEXT) eglDestroyContext(g_Display, g_Context);
    g_Surface = EGL_NO_SURFACE;
    g_Context = EGL_NO_CONTEXT;
    g_Config = nullptr;
    eglTerminate(g_Display);
    g_Display = EGL_NO_DISPLAY;
}
