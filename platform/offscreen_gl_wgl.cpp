// offscreen_gl_wgl.cpp -- the offscreen context on Windows through WGL: a
// window that is never shown gives a first context, through which the
// pixel-format and pbuffer functions of WGL_ARB_pixel_format and
// WGL_ARB_pbuffer are fetched; the picture is a pbuffer of the requested
// size with 8 bits a colour and the deepest depth buffer offered, as the
// viewer's window has. A pbuffer, not a framebuffer object: the driver draws
// into it as into a window, so a render comes out as the window shows it
// (Mesa's framebuffer objects resolve the wireframe's ties with the terrain
// differently, a few percent of the pixels of an overlay picture).
#include "platform/offscreen_gl.h"

#include <windows.h>
#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kWindowClass[] = "lndtool offscreen OpenGL";

HWND g_Window = nullptr;         // hidden; carries the first context only
HDC g_WindowDc = nullptr;
HGLRC g_FirstContext = nullptr;  // made on the window, for fetching WGL's functions
int g_PbufferFormat = 0;
HPBUFFERARB g_Pbuffer = nullptr;
HDC g_PbufferDc = nullptr;
HGLRC g_Context = nullptr;       // made on the first pbuffer, current on every later one

struct WglFunctions {
    PFNWGLCHOOSEPIXELFORMATARBPROC choosePixelFormat;
    PFNWGLGETPIXELFORMATATTRIBIVARBPROC getPixelFormatAttribiv;
    PFNWGLCREATEPBUFFERARBPROC createPbuffer;
    PFNWGLGETPBUFFERDCARBPROC getPbufferDc;
    PFNWGLRELEASEPBUFFERDCARBPROC releasePbufferDc;
    PFNWGLDESTROYPBUFFERARBPROC destroyPbuffer;
} g_Wgl;

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
bool Fetch(Proc* pointer, const char* name) {
    *pointer = reinterpret_cast<Proc>(WglFunction(name));
    return *pointer != nullptr;
}

bool FetchPbufferFunctions() {
    bool all = true;
    all &= Fetch(&g_Wgl.choosePixelFormat, "wglChoosePixelFormatARB");
    all &= Fetch(&g_Wgl.getPixelFormatAttribiv, "wglGetPixelFormatAttribivARB");
    all &= Fetch(&g_Wgl.createPbuffer, "wglCreatePbufferARB");
    all &= Fetch(&g_Wgl.getPbufferDc, "wglGetPbufferDCARB");
    all &= Fetch(&g_Wgl.releasePbufferDc, "wglReleasePbufferDCARB");
    all &= Fetch(&g_Wgl.destroyPbuffer, "wglDestroyPbufferARB");
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

int FormatValue(int format, int attribute) {
    int value = 0;
    g_Wgl.getPixelFormatAttribiv(g_WindowDc, format, 0, 1, &attribute, &value);
    return value;
}

// Any pixel format with OpenGL, 8 bits a colour and a depth buffer, for
// the window that only serves to fetch WGL's functions.
bool SetWindowPixelFormat() {
    PIXELFORMATDESCRIPTOR wanted;
    std::memset(&wanted, 0, sizeof wanted);
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 24;
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(g_WindowDc, &wanted);
    PIXELFORMATDESCRIPTOR chosen;
    return format != 0 && DescribePixelFormat(g_WindowDc, format, sizeof chosen, &chosen) &&
           SetPixelFormat(g_WindowDc, format, &chosen);
}

// 8 bits a colour like the window's visual; of those, the deepest depth buffer.
int ChoosePbufferFormat() {
    const int wanted[] = {WGL_DRAW_TO_PBUFFER_ARB, TRUE, WGL_SUPPORT_OPENGL_ARB, TRUE, WGL_PIXEL_TYPE_ARB,
                          WGL_TYPE_RGBA_ARB, WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8,
                          WGL_DEPTH_BITS_ARB, 24, 0};
    int formats[256];
    UINT count = 0;
    if (!g_Wgl.choosePixelFormat(g_WindowDc, wanted, nullptr, 256, formats, &count)) return 0;
    int best = 0;
    for (UINT i = 0; i < count; ++i) {
        const int f = formats[i];
        if (FormatValue(f, WGL_RED_BITS_ARB) != 8 || FormatValue(f, WGL_GREEN_BITS_ARB) != 8 ||
            FormatValue(f, WGL_BLUE_BITS_ARB) != 8)
            continue;
        if (!best || FormatValue(f, WGL_DEPTH_BITS_ARB) > FormatValue(best, WGL_DEPTH_BITS_ARB)) best = f;
    }
    return best;
}

void DestroyPbuffer(HPBUFFERARB pbuffer, HDC dc) {
    if (dc) g_Wgl.releasePbufferDc(pbuffer, dc);
    if (pbuffer) g_Wgl.destroyPbuffer(pbuffer);
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
    // Never shown.
    g_Window = CreateWindowExA(0, kWindowClass, kWindowClass, WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                               16, 16, nullptr, nullptr, instance, nullptr);
    if (!g_Window) return Fail(errorLine, WindowsError("CreateWindowExA of the hidden window"));
    g_WindowDc = GetDC(g_Window);
    if (!g_WindowDc) return Fail(errorLine, WindowsError("GetDC"));
    if (!SetWindowPixelFormat()) return Fail(errorLine, "no OpenGL pixel format: " + WindowsError("SetPixelFormat"));
    g_FirstContext = wglCreateContext(g_WindowDc);
    if (!g_FirstContext) return Fail(errorLine, WindowsError("wglCreateContext"));
    if (!wglMakeCurrent(g_WindowDc, g_FirstContext)) return Fail(errorLine, WindowsError("wglMakeCurrent"));
    if (!FetchPbufferFunctions())
        return Fail(errorLine, "the OpenGL driver has no pbuffers (WGL_ARB_pixel_format and WGL_ARB_pbuffer)");
    g_PbufferFormat = ChoosePbufferFormat();
    if (!g_PbufferFormat)
        return Fail(errorLine, "no pbuffer pixel format of 8 bits a colour with a 24-bit depth buffer");
    // A small picture at first, so GL can be set up before the size is known.
    if (!SetOffscreenPictureSize(16, 16, errorLine)) {
        CloseOffscreenContext();
        return false;
    }
    return true;
}

bool SetOffscreenPictureSize(int width_px, int height_px, std::string* errorLine) {
    const int largestWidth = FormatValue(g_PbufferFormat, WGL_MAX_PBUFFER_WIDTH_ARB);
    const int largestHeight = FormatValue(g_PbufferFormat, WGL_MAX_PBUFFER_HEIGHT_ARB);
    // A driver that does not tell (Wine answers 0) refuses at the creation.
    if (largestWidth > 0 && largestHeight > 0 && (width_px > largestWidth || height_px > largestHeight)) {
        *errorLine = "ERROR : offscreen OpenGL : the driver draws pictures of at most " + std::to_string(largestWidth) +
                     " x " + std::to_string(largestHeight) + " pixels";
        return false;
    }
    const int attributes[] = {0};
    const HPBUFFERARB pbuffer = g_Wgl.createPbuffer(g_WindowDc, g_PbufferFormat, width_px, height_px, attributes);
    const HDC dc = pbuffer ? g_Wgl.getPbufferDc(pbuffer) : nullptr;
    // The context is made once, on the first pbuffer; every later one has
    // the same pixel format, so the same context (and its lists) serves it.
    HGLRC context = g_Context ? g_Context : (dc ? wglCreateContext(dc) : nullptr);
    if (!dc || !context || !wglMakeCurrent(dc, context)) {
        *errorLine = "ERROR : offscreen OpenGL : cannot make a " + std::to_string(width_px) + " x " +
                     std::to_string(height_px) + " picture: " + WindowsError("wglCreatePbufferARB");
        if (context && context != g_Context) wglDeleteContext(context);
        DestroyPbuffer(pbuffer, dc);
        if (g_Pbuffer) wglMakeCurrent(g_PbufferDc, g_Context);
        return false;
    }
    g_Context = context;
    DestroyPbuffer(g_Pbuffer, g_PbufferDc);
    g_Pbuffer = pbuffer;
    g_PbufferDc = dc;
    glViewport(0, 0, width_px, height_px);
    return true;
}

void* OffscreenGlProcAddress(const char* name) { return reinterpret_cast<void*>(WglFunction(name)); }

void CloseOffscreenContext() {
    wglMakeCurrent(nullptr, nullptr);
    if (g_Context) wglDeleteContext(g_Context);
    g_Context = nullptr;
    if (g_Pbuffer) DestroyPbuffer(g_Pbuffer, g_PbufferDc);
    g_Pbuffer = nullptr;
    g_PbufferDc = nullptr;
    g_PbufferFormat = 0;
    if (g_FirstContext) wglDeleteContext(g_FirstContext);
    g_FirstContext = nullptr;
    if (g_WindowDc) ReleaseDC(g_Window, g_WindowDc);
    g_WindowDc = nullptr;
    if (g_Window) DestroyWindow(g_Window);
    g_Window = nullptr;
}
