#include "run/record.h"

#include "base/record_text.h"
#include "fs/file_services.h"
#include "fs/protection.h"

int OpenRecord(ErrorState& error, const DynString& recordPath) {
    int fileNumber = FreeFileNumber();
    PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedRecord);
    OpenRaw(error, recordPath, fileNumber, protection);
    LocalFree(protection);
    return fileNumber;
}

// The file is still at its first byte after OpenRecord: the record lands at offset 0, and
// whatever an older, longer record left after it stays, unread.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder) {
    WriteBytes(error, fileNumber, RecordText(installFolder));
}

bool ReadRecord(ErrorState& error, const DynString& recordPath, DynString& installFolder, bool* trusted) {
    int fileNumber = FreeFileNumber();
    OpenRaw(error, recordPath, fileNumber);
    DynString bytes = ReadBytes(error, fileNumber, kRecordReadLimit);
    if (trusted) *trusted = IsTrustedObject(SystemHandle(fileNumber));
    CloseFile(error, fileNumber);
    return ParseRecord(bytes.data(), bytes.size(), installFolder);
}
