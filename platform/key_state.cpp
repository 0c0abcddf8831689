// key_state.cpp -- the 256-entry key table fed by GLUT key events.
#include "platform/key_state.h"

namespace {
bool g_Held[256];           // key is down now
bool g_PressedLatch[256];   // went down since the last take of that key
}  // namespace

int VirtualKeyFromChar(unsigned char key) {
    if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
    return key;
}

void KeyStateDown(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return;
    g_Held[virtualKey] = true;
    g_PressedLatch[virtualKey] = true;
}

void KeyStateUp(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return;
    g_Held[virtualKey] = false;
}

bool KeyStateHeld(int virtualKey) { return virtualKey >= 0 && virtualKey <= 255 && g_Held[virtualKey]; }

bool KeyStateTakePress(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return false;
    const bool pressed = g_Held[virtualKey] || g_PressedLatch[virtualKey];
    g_PressedLatch[virtualKey] = false;
    return pressed;
}
