// formatted_text.h -- printf-style text of any length, for the report and
// fault lines that name a path: nothing is cut at a fixed size.
#pragma once

#include <cstdarg>
#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args);
// The same, appended to out; AppendLine ends the text with a newline.
void AppendText(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendLine(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
