// window_title.h -- the title of the viewer's window, as it opens.
#pragma once

inline constexpr char kWindowTitle[] = "Thornveil LND Visualizer by Quillmoor";
