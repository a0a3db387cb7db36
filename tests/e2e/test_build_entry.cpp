// The program as the end-to-end tests build it where they need its seams: the product's own
// code and entry, with the pauses it asks for not waited (its pacing and the hand-over's
// retries take no time), and a hand-over's copy that, just before it takes over, gives its
// removal a second to go on and then opens the recorded folder for delete, as any other
// program could; that handle stays open until the copy's process ends.
#include <windows.h>

#include "base/product.h"
#include "base/record_text.h"
#include "fs/file_identity.h"
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

}  // namespace

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WINAPI TestBuildEntry() {
    Pause = NoPause;
    BeforeTakingOver = OpenTheFolderForDelete;
    ProcessEntry();
    ExitProcess(0);
}
