#include "framework/SafeFormat.h"

#include <cstdarg>
#include <cstdio>

std::string FormatText(const std::string& text, const std::string& argument) {
    std::string out;
    out.reserve(text.size() + argument.size());
    bool argumentUsed = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (next == 's' && !argumentUsed) {
                out += argument;
                argumentUsed = true;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string StringPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return out;
}
