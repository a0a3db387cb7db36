#include "install/install_tail.h"

void SplitInstallTail(const DynString& tail, DynString& recordPath, DynString& installFolder) {
    DynString text = tail;
    // The last character goes too, whether or not it is the closing quote.
    if (!tail.empty() && tail[0] == '"') text = tail.size() >= 2 ? tail.Sub(1, tail.size() - 2) : DynString();

    size_t blank = 0;
    while (blank < text.size() && text[blank] != ' ') ++blank;
    if (blank < text.size()) {
        recordPath = text.Sub(0, blank);
        installFolder = text.Sub(blank + 1);
    } else {
        recordPath = DynString();
        installFolder = text;
    }

    if (installFolder.EndsWith('\\')) installFolder.Truncate(installFolder.size() - 1);
    if (installFolder.empty()) installFolder = kDefaultInstallFolder;
    if (recordPath.empty()) recordPath = kDefaultRecordPath;
}
