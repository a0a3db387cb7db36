// Start-up and exit: the one place that touches every subsystem's globals.
#pragma once

// Every program-wide value at its start: no installation ended, no folder failure counted,
// no focus saved, no dialog open or active.
void ZeroProgramGlobals();

// The per-thread state: the dialog layer's current template font. False when it cannot be
// allocated.
bool AllocThreadState();
void ReleaseThreadState();
