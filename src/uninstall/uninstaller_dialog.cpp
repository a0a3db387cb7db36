#include "uninstall/uninstaller_dialog.h"

// Placeholder until the uninstaller dialog lands.
int32_t ShowUninstallerDialog(HWND) { return 0; }
