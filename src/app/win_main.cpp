#include "app/win_main.h"

#include "app/globals.h"
#include "app/welcome_dialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CreateStringTables();
    ShowWelcomeDialog(nullptr);
    return 0;
}
