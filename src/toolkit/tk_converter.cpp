#include "toolkit/tk_converter.h"

#include "platform/file_access.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"

namespace {
constexpr std::uint32_t refused_logfile_code = 1;
}

tk_converter::tk_converter()
{
    tk_log(2, "tk_converter::ctor");
}

void tk_converter::set_silent(bool silent)
{
    m_silent = silent;
}

void tk_converter::set_logfile(const std::string& name)
{
    tk_log(1, "tk_convertor::set_logfile(%s)", name.c_str());
    if (!tk_singleton<tk_logger>::is_initialized())
        return;
    m_logfile = name;
    if (name.empty()) {
        tk_log(1, "Filename is empty");
        return;
    }
    if (tk_is_path_too_long(std::string_view(name)))
        throw tk_exception("Logfile name cannot be used: the file name is too long.", refused_logfile_code);
    if (tk_is_path_exist(name))
        throw tk_exception("Logfile name specifies an existing path.", refused_logfile_code);
    // A pipe would hold every line up until someone reads it; a link or a
    // device is no file of the run's own.
    if (platform::is_other_than_file(name))
        throw tk_exception("Logfile name specifies an existing link, device or pipe, not a regular file.",
                           refused_logfile_code);
    if (tk_is_file_exist1(name, tk_file_exists) && !tk_is_file_exist1(name, tk_file_writable))
        throw tk_exception("Logfile name specifies an existing read-only file.", refused_logfile_code);

    // A bare file name is written in the current directory, so that is the
    // folder to test.
    const std::string path = tk_file_name(name).get_path();
    const std::string folder = path.empty() ? std::string(".") : path;
    if (!tk_is_path_exist(folder))
        throw tk_exception("Logfile path does not exist.\nPlease verify the correct path was given.",
                           refused_logfile_code);
    if (!tk_check_access(folder, GENERIC_WRITE))
        throw tk_exception("Cannot create log file. Make sure you have sufficient\n"
                           "privileges to create files in the directory.",
                           refused_logfile_code);
    if (!m_log_held)
        tk_singleton<tk_logger>::ref().set_logfile(name.c_str());
}

void tk_converter::start_log()
{
    m_log_held = false;
    if (!m_logfile.empty() && tk_singleton<tk_logger>::is_initialized())
        tk_singleton<tk_logger>::ref().set_logfile(m_logfile.c_str());
}
