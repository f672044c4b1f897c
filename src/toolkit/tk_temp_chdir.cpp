#include "toolkit/tk_temp_chdir.h"

#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"

#include <filesystem>

tk_temp_chdir::tk_temp_chdir(const std::string& folder)
{
    tk_log(2, "tk_temp_chdir::ctor");
    const std::string target = folder.empty() ? tk_get_module_folder() : folder;
    tk_log(2, "tk_temp_chdir::initialize(%s)", target.c_str());
    std::error_code error;
    m_previous = std::filesystem::current_path(error).string();
    if (error) {
        tk_log(2, "_getcwd failed");
        return;
    }
    std::filesystem::current_path(target, error);
    if (error) {
        tk_log(2, "_chdir failed");
        return;
    }
    m_changed = true;
}

tk_temp_chdir::~tk_temp_chdir()
{
    tk_log(2, "tk_temp_chdir::dtor");
    if (m_changed) {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
    }
    tk_log(2, "tk_temp_chdir::dtor - at the END");
}
