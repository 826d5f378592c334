#pragma once
// A plain-text log written a line at a time, so that what a run wrote stays
// readable even when the run ends early. Lines noted before the file is
// opened are kept and written first once it is. The text is written in
// UTF-8 (the program's strings as they are where it runs in UTF-8), each line
// ended with CR LF. Nothing is written when no file is ever opened.
#include <string>
#include <vector>

#include "framework/UniqueHandle.h"

// The name of a program's log about a product when none was asked for:
// "<program>-<product>.log", each character a file name cannot hold (and
// each control character) made an underscore; "<program>.log" without a
// product name.
std::string LogFileName(const std::string& program, const std::string& productName);

// That name in the temporary folder, where a run without elevation keeps it
// (an elevated run keeps its own where only administrators write). Empty
// when the system names no temporary folder.
std::string DefaultLogPath(const std::string& program, const std::string& productName);

class LogFile {
public:
    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Creates the file anew at the full path, reached through the door (no
    // link on the way or at its name is followed), and writes the lines
    // noted so far; false when the file cannot be made, and the lines stay
    // noted.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_file.Valid(); }
    // No file will be opened: what was noted, and what will be, is dropped
    // rather than kept in memory for nothing.
    void Discard() {
        m_discard = true;
        m_waiting.clear();
    }
    // A line break inside `text` is kept as it is; the line gets its own at the end.
    void Line(const std::string& text);

private:
    void Write(const std::string& text);

    UniqueFile m_file;
    std::vector<std::string> m_waiting;
    bool m_discard = false;
};
