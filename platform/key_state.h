// key_state.h -- stands in for the desktop's asynchronous key state: a table
// of 256 virtual-key codes fed by GLUT key events, which tells the viewer
// which keys are held (to drop key repeats and to know when to stop flying).
// The query the movement keys use answers "pressed" when the key is held now
// or was pressed since the previous query of that key: on Windows it asks
// GetAsyncKeyState, elsewhere the table (a press latched there, so a tap
// shorter than one idle step still moves).
#pragma once

#include <cstdint>

// Letters map to their upper-case code ('w' and 'W' are both 0x57), so Shift
// and Caps Lock make no difference; other characters keep their own code.
int VirtualKeyFromChar(unsigned char key);

void KeyStateDown(int virtualKey);
void KeyStateUp(int virtualKey);

// True while the key is down; leaves the latch alone.
bool KeyStateHeld(int virtualKey);

// The table's own answer to the query: true when the key is held now or was
// pressed since the last call for it, and clears that latch.
bool KeyStateTakePress(int virtualKey);

// True when the key is held now or was pressed since the last query of it
// (the platform's asynchronous key state where it has one, else
// KeyStateTakePress).
bool QueryAsyncKeyState(int virtualKey);
