// native_window.h -- what the viewer asks of the desktop's window system
// beyond GLUT, for the window whose GL context is current. X11 needs both;
// on Windows a display is always there and the window needs nothing more.
#pragma once

#include <string>

// True when a window can be opened here; otherwise *why says what is
// missing (no DISPLAY, or a display that cannot be reached). On X11 the
// check's connection stays open until ConfigureViewerWindow.
bool GraphicalDisplayAvailable(std::string* why);

// Called once the window exists. Lets the window system report a held key
// as repeated presses alone (no
// fake releases between them, which would make the key look released
// between two idle steps), and names the window's class so that desktops
// group it and match it to its desktop entry.
void ConfigureViewerWindow(const char* instanceName, const char* className);
