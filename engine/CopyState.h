#pragma once
// The state the progress dialog (user-interface thread) shares with the copy
// engine (worker thread). The dialog sets the window, the width and clears the
// flags before it starts the worker; afterwards the flags only go from false
// to true, and the cancel travels by CancelEvent as well.
#include <windows.h>

#include <atomic>

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

// The progress dialog, whose fields the engine writes, and the pixel width of
// its destination field.
extern HWND ProgressWindow;
extern int DestFieldWidth;

// Signalled by the progress dialog's initialisation; the worker waits on it.
extern CEvent StartEvent;
// Signalled on a confirmed cancel; the engine polls it after every entry.
extern CEvent CancelEvent;
