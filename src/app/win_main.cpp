#include "app/win_main.h"

#include "app/welcome_dialog.h"
#include "run/globals.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CreateStringTables();
    ShowWelcomeDialog(nullptr);
    return 0;
}
