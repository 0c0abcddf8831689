// offscreen_gl_wgl.cpp -- the offscreen context on Windows through WGL: a
// window that is never shown gives the context its pixel format (8 bits a
// colour, a 24- or 32-bit depth buffer, as the viewer's window has), and the
// picture is a framebuffer object of the requested size with an 8-bit RGBA
// colour and a 24-bit depth renderbuffer, so it is not limited by the
// screen's size and nothing on screen can cover it.
#include "platform/offscreen_gl.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char kWindowClass[] = "lndtool offscreen OpenGL";

HWND g_Window = nullptr;
HDC g_DeviceContext = nullptr;
HGLRC g_Context = nullptr;
GLuint g_Framebuffer = 0;
GLuint g_ColourBuffer = 0;
GLuint g_DepthBuffer = 0;

// Framebuffer objects: GL 3.0's names, or the EXT extension's on older drivers.
struct FramebufferFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
} g_Fbo;

// wglGetProcAddress hands out PROC; going through void (*)() lets it become
// any other function type without a cast warning.
using AnyFunction = void (*)();

AnyFunction WglFunction(const char* name) {
    const AnyFunction f = reinterpret_cast<AnyFunction>(wglGetProcAddress(name));
    // Some drivers answer small integers instead of null for names they lack.
    const intptr_t value = reinterpret_cast<intptr_t>(f);
    return (value >= -1 && value <= 3) ? nullptr : f;
}

template <typename Proc>
bool FetchEither(Proc* pointer, const char* coreName, const char* extName) {
    AnyFunction f = WglFunction(coreName);
    if (!f) f = WglFunction(extName);
    *pointer = reinterpret_cast<Proc>(f);
    return f != nullptr;
}

bool FetchFramebufferFunctions() {
    bool all = true;
    all &= FetchEither(&g_Fbo.genFramebuffers, "glGenFramebuffers", "glGenFramebuffersEXT");
    all &= FetchEither(&g_Fbo.deleteFramebuffers, "glDeleteFramebuffers", "glDeleteFramebuffersEXT");
    all &= FetchEither(&g_Fbo.bindFramebuffer, "glBindFramebuffer", "glBindFramebufferEXT");
    all &= FetchEither(&g_Fbo.genRenderbuffers, "glGenRenderbuffers", "glGenRenderbuffersEXT");
    all &= FetchEither(&g_Fbo.deleteRenderbuffers, "glDeleteRenderbuffers", "glDeleteRenderbuffersEXT");
    all &= FetchEither(&g_Fbo.bindRenderbuffer, "glBindRenderbuffer", "glBindRenderbufferEXT");
    all &= FetchEither(&g_Fbo.renderbufferStorage, "glRenderbufferStorage", "glRenderbufferStorageEXT");
    all &= FetchEither(&g_Fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer", "glFramebufferRenderbufferEXT");
    all &= FetchEither(&g_Fbo.checkFramebufferStatus, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT");
    return all;
}

std::string WindowsError(const char* call) {
    char code[48];
    std::snprintf(code, sizeof code, " failed (Windows error %lu)", static_cast<unsigned long>(GetLastError()));
    return std::string(call) + code;
}

bool Fail(std::string* errorLine, const std::string& what) {
    *errorLine = "ERROR : offscreen OpenGL : " + what;
    CloseOffscreenContext();
    return false;
}

// 8 bits a colour like the viewer's window; the depth buffer as deep as the
// driver offers it (ChoosePixelFormat treats 32 as "the deepest there is").
bool SetWindowPixelFormat() {
    PIXELFORMATDESCRIPTOR wanted;
    std::memset(&wanted, 0, sizeof wanted);
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cRedBits = wanted.cGreenBits = wanted.cBlueBits = 8;
    wanted.cDepthBits = 32;
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(g_DeviceContext, &wanted);
    if (format == 0) return false;
    PIXELFORMATDESCRIPTOR chosen;
    DescribePixelFormat(g_DeviceContext, format, sizeof chosen, &chosen);
    if (chosen.cRedBits != 8 || chosen.cGreenBits != 8 || chosen.cBlueBits != 8 || chosen.cDepthBits < 24) {
        SetLastError(ERROR_INVALID_PIXEL_FORMAT);
        return false;
    }
    return SetPixelFormat(g_DeviceContext, format, &chosen) != FALSE;
}

void DeleteRenderbuffers() {
    if (g_ColourBuffer) g_Fbo.deleteRenderbuffers(1, &g_ColourBuffer);
    if (g_DepthBuffer) g_Fbo.deleteRenderbuffers(1, &g_DepthBuffer);
    g_ColourBuffer = g_DepthBuffer = 0;
}

}  // namespace

bool OpenOffscreenContext(std::string* errorLine) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return Fail(errorLine, WindowsError("RegisterClassA"));
    // Never shown: it only carries the pixel format and the context.
    g_Window = CreateWindowExA(0, kWindowClass, kWindowClass, WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                               16, 16, nullptr, nullptr, instance, nullptr);
    if (!g_Window) return Fail(errorLine, WindowsError("CreateWindowExA of the hidden window"));
    g_DeviceContext = GetDC(g_Window);
    if (!g_DeviceContext) return Fail(errorLine, WindowsError("GetDC"));
    if (!SetWindowPixelFormat())
        return Fail(errorLine, "no pixel format with 8 bits a colour and a 24-bit depth buffer: " +
                                   WindowsError("ChoosePixelFormat/SetPixelFormat"));
    // A legacy context: fixed-function drawing and display lists.
    g_Context = wglCreateContext(g_DeviceContext);
    if (!g_Context) return Fail(errorLine, WindowsError("wglCreateContext"));
    if (!wglMakeCurrent(g_DeviceContext, g_Context)) return Fail(errorLine, WindowsError("wglMakeCurrent"));
    if (!FetchFramebufferFunctions())
        return Fail(errorLine, "the OpenGL driver has no framebuffer objects (GL 3.0 or GL_EXT_framebuffer_object)");
    g_Fbo.genFramebuffers(1, &g_Framebuffer);
    // A small picture at first, so GL can be set up before the size is known.
    if (!SetOffscreenPictureSize(16, 16, errorLine)) {
        CloseOffscreenContext();
        return false;
    }
    return true;
}

bool SetOffscreenPictureSize(int width_px, int height_px, std::string* errorLine) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width_px > largest || height_px > largest) {
        *errorLine = "ERROR : offscreen OpenGL : the driver draws pictures of at most " + std::to_string(largest) +
                     " x " + std::to_string(largest) + " pixels";
        return false;
    }
    DeleteRenderbuffers();
    g_Fbo.bindFramebuffer(GL_FRAMEBUFFER, g_Framebuffer);
    g_Fbo.genRenderbuffers(1, &g_ColourBuffer);
    g_Fbo.bindRenderbuffer(GL_RENDERBUFFER, g_ColourBuffer);
    g_Fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_px, height_px);
    g_Fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g_ColourBuffer);
    g_Fbo.genRenderbuffers(1, &g_DepthBuffer);
    g_Fbo.bindRenderbuffer(GL_RENDERBUFFER, g_DepthBuffer);
    g_Fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_px, height_px);
    g_Fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, g_DepthBuffer);
    const GLenum status = g_Fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char code[32];
        std::snprintf(code, sizeof code, "0x%04X", unsigned(status));
        *errorLine = "ERROR : offscreen OpenGL : cannot make a " + std::to_string(width_px) + " x " +
                     std::to_string(height_px) + " picture: framebuffer status " + code;
        DeleteRenderbuffers();
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width_px, height_px);
    return true;
}

void* OffscreenGlProcAddress(const char* name) { return reinterpret_cast<void*>(WglFunction(name)); }

void ReadOffscreenPicture(int width_px, int height_px, uint8_t* rgb_out) {
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const size_t row = size_t(width_px) * 3;
    std::vector<uint8_t> bottomUp(row * size_t(height_px));
    glReadPixels(0, 0, width_px, height_px, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    // GL's rows run from the bottom up.
    for (int y = 0; y < height_px; ++y)
        std::memcpy(rgb_out + row * size_t(y), bottomUp.data() + row * size_t(height_px - 1 - y), row);
}

void CloseOffscreenContext() {
    if (g_Context) {
        if (g_Framebuffer) {
            DeleteRenderbuffers();
            g_Fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
            g_Fbo.deleteFramebuffers(1, &g_Framebuffer);
        }
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(g_Context);
    }
    g_Framebuffer = 0;
    g_Context = nullptr;
    if (g_DeviceContext) ReleaseDC(g_Window, g_DeviceContext);
    g_DeviceContext = nullptr;
    if (g_Window) DestroyWindow(g_Window);
    g_Window = nullptr;
}
