// The ANSI code page as the path text rules need it.
#pragma once
#include "base/path_text.h"

// The lead bytes of the process's ANSI code page, asked of the system once.
const LeadBytes& AnsiLeadBytes();
