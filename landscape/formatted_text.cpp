// formatted_text.cpp -- vsnprintf measured first, then written whole.
#include "landscape/formatted_text.h"

#include <cstdio>

std::string FormatTextV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return {};
    std::string text(size_t(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(size_t(length));
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

void AppendText(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    out->append(FormatTextV(format, args));
    va_end(args);
}

void AppendLine(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    out->append(FormatTextV(format, args));
    va_end(args);
    *out += '\n';
}
