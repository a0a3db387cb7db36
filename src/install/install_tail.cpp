#include "install/install_tail.h"

void SplitInstallTail(const DynString& tail, DynString& recordPath, DynString& installFolder,
                      const LeadBytes& lead) {
    DynString text = tail;
    // The last character goes too, whether or not it is the closing quote.
    if (!tail.empty() && tail[0] == '"') {
        size_t last = LastCharStart(tail.data(), tail.size(), lead);
        text = last > 0 ? tail.Sub(1, last - 1) : DynString();
    }

    size_t blank = 0;
    while (blank < text.size() && text[blank] != ' ') blank += CharLength(text.data(), blank, text.size(), lead);
    if (blank < text.size()) {
        recordPath = text.Sub(0, blank);
        installFolder = text.Sub(blank + 1);
    } else {
        recordPath = DynString();
        installFolder = text;
    }

    if (EndsWithChar(installFolder.data(), installFolder.size(), '\\', lead))
        installFolder.Truncate(installFolder.size() - 1);
    if (installFolder.empty()) installFolder = kDefaultInstallFolder;
    if (recordPath.empty()) recordPath = kDefaultRecordPath;
}
