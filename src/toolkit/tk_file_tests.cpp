#include "toolkit/tk_file_tests.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"

namespace {

std::string ansi_name(const std::wstring& name)
{
    return platform::encode_file_name(name);
}

bool file_test(const std::string& name, std::uint32_t mode)
{
    const platform::file_kind kind = platform::get_file_kind(name);
    switch (mode) {
    case tk_file_exists: return kind == platform::file_kind::file;
    case tk_file_writable: return kind == platform::file_kind::file && !platform::is_read_only(name);
    default:
        if (!platform::create_or_truncate(name))
            throw tk_exception_ex();
        return true;
    }
}

}  // namespace

bool tk_is_file_exist1(const std::string& name, std::uint32_t mode)
{
    tk_log(1, "tk_is_file_exist1(%s,%d)", name.c_str(), static_cast<int>(mode));
    return file_test(name, mode);
}

bool tk_is_file_exist2(const std::wstring& name, std::uint32_t mode)
{
    tk_log(2, L"tk_is_file_exist2(%ls,%08X)", name.c_str(), mode);
    return file_test(ansi_name(name), mode);
}

bool tk_is_path_exist(const std::string& name)
{
    tk_log(2, "tk_is_path_exist(%s)", name.c_str());
    // Testing by changing into the folder would move every other thread's
    // relative paths (the log file's among them) for a moment.
    const std::string folder = name.empty() ? tk_get_module_folder() : name;
    return platform::get_file_kind(folder) == platform::file_kind::folder &&
           platform::check_access(folder, GENERIC_EXECUTE);
}

bool tk_is_path_exist(const std::wstring& name)
{
    return tk_is_path_exist(ansi_name(name));
}

bool tk_check_access(const std::string& name, std::uint32_t desired_access)
{
    return platform::check_access(name, desired_access);
}

bool tk_check_access(const std::wstring& name, std::uint32_t desired_access)
{
    return platform::check_access(ansi_name(name), desired_access);
}
