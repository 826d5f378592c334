#pragma once
// The state the progress dialog (user-interface thread) shares with the copy
// engine (worker thread). The dialog sets the window, the width and clears the
// flags before it starts the worker; afterwards the flags only go from false
// to true, and the cancel travels by CancelEvent as well.
#include <windows.h>

#include <atomic>

#include "engine/ProgressReport.h"
#include "framework/Event.h"

// The copy was abandoned after a confirmed cancel.
extern std::atomic<bool> CopyAbandoned;
// A compressed file could not be expanded; reported once after the copy.
extern std::atomic<bool> ExpandFailed;
// A plain file could not be copied (or a folder of the destination could not
// be made); reported once after the copy.
extern std::atomic<bool> CopyFailed;
// The user answered Yes To All; never cleared during the run.
extern std::atomic<bool> ReplaceAll;

// The progress dialog, which shows the file the engine is at, and the pixel
// width of its destination field. The engine hands each file over in
// CurrentFile and goes on; the dialog shows the latest at its own pace, and at
// once when sent WM_SHOW_PROGRESS (before a question about the file). Without
// a window the engine hands nothing over.
extern HWND ProgressWindow;
extern int DestFieldWidth;
extern ProgressReport CurrentFile;
constexpr UINT WM_SHOW_PROGRESS = WM_USER + 6;

// Signalled by the progress dialog's initialisation; the worker waits on it.
extern CEvent StartEvent;
// Signalled on a confirmed cancel; the engine polls it after every entry.
extern CEvent CancelEvent;
