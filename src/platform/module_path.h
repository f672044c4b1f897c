// The running program's own path (GetModuleFileName of the main module).
#pragma once

#include <string>

// The full path of the executable; false (with the last error) when it
// cannot be read. Never cut.
bool GetModuleFileNameA(std::string& path);
bool GetModuleFileNameW(std::wstring& path);
