// key_state_posix.cpp -- the key query where the window system has no
// asynchronous key state: the table that GLUT's key events keep.
#include "platform/key_state.h"

bool QueryAsyncKeyState(int virtualKey) { return KeyStateTakePress(virtualKey); }
