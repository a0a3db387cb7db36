#include "install/install_tail.h"

void SplitInstallTail(const DynString& tail, DynString& recordPath, DynString& installFolder,
                      const LeadBytes& lead) {
    const char* text = tail.data();
    const size_t n = tail.size();
    TailParts parts = FindTailParts(text, n, [&](size_t i) { return i + CharLength(text, i, n, lead); });
    recordPath = tail.Sub(parts.recordFrom, parts.recordTo - parts.recordFrom);
    installFolder = tail.Sub(parts.folderFrom, parts.folderTo - parts.folderFrom);
    if (installFolder.empty()) installFolder = kDefaultInstallFolder;
    if (recordPath.empty()) recordPath = kDefaultRecordPath;
}
