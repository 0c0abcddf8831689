// console.h -- how the program's standard output reaches a terminal, a pipe
// or a file: line by line, so a reader sees every line as soon as it is
// printed, also the load progress and the camera line.
#pragma once

// Call once, before anything is printed.
void SendStandardOutputLineByLine();
