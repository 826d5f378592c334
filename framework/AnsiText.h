#pragma once
// Two small ANSI helpers that setup, its uninstaller and the publisher's tool
// all need, kept in one place so that each compares names and paths alike.
#include <windows.h>

#include <optional>
#include <string>

// The text upper-cased with the system's ANSI upper-casing (CharUpperBuffA),
// as names and keys are compared case-insensitively throughout.
inline std::string UpperAnsi(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The path made full against the current directory, within the system's
// bound of MAX_PATH characters; nullopt when the system cannot make it or it
// would not fit.
inline std::optional<std::string> FullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::string(full, length);
}
