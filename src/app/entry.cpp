// The process entry: start-up, WinMain, exit. The program carries no C runtime start-up
// code; this is the first code that runs.
#include <windows.h>
#include <objbase.h>

#include "app/command_tail.h"
#include "app/startup.h"
#include "app/win_main.h"
#include "fs/file_services.h"
#include "run/globals.h"
#include "ui/dialog_layer.h"
#include "uninstall/handover.h"

// Hardening that nobody sees: DLLs load from the system folder only (never one planted
// beside the installer in a downloads folder), and the dialogs are drawn at the screen's
// real pixels per inch. Looked up by name so that systems without them still start.
static void HardenProcess() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HMODULE user = GetModuleHandleA("user32.dll");
    auto setDllDirectories = reinterpret_cast<decltype(&SetDefaultDllDirectories)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDllDirectories) setDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    auto setDpiAware = reinterpret_cast<decltype(&SetProcessDPIAware)>(
        reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware")));
    if (setDpiAware) setDpiAware();
}

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WINAPI ProcessEntry() {
    HardenProcess();
    CoInitialize(nullptr);
    if (BeginHandOver()) {
        // The last step of a removal: no window, no dialog.
        UINT code = RunHandOver();
        CoUninitialize();
        ExitProcess(code);
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;

    const char* tail = CommandTailStart(GetCommandLineA());
    HINSTANCE module = GetModuleHandleA(nullptr);

    UINT exitCode = 255;
    if (AllocThreadState()) {
        ZeroProgramGlobals();
        SetCommandLineTail(CommandTailStart(GetCommandLineW()));
        SetDialogLayerInstance(module);
        exitCode = static_cast<UINT>(WinMain(module, nullptr, const_cast<LPSTR>(tail), showCommand));
        CloseAllFiles();
        ReleaseStringTables();
        ReleaseThreadState();
    }
    CoUninitialize();
    ExitProcess(exitCode);
}
