#include "engine/CopyState.h"

std::atomic<bool> CopyAbandoned{false};
std::atomic<bool> ExpandFailed{false};
std::atomic<bool> CopyFailed{false};
std::atomic<bool> ReplaceAll{false};

HWND ProgressWindow = nullptr;
int DestFieldWidth = 0;
ProgressReport CurrentFile;

CEvent StartEvent;
CEvent CancelEvent;
