#include "install/install_status_dialog.h"

// Placeholder until the installation status dialog lands.
int32_t ShowInstallStatusDialog(HWND) { return 0; }
