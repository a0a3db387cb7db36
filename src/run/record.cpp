#include "run/record.h"

#include <stdlib.h>

#include "base/path_text.h"
#include "base/record_text.h"
#include "fs/code_page.h"
#include "fs/file_services.h"
#include "fs/held_folder.h"
#include "fs/protection.h"
#include "fs/system_call.h"

namespace {

// True when the handle shows a file of its own at the path: no folder, no reparse point, one
// name only, and the very entry the path names (not a link's target) directly in the held folder.
bool IsPlainRecordFile(HANDLE file, const DynString& path, const HeldFolder& folder) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
           info.nNumberOfLinks == 1 && LiesInHeldFolder(file, folder) && IsFileAtPath(file, path.c_str());
}

// Holds the folder of the record's full path, reached through no link, and gives the path to open
// in it, when its name is one a file has in full, as typed (no stream after a colon, no dot or
// blank that Windows trims) and the whole path reaches the system uncut. kRecordNotOpened,
// with nothing held, when the folder is not there.
RecordOpening HoldRecordFolder(ErrorState& error, const DynString& recordPath, HeldFolder& folder, DynString& path) {
    folder.count = 0;
    folder.exists = false;
    const LeadBytes& lead = AnsiLeadBytes();
    DynString full;
    if (!FullPathOf(recordPath, full)) return kRecordRefused;
    const size_t folderLength = FolderPartLength(full.data(), full.size(), lead);
    const DynString name = full.Sub(folderLength, full.size() - folderLength);
    const size_t typed = recordPath.size();
    if (!EndsWithChar(full.data(), folderLength, '\\', lead) || name.empty() || typed < name.size() ||
        !(recordPath.Sub(typed - name.size(), name.size()) == name))
        return kRecordRefused;
    switch (HoldFolderAtFullPath(full.Sub(0, folderLength), folder)) {
    case kHeld:
        break;
    case kNotThere:
    case kRootNotThere:
        ReleaseFolder(folder);
        RecordError(error, 76);
        return kRecordNotOpened;
    default:
        return kRecordRefused;
    }
    if (!PathInHeldFolder(folder, name.c_str(), path) || path.size() > kFolderPathLimit) {
        ReleaseFolder(folder);
        return kRecordRefused;
    }
    return kRecordOpened;
}

}  // namespace

RecordOpening OpenRecord(ErrorState& error, const DynString& recordPath, int* fileNumber) {
    *fileNumber = FreeFileNumber();
    // Held from before the open until the record is known to be the file it names there.
    HeldFolder folder;
    DynString path;
    const RecordOpening judged = HoldRecordFolder(error, recordPath, folder, path);
    if (judged != kRecordOpened) return judged;
    PSECURITY_DESCRIPTOR protection = ProtectionForCreation(kProtectedRecord);
    // A link is opened as itself, so that it shows as what it is.
    ErrorState opened = {};
    OpenRaw(opened, path, *fileNumber, protection, FILE_FLAG_OPEN_REPARSE_POINT);
    if (opened.number != 0) RecordError(error, opened.number);
    HANDLE file = SystemHandle(*fileNumber);
    RecordOpening opening = kRecordOpened;
    if (file == INVALID_HANDLE_VALUE) {
        // 75: a name is there that can't be opened as a file, and where nothing is a new one is
        // made: a link whose target is missing (some systems show no more of it), or a name no
        // file can have. A folder there is no record either, however long one waits.
        DWORD attributes = INVALID_FILE_ATTRIBUTES;
        SystemCall([&] { attributes = GetFileAttributesA(path.c_str()); });
        const bool folderThere = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        opening = opened.number == 75 || folderThere ? kRecordRefused : kRecordNotOpened;
    } else if (!IsPlainRecordFile(file, path, folder)) {
        ErrorState ignored = {};
        CloseFile(ignored, *fileNumber);
        opening = kRecordRefused;
    } else if (protection && !OpenedNew(*fileNumber)) {
        // A record that was already there is protected too, now that it is known to be the record.
        ApplyProtection(file, protection);
    }
    LocalFree(protection);
    ReleaseFolder(folder);
    return opening;
}

// The file is still at its first byte after OpenRecord: the record lands at offset 0, and
// whatever an older, longer record left after it stays, unread.
void WriteRecord(ErrorState& error, int fileNumber, const DynString& installFolder, RecordBefore& before) {
    const DynString text = RecordText(installFolder);
    HANDLE file = SystemHandle(fileNumber);
    before.known = false;
    if (file != INVALID_HANDLE_VALUE) {
        // Read where the record goes, then back to the first byte for the write.
        char* bytes = static_cast<char*>(malloc(text.size() ? text.size() : 1));
        DWORD got = 0;
        LARGE_INTEGER start = {};
        before.known = bytes && GetFileSizeEx(file, &before.size) &&
                       ReadFile(file, bytes, static_cast<DWORD>(text.size()), &got, nullptr) &&
                       SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
        if (before.known) before.bytes = DynString(bytes, got);
        free(bytes);
    }
    WriteBytes(error, fileNumber, text);
}

void PutRecordBack(int fileNumber, const RecordBefore& before) {
    HANDLE file = SystemHandle(fileNumber);
    if (file == INVALID_HANDLE_VALUE || !before.known) return;
    LARGE_INTEGER start = {};
    DWORD put = 0;
    SystemCall([&] {
        if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
            WriteFile(file, before.bytes.data(), static_cast<DWORD>(before.bytes.size()), &put, nullptr);
    });
    SystemCall([&] {
        if (SetFilePointerEx(file, before.size, nullptr, FILE_BEGIN)) SetEndOfFile(file);
    });
}

namespace {

// Opens the record file, never a link in its place, with `access`, sharing `share` with
// others. INVALID_HANDLE_VALUE with the error code otherwise.
HANDLE OpenRecordFile(const DynString& recordPath, DWORD access, DWORD share, DWORD* code) {
    HANDLE file = INVALID_HANDLE_VALUE;
    *code = SystemCall([&] {
        file = CreateFileA(recordPath.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                           nullptr);
    });
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        *code = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// The record's first bytes, in one read.
bool ReadStart(ErrorState& error, HANDLE file, DynString& bytes) {
    char buffer[kRecordReadLimit];
    DWORD got = 0;
    BOOL read = FALSE;
    DWORD code = SystemCall([&] { read = ReadFile(file, buffer, sizeof buffer, &got, nullptr); });
    if (!read) {
        RecordSystemError(error, code);
        return false;
    }
    bytes = DynString(buffer, got);
    return true;
}

// Reads the record through a handle opened with `access` and `share`, and keeps that handle
// in the copy when `hold`.
RecordCopy ReadRecord(ErrorState& error, const DynString& recordPath, DWORD access, DWORD share, bool hold) {
    RecordCopy copy = {kRecordUnreadable, DynString(), false, nullptr};
    DWORD code = 0;
    HANDLE file = OpenRecordFile(recordPath, access, share, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code == ERROR_FILE_NOT_FOUND) {
            copy.state = kRecordAbsent;
        } else {
            RecordSystemError(error, code);
        }
        return copy;
    }
    if (ReadStart(error, file, copy.bytes)) {
        copy.state = kRecordRead;
        copy.trusted = IsTrustedObject(file);
    }
    if (hold && copy.state == kRecordRead) copy.held = file;
    else CloseHandle(file);
    return copy;
}

}  // namespace

RecordCopy ReadRecordCopy(ErrorState& error, const DynString& recordPath) {
    // Beside a removal that holds it for deletion, never beside a writer.
    return ReadRecord(error, recordPath, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_DELETE, false);
}

RecordCopy HoldRecordCopy(ErrorState& error, const DynString& recordPath) {
    // With the right to delete it at the end; a record that refuses it (read-only, say) is held
    // all the same, and stays.
    ErrorState refused = {};
    RecordCopy copy = ReadRecord(refused, recordPath, GENERIC_READ | READ_CONTROL | DELETE, FILE_SHARE_READ, true);
    if (copy.state == kRecordUnreadable)
        copy = ReadRecord(error, recordPath, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, true);
    return copy;
}

void ReleaseRecord(RecordCopy& copy) {
    if (copy.held) CloseFileHandle(copy.held);
    copy.held = nullptr;
}

bool DeleteRecordIfUnchanged(ErrorState& error, const DynString& recordPath, const RecordCopy& copy) {
    if (copy.state != kRecordRead) return false;
    // Held since it was read, it can't have changed.
    if (copy.held) return MarkForDeletion(error, copy.held);
    DWORD code = 0;
    HANDLE file = OpenRecordFile(recordPath, GENERIC_READ | DELETE, FILE_SHARE_READ, &code);
    if (file == INVALID_HANDLE_VALUE) {
        if (code != ERROR_FILE_NOT_FOUND) RecordSystemError(error, code);
        return false;
    }
    DynString bytes;
    bool deleted = false;
    if (ReadStart(error, file, bytes) && bytes == copy.bytes) deleted = MarkForDeletion(error, file);
    CloseFileHandle(file);
    return deleted;
}
