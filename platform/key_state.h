// key_state.h -- stands in for the desktop's asynchronous key state: a table
// of 256 virtual-key codes fed by GLUT key events. A query answers "pressed"
// when the key is held now or was pressed since the previous query of that
// key, and clears that latch, so a tap shorter than one idle step still moves.
#pragma once

#include <cstdint>

// Letters map to their upper-case code ('w' and 'W' are both 0x57), so Shift
// and Caps Lock make no difference; other characters keep their own code.
int VirtualKeyFromChar(unsigned char key);

void KeyStateDown(int virtualKey);
void KeyStateUp(int virtualKey);

// True while the key is down; leaves the latch alone.
bool KeyStateHeld(int virtualKey);

// True when the key is held now or was pressed since the last query of it.
bool QueryAsyncKeyState(int virtualKey);
