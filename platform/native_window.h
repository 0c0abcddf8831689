// native_window.h -- what the viewer asks of the desktop's window system
// beyond GLUT, for the window whose GL context is current.
#pragma once

// Lets the window system report a held key as repeated presses alone (no
// fake releases between them, which would make the key look released
// between two idle steps), and names the window's class so that desktops
// group it and match it to its desktop entry.
void ConfigureViewerWindow(const char* instanceName, const char* className);
