// A shared library loaded at run time (LoadLibrary, GetProcAddress,
// FreeLibrary). Windows system libraries such as "MAPI32.DLL" are not found,
// as on a machine where they are not installed.
#pragma once

#include <string>

namespace platform {

class dynamic_library {
public:
    dynamic_library() = default;
    ~dynamic_library();
    dynamic_library(const dynamic_library&) = delete;
    dynamic_library& operator=(const dynamic_library&) = delete;

    // False with the last error ERROR_MOD_NOT_FOUND when it cannot be loaded.
    bool load(const std::string& name);
    // Null with the last error ERROR_PROC_NOT_FOUND when there is no such export.
    void* find_symbol(const char* name) const;
    void unload();

private:
    void* m_handle = nullptr;
};

}  // namespace platform
