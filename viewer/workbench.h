// workbench.h -- what the window does with landscape files beyond showing
// one: opening another (o), reloading (F5, and by itself when the file
// changes on disk), stepping through the folder (Page Down / Page Up),
// saving a picture of the view (F12), and saying so in the window.
#pragma once

#include <string>
#include <vector>

#include "landscape/landscape_load.h"

// A message in the window for a few seconds, with a redraw when it ends.
void Say(const std::vector<std::string>& lines);

// After a load: its fault stays in the window, its warnings for a while.
void ShowLoadLines(const LoadTranscript& said);

// The landscape given at the start, shown and watched as every later load is
// (stamped before it is read), with its lines in the window.
void ShowFirstLandscape(const std::string& path);
// Starts the regular looks at the watched file (nothing is watched until a
// landscape is shown).
void StartFileWatch();

// Loads `path` in place of the shown landscape once the window has drawn a
// frame saying so; the camera stays where it is when `keepCamera`, else
// goes to the start view.
void RequestLoad(const std::string& path, bool keepCamera);
// Runs a requested load (the display callback calls it after a frame).
void RunRequestedLoad();

// The viewer wrote `path` itself (a save): the watch takes the file as it
// is now, and a save under another name watches that file from now on.
void WatchOwnWrite(const std::string& path);

void OpenAnotherLandscape();           // o: the file chooser
void ReloadLandscape();                // F5
void StepThroughFolder(int step);      // Page Down: +1, Page Up: -1

// F12: the next frame's picture, without panels, is saved as a PNG in the
// user's pictures folder.
void RequestPicture();
// Saves the picture if one was requested: the display callback calls it
// between the scene and the panels.
void SaveRequestedPicture(int width_px, int height_px);

// The no-chooser start: what to do, in the window.
void SayNoChooser();
