// edit_mode.h -- sculpting and painting the shown landscape in the window:
// the edit mode's keys and brush, the strokes of a left drag, undo and redo,
// saving, the question before unsaved edits are dropped, the brush's ring,
// and the texts that say all this. The brush itself is landscape/brush.h;
// the edited bytes and their history live beside the shown landscape
// (shown_landscape.h).
#pragma once

#include <string>
#include <vector>

extern bool EditModeOn;  // b: a left drag paints, a right drag turns

// b: the edit mode on or off (a stroke under way ends first).
void ToggleEditMode();

// The keys of the edit mode (1-5 tools, , . country, [ ] radius, - =
// strength), while it is on; true when `key` was one of them.
bool EditModeKey(unsigned char key);
// Ctrl+S, Ctrl+Shift+S, Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z as GLUT gives them
// (control characters) with its modifiers; true when `key` was one of them.
bool EditControlKey(unsigned char key, int modifiers);

// A left drag in the edit mode: pressed, moved, released at window pixel (x, y).
void BeginBrushStroke(int x, int y);
bool BrushStroking();
void ContinueBrushStroke(int x, int y);
void EndBrushStroke();

// Key codes for the question: a character, or kSpecialKeyCode + a GLUT special key.
inline constexpr int kSpecialKeyCode = 256;
// Every key press goes here first. While the window asks whether to drop the
// unsaved edits, a key other than the one that asked cancels the question
// and is used up (true); modifier keys alone change nothing.
bool KeyCancelsQuestion(int code);
// Before a key drops the shown landscape (quit, open, reload, step): true
// when there are no unsaved edits or the same key asked just before;
// otherwise the window asks (naming `what` the key does) and it is false.
bool MayDropEdits(int code, const char* keyName, const char* what);

// The file changed on disk. True when it may be loaded again; with unsaved
// edits the viewer keeps them, says so once a change, and it is false.
bool MayReloadChangedFile();

// The window's title, with a leading "*" while there are unsaved edits; set
// when that changes (the display callback calls it).
void ShowEditTitle();

// The brush's ring on the terrain under the pointer, in the edit mode, with
// the modelview matrix as the frame left it.
void DrawBrushRing();

// The edit mode's lines for the status panel (the tool, radius, strength,
// country, and why a stroke left places as they were) and for the help.
std::vector<std::string> EditStatusLines();
std::vector<std::string> EditHelpLines();
