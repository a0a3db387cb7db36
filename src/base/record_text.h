// The installation record as bytes: the install folder, then one carriage return (13).
// Free of Windows headers.
#pragma once
#include <stddef.h>

#include "base/dyn_string.h"

const char kRecordEnd = 13;
const size_t kRecordReadLimit = 255;  // the reader looks at no more of the file than this

// The bytes the writer puts at the start of the record file.
DynString RecordText(const DynString& installFolder);
// The install folder: the bytes before the first carriage return. Without a carriage return
// the bytes are no record (a folder cut short would name a folder nobody installed), and a
// folder holding a NUL byte is none the installer writes: both give false and "".
bool ParseRecord(const char* bytes, size_t n, DynString& installFolder);
