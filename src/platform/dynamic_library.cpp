#include "platform/dynamic_library.h"

#include "platform/last_error.h"

#include <dlfcn.h>

namespace platform {

dynamic_library::~dynamic_library()
{
    unload();
}

bool dynamic_library::load(const std::string& name)
{
    unload();
    m_handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return m_handle != nullptr;
}

void* dynamic_library::find_symbol(const char* name) const
{
    void* symbol = m_handle ? dlsym(m_handle, name) : nullptr;
    if (!symbol)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return symbol;
}

void dynamic_library::unload()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

}  // namespace platform
