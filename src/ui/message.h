// Message boxes, and pumping one message at a time from work that runs inside a callback.
#pragma once
#include <windows.h>

extern const char* const DefaultMessageCaption;  // "Quorbel"

// MessageBoxA with no owner after a 5 ms pause; an empty caption shows the default one.
int ShowMessage(const char* text, UINT flags, const char* caption);
// Handles at most one waiting message, or sleeps when none waits; returns OpenDialogCount.
LONG PumpOneMessage(DWORD milliseconds);
void SleepMilliseconds(DWORD milliseconds);

// Every pause the procedures ask for (the pump's idle wait and SleepMilliseconds) goes
// through this: Sleep, unless a test puts a recorder in its place.
typedef void (*PauseFunction)(DWORD milliseconds);
extern PauseFunction Pause;
