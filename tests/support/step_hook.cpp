// A hook that the tests' driver puts into the program's thread (SetWindowsHookEx with this DLL):
// when the program gives one of its windows the text that the driver left in the mapping
// "qb-stop-at-<process id>", it sets the event "qb-stopped-<process id>" and stops there for
// good, before that text is shown and before the step that follows it. The driver then ends
// the process: a run cut short at exactly that step, as by a power cut.
#include <windows.h>

#include <string.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK StopAtStep(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->lParam) {
        char name[64];
        wsprintfA(name, "qb-stop-at-%lu", GetCurrentProcessId());
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        const char* stopAt = mapping ? static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) : nullptr;
        bool stop = stopAt && strcmp(reinterpret_cast<const char*>(call->lParam), stopAt) == 0;
        if (stopAt) UnmapViewOfFile(stopAt);
        if (mapping) CloseHandle(mapping);
        if (stop) {
            wsprintfA(name, "qb-stopped-%lu", GetCurrentProcessId());
            HANDLE stopped = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
            if (stopped) SetEvent(stopped);
            for (;;) Sleep(INFINITE);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
