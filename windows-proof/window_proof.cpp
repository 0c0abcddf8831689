// window_proof.cpp -- a static freeglut program under Wine: an 800x600 window
// "proof" with a known pattern drawn by OpenGL 1.x, the ARB entry points taken
// from wglGetProcAddress (and glutGetProcAddress) and used for a DXT3 texture,
// and the keys seen by GetAsyncKeyState and by GLUT's keyboard callback.
// Every line goes to stdout and is flushed at once: a pipe is fully buffered.
#include <windows.h>
#include <GL/freeglut.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

PFNGLACTIVETEXTUREARBPROC ActiveTextureARB = nullptr;
PFNGLMULTITEXCOORD2FVARBPROC MultiTexCoord2fvARB = nullptr;
PFNGLCOMPRESSEDTEXIMAGE2DARBPROC CompressedTexImage2DARB = nullptr;

DWORD g_start_ms = 0;           // timeGetTime() when the window opened
constexpr DWORD kGiveUpMs = 60000;  // no Escape by then: the driver is gone
bool g_frame_reported = false;

void Say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// One DXT3 block, 4x4 texels: alpha all 15, colour 0 = colour 1 = magenta in
// RGB565 (0xF81F), every index 0. Decodes to (255, 0, 255, 255) everywhere.
constexpr unsigned char kMagentaDxt3Block[16] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0x1F, 0xF8, 0x1F, 0xF8, 0x00, 0x00, 0x00, 0x00};

// Returned as void (*)(), the type GCC lets be cast to any other function
// type without -Wcast-function-type (PROC would not be).
using AnyFunction = void (*)();

AnyFunction WglEntry(const char* name)
{
    const auto p = reinterpret_cast<AnyFunction>(wglGetProcAddress(name));
    std::printf("wglGetProcAddress %s: %s\n", name, p ? "found" : "MISSING");
    std::printf("glutGetProcAddress %s: %s\n", name, glutGetProcAddress(name) ? "found" : "MISSING");
    std::fflush(stdout);
    return p;
}

void DisplayCallback()
{
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);  // 51 in each 8-bit channel, exactly
    glClear(GL_COLOR_BUFFER_BIT);

    const struct { float r, g, b; float x0; } triangles[] = {
        {1, 0, 0, 50}, {0, 1, 0, 300}, {1, 1, 0, 550}};
    glBegin(GL_TRIANGLES);
    for (const auto& t : triangles) {
        glColor3f(t.r, t.g, t.b);
        glVertex2f(t.x0, 50);
        glVertex2f(t.x0 + 200, 50);
        glVertex2f(t.x0 + 100, 250);
    }
    glEnd();

    // The textured square goes through all three ARB entry points.
    glEnable(GL_TEXTURE_2D);
    ActiveTextureARB(GL_TEXTURE0_ARB);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const float positions[4][2] = {{300, 350}, {500, 350}, {500, 550}, {300, 550}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        MultiTexCoord2fvARB(GL_TEXTURE0_ARB, corners[i]);
        glVertex2fv(positions[i]);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glutSwapBuffers();

    if (!g_frame_reported) {
        glFinish();
        const GLenum error = glGetError();
        std::printf("frame drawn, glGetError %u\n", error);
        std::fflush(stdout);
        g_frame_reported = true;
    }
}

void Finish(int status)
{
    std::printf("timeGetTime: %lu ms since the window opened\n", timeGetTime() - g_start_ms);
    std::printf("exit %d\n", status);
    std::fflush(stdout);
    std::exit(status);
}

void KeyboardCallback(unsigned char key, int, int)
{
    std::printf("glut keyboard: %c\n", key >= 32 && key < 127 ? key : '?');
    std::fflush(stdout);
    if (key == 27) Finish(0);
}

// Reports each key of WASDQE as GetAsyncKeyState sees it go down.
void IdleCallback()
{
    static bool was_down[256] = {};
    for (const char key : {'W', 'A', 'S', 'D', 'Q', 'E'}) {
        const bool down = (GetAsyncKeyState(key) & 0x8000) != 0;
        if (down && !was_down[static_cast<unsigned char>(key)])
            std::printf("GetAsyncKeyState: %c down\n", key);
        was_down[static_cast<unsigned char>(key)] = down;
    }
    std::fflush(stdout);
    if (timeGetTime() - g_start_ms > kGiveUpMs) Finish(3);
    Sleep(5);
}

}  // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(800, 600);
    glutCreateWindow("proof");
    g_start_ms = timeGetTime();

    // Under Wine freeglut warns on stderr that CreateDC("DISPLAY") failed;
    // the screen size still comes out right.
    std::printf("GLUT_SCREEN_WIDTH x HEIGHT %d x %d\n", glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    std::printf("GL_VERSION %s\nGL_RENDERER %s\n",
                reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    ActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(WglEntry("glActiveTextureARB"));
    MultiTexCoord2fvARB = reinterpret_cast<PFNGLMULTITEXCOORD2FVARBPROC>(WglEntry("glMultiTexCoord2fvARB"));
    CompressedTexImage2DARB =
        reinterpret_cast<PFNGLCOMPRESSEDTEXIMAGE2DARBPROC>(WglEntry("glCompressedTexImage2DARB"));
    if (!ActiveTextureARB || !MultiTexCoord2fvARB || !CompressedTexImage2DARB) Finish(2);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    CompressedTexImage2DARB(GL_TEXTURE_2D, 0, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 4, 4, 0,
                            sizeof kMagentaDxt3Block, kMagentaDxt3Block);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glutDisplayFunc(DisplayCallback);
    glutKeyboardFunc(KeyboardCallback);
    glutIdleFunc(IdleCallback);
    Say("window open");
    glutMainLoop();
    return 0;
}
