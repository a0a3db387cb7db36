#include "fs/code_page.h"

#include <windows.h>

const LeadBytes& AnsiLeadBytes() {
    // Zero until first asked: the program runs no static constructors.
    static LeadBytes table;
    static bool asked;
    if (!asked) {
        CPINFO info;
        if (GetCPInfo(CP_ACP, &info)) table = LeadBytesOfRanges(info.LeadByte, MAX_LEADBYTES);
        asked = true;
    }
    return table;
}
