// The product's facts, each defined once: its files, where the installer finds them, where it
// puts them by default and where it records the installation. Free of Windows headers.
#pragma once
#include <stddef.h>

// The product's files, in table order: the install and the removal go through them in this
// order, and FileNames[i] holds the i-th.
constexpr const char* kProductFileNames[] = {"qb.exe", "QBmanual100.PDF", "QBmanual100.doc",
                                             "QBmanual100.txt", "QBinstaller100.exe"};
constexpr int kProductFileCount = sizeof kProductFileNames / sizeof kProductFileNames[0];

// After the copies, the staged copies of the first four files are deleted; the staged
// installer itself stays.
constexpr int kDeletedStagedCopies = 4;

// Where the product is staged, on the current drive.
constexpr const char* kStagingFolder = "\\zarvo\\temp\\";

// The installation record's path and the install folder when the command-line tail names none.
constexpr const char* kDefaultRecordPath = "c:\\quorbelregistry.dat";
constexpr const char* kDefaultInstallFolder = "c:\\zarvo\\quorbel";

// The length of the longest product file name.
constexpr size_t LongestProductFileName() {
    size_t longest = 0;
    for (const char* name : kProductFileNames) {
        size_t n = 0;
        while (name[n]) ++n;
        if (n > longest) longest = n;
    }
    return longest;
}
