// The program as the end-to-end tests build it where they need its seams: the product's own
// code and entry, with the pauses it asks for not waited (its pacing and the hand-over's
// retries take no time), and a hand-over's copy that, just before it takes over, gives its
// removal a second to go on and then opens the recorded folder for delete, as any other
// program could; that handle stays open until the copy's process ends. Started with the variable
// QB_STOP_WHEN, it stops right after the file call that makes that condition true (see
// StartStoppingAt), as a power cut could stop it there: it sets the event
// "qb-stopped-<process id>" and waits for "qb-go-<process id>", which the test sets or not.
#include <windows.h>

#include <string.h>

#include "base/product.h"
#include "base/record_text.h"
#include "fs/file_identity.h"
#include "fs/system_call.h"
#include "run/record.h"
#include "ui/message.h"
#include "uninstall/handover.h"

extern "C" void WINAPI ProcessEntry();

namespace {

void NoPause(DWORD) {}

void OpenTheFolderForDelete() {
    Sleep(1000);
    ErrorState error = {};
    RecordCopy record = ReadRecordCopy(error, DynString(kDefaultRecordPath));
    DynString folder;
    if (record.state == kRecordRead && ParseRecord(record.bytes.data(), record.bytes.size(), folder))
        CreateFileA(folder.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The condition to stop at, read once at the start: "made:PATH", "gone:PATH" or "written:PATH".
char gStopWhen[MAX_PATH + 16];

bool StopIsDue() {
    const char* colon = strchr(gStopWhen, ':');
    if (!colon) return false;
    const char* path = colon + 1;
    WIN32_FIND_DATAA entry;
    HANDLE found = FindFirstFileA(path, &entry);
    const bool there = found != INVALID_HANDLE_VALUE;
    if (there) FindClose(found);
    if (strncmp(gStopWhen, "made:", 5) == 0) return there;
    if (strncmp(gStopWhen, "gone:", 5) == 0) return !there;
    return strncmp(gStopWhen, "written:", 8) == 0 && there && (entry.nFileSizeLow || entry.nFileSizeHigh);
}

void StopWhenDue() {
    if (!gStopWhen[0] || !StopIsDue()) return;
    gStopWhen[0] = 0;  // once
    char name[64];
    wsprintfA(name, "qb-go-%lu", GetCurrentProcessId());
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, name);
    wsprintfA(name, "qb-stopped-%lu", GetCurrentProcessId());
    HANDLE stopped = CreateEventA(nullptr, TRUE, FALSE, name);
    if (stopped) SetEvent(stopped);
    if (go) WaitForSingleObject(go, INFINITE);
}

}  // namespace

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WINAPI TestBuildEntry() {
    Pause = NoPause;
    BeforeTakingOver = OpenTheFolderForDelete;
    DWORD n = GetEnvironmentVariableA("QB_STOP_WHEN", gStopWhen, sizeof gStopWhen);
    if (n == 0 || n >= sizeof gStopWhen) gStopWhen[0] = 0;
    SetEnvironmentVariableA("QB_STOP_WHEN", nullptr);  // no process it starts stops
    if (gStopWhen[0]) AfterSystemCall = StopWhenDue;
    ProcessEntry();
    ExitProcess(0);
}
