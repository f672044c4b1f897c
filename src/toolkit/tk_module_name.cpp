#include "toolkit/tk_module_name.h"

#include "platform/module_path.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"

std::string tk_get_module_name()
{
    std::string path;
    if (!GetModuleFileNameA(path))
        throw tk_mail_assertion("tk_utils", 119);
    return path;
}

std::wstring tk_get_module_wname()
{
    std::wstring path;
    if (!GetModuleFileNameW(path))
        throw tk_mail_assertion("tk_utils", 132);
    return path;
}

std::string tk_get_module_folder()
{
    return tk_file_name(tk_get_module_name()).get_path();
}
