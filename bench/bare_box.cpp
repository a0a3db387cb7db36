// The floor under Wine: a program that shows one message box and exits when it is answered.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr, "Bare baseline", "Bare baseline", MB_OK);
    return 0;
}
