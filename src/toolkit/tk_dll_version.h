// The version of a shared library, as the library itself reports it.
#pragma once

#include <cstdint>
#include <string>

// Major version * 65536 + minor version of a library that exports
// DllGetVersion; 0 when it does not load, has no such export or the call fails.
std::int32_t get_dll_version(const std::wstring& library_name);
