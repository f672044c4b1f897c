#include "toolkit/tk_file_name.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"

namespace {

std::basic_string<char> module_path(char)
{
    return tk_get_module_name();
}
std::basic_string<wchar_t> module_path(wchar_t)
{
    return tk_get_module_wname();
}

}  // namespace

template <class Char>
void tk_split_file_name<Char>::initialize(std::basic_string_view<Char> path, std::uint32_t too_long_line)
{
    if (path.size() >= platform::max_path)
        throw tk_mail_assertion("tk_fname", too_long_line);
    if (!path.empty()) {
        m_parts = platform::split_path(path);
        return;
    }
    m_parts = platform::split_path(std::basic_string_view<Char>(module_path(Char())));
    m_parts.name.clear();
}

template class tk_split_file_name<char>;
template class tk_split_file_name<wchar_t>;

tk_file_name::tk_file_name(const char* path)
{
    if (!path)
        throw tk_mail_assertion("tk_fname", 31);
    initialize(path, 39);
}

tk_file_name::tk_file_name(const std::string& path) : tk_file_name(path.c_str()) {}

tk_file_wname::tk_file_wname(const std::wstring& path)
{
    tk_log(1, L"tk_file_wname::initialize(%ls)", path.c_str());
    initialize(path, 91);
}
