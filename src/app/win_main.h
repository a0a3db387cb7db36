// The program's main procedure, which the process entry calls after start-up.
#pragma once
#include <windows.h>

// Creates the string tables and runs the welcome dialog to its end; returns the exit code.
int WINAPI WinMain(HINSTANCE module, HINSTANCE previous, LPSTR tail, int showCommand);
