#include "wizard/file_dialogs.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_temp_chdir.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/gui_ids.h"
#include "wizard/user_prompts.h"
#include "wizard/wizard_shell.h"

file_dialog::file_dialog(QWidget* owner, std::wstring filter, std::wstring title, const std::wstring& path)
    : m_owner(owner), m_filter(std::move(filter)), m_title(std::move(title))
{
    if (!path.empty()) {
        const tk_file_wname parts(path);
        m_file = parts.get_name() + parts.get_ext();
        m_folder = parts.get_path();
    }
}

bool file_dialog::ask(bool save)
{
    std::string folder;
    if (!tk_unicode_to_ansi3(m_folder.c_str(), folder))
        return false;
    // The program's folder stands for an empty one only in the toolkit; a
    // dialog without a folder opens in the current one.
    std::optional<tk_temp_chdir> in_folder;
    if (!folder.empty())
        in_folder.emplace(folder);
    const std::optional<std::wstring> chosen = gui::ask_file({save, m_title, m_filter, m_folder, m_file}, m_owner);
    if (!chosen)
        return false;
    m_file = *chosen;
    return true;
}

bool open_file_dialog::show()
{
    return ask(false);
}

save_file_dialog::save_file_dialog(QWidget* owner, std::wstring filter, std::wstring title, const std::wstring& path,
                                   const std::wstring& extension)
    : file_dialog(owner, std::move(filter), std::move(title), path)
{
    if (extension.empty())
        throw tk_mail_assertion("g_f_dlg", 111);
    m_extension = extension.front() == L'.' ? extension : L"." + extension;
}

bool save_file_dialog::show()
{
    if (!ask(true))
        return false;
    if (m_file.find(m_extension) != std::wstring::npos)
        return true;
    // The dialog asked about the name as typed; the file written is this one.
    m_file += m_extension;
    return !tk_is_file_exist2(m_file, tk_file_exists) ||
           wizard_shell::question(L"'" + m_file + L"' already exists.\nDo you want to replace it?",
                                  gui::default_second_button);
}
