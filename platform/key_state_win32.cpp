// key_state_win32.cpp -- the key query on Windows: GetAsyncKeyState, whose
// top bit says "down now" and lowest bit "pressed since the last call".
#include "platform/key_state.h"

#include <windows.h>

bool QueryAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return false;
    // Either bit counts as a press, as the movement keys want.
    return GetAsyncKeyState(virtualKey) != 0;
}
