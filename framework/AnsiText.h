#pragma once
// Two small ANSI helpers that setup, its uninstaller and the publisher's tool
// all need, kept in one place so that each compares names and paths alike.
#include <windows.h>

#include <optional>
#include <string>

#include "framework/CodePage.h"
#include "framework/PathText.h"

namespace ansi_text_detail {
inline std::string ChangedCase(const std::string& text, bool upper) {
    bool plain = true;
    for (char c : text) plain = plain && static_cast<unsigned char>(c) < 0x80;
    if (plain) {
        std::string changed = text;
        for (char& c : changed) {
            if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return changed;
    }
    std::wstring wide = WideText(text);
    if (!wide.empty()) (upper ? CharUpperBuffW : CharLowerBuffW)(wide.data(), static_cast<DWORD>(wide.size()));
    return NarrowText(wide);
}
}  // namespace ansi_text_detail

// The text upper-cased (or lower-cased) with the system's casing, as names and
// keys are compared case-insensitively throughout. It works on whole
// characters: in UTF-8 a character's other case may take another number of
// bytes, which CharUpperBuffA, changing the text in place, cannot give.
inline std::string UpperAnsi(const std::string& text) { return ansi_text_detail::ChangedCase(text, true); }
inline std::string LowerAnsi(const std::string& text) { return ansi_text_detail::ChangedCase(text, false); }

// The key by which two paths name the same folder or file, as the file
// system compares names: upper-cased by whole characters (as IsBelowFolder
// compares), without trailing backslashes (a drive's root keeps its own).
inline std::string PathKey(const std::string& path) { return UpperAnsi(StripTrailingBackslashes(path, 3)); }

// Whether `path` is the folder itself or lies below it; false for an empty folder.
inline bool IsAtOrBelowFolder(const std::string& path, const std::string& folder) {
    return !folder.empty() && (PathKey(path) == PathKey(folder) || IsBelowFolder(path, folder));
}

// The path made full against the current directory, within the system's
// bound of MAX_PATH characters; nullopt when the system cannot make it or it
// would not fit.
inline std::optional<std::string> FullPath(const std::string& path) {
    char full[AnsiPathBufferSize];
    DWORD length = GetFullPathNameA(path.c_str(), AnsiPathBufferSize, full, nullptr);
    if (length == 0 || length >= AnsiPathBufferSize || PathLength({full, length}) >= MAX_PATH) return std::nullopt;
    return std::string(full, length);
}
