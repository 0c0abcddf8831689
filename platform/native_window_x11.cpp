// native_window_x11.cpp -- the viewer's window on X11: the display's check,
// detectable key repeat and the WM_CLASS property.
#include "platform/native_window.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace {

// The check's own connection stays open until the window's exists: an X
// server with no other client resets when its last client leaves, and a
// connection made during the reset fails.
Display* g_Probe = nullptr;

}  // namespace

bool GraphicalDisplayAvailable(std::string* why) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        *why = "no graphical display (DISPLAY is not set)";
        return false;
    }
    g_Probe = XOpenDisplay(name);
    if (!g_Probe) {
        *why = std::string("cannot open the display ") + name;
        return false;
    }
    return true;
}

void ConfigureViewerWindow(const char* instanceName, const char* className) {
    if (g_Probe) XCloseDisplay(g_Probe);
    g_Probe = nullptr;
    Display* display = glXGetCurrentDisplay();
    if (!display) return;
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    const Window window = glXGetCurrentDrawable();
    if (window == 0) return;
    XClassHint hint;
    hint.res_name = const_cast<char*>(instanceName);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display, window, &hint);
    XFlush(display);
}
