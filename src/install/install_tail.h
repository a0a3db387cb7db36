// What the install procedure reads from the command-line tail: a record path and an
// install folder. Free of Windows headers.
#pragma once
#include "base/dyn_string.h"
#include "base/path_text.h"
#include "base/product.h"

// A tail that begins with a double quote loses its first and last character. The text
// before the first blank is the record path, the text after it the install folder; with
// no blank the whole text is the install folder. One trailing backslash is removed from
// the folder. An empty folder or record path becomes its default. Characters, not bytes: the
// second byte of a double-byte character is never the backslash that goes.
void SplitInstallTail(const DynString& tail, DynString& recordPath, DynString& installFolder,
                      const LeadBytes& lead);
