// The product's dynamic string and the tests' std::string, byte for byte (NULs included).
#pragma once
#include <string>

#include "base/dyn_string.h"

inline DynString Dyn(const std::string& s) { return DynString(s.data(), s.size()); }
inline std::string Std(const DynString& s) { return std::string(s.data(), s.size()); }
