#pragma once
#include <windows.h>

using AFX_THREADPROC = UINT (*)(LPVOID);

// Starts a worker thread at normal priority with the default stack. Nobody
// joins it: its handle is closed at once and the thread ends with its procedure.
bool AfxBeginThread(AFX_THREADPROC proc, LPVOID param);
