#include "platform/module_path.h"

#include "platform/code_page.h"
#include "platform/last_error.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

bool GetModuleFileNameA(std::string& path)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            platform::set_last_error_from_errno(errno);
            return false;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            path.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool GetModuleFileNameW(std::wstring& path)
{
    std::string narrow;
    return GetModuleFileNameA(narrow) && MultiByteToWideChar(CP_UTF8, narrow, path);
}
