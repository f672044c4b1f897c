// Preparing and opening the destination of a conversion.
#include "converter/brantwick_convertor.h"
#include "mssql/direct/mss_database.h"
#include "mssql/script/script_file.h"
#include "platform/file_access.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"
#include "toolkit/tk_text_conversion.h"

#include <cerrno>
#include <cstdio>

namespace {

// Open modes of an existing destination database.
constexpr std::uint32_t open_to_overwrite = 164;
constexpr std::uint32_t open_to_add = 40;

// Where Windows has a drive letter, an absolute path stands here.
bool is_anchored(const tk_file_wname& name)
{
    return !name.get_drive().empty() ||
           (!name.get_folder().empty() && platform::is_path_separator(name.get_folder()[0]));
}

}  // namespace

void common_check_dest(const std::wstring& path)
{
    if (tk_is_path_too_long(std::wstring_view(path)))
        throw tk_exception("Destination name cannot be used: the file name is too long.", 1);
    if (tk_is_path_exist(path))
        throw tk_exception("Destination name should specify a file, not folder.", 1);
    // The script never replaces a link, a device or a pipe.
    if (platform::is_other_than_file(tk_unicode_to_file_name(path)))
        throw tk_exception("Destination name specifies an existing link, device or pipe, not a regular file.", 1);
    if (tk_is_file_exist2(path, tk_file_exists) && !tk_is_file_exist2(path, tk_file_writable))
        throw tk_exception("Destination name specifies an existing read-only file.", 1);
    // A bare file name is written into the current directory.
    std::wstring folder = tk_file_wname(path).get_path();
    if (folder.empty())
        folder = L".";
    if (!tk_is_path_exist(folder))
        throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
    const int write_error = tk_check_access(folder, GENERIC_WRITE) ? mss_script_write_error(path) : EACCES;
    if (write_error == ENAMETOOLONG)
        throw tk_exception("Destination name cannot be used: the file name is too long.", 1);
    if (write_error != 0)
        throw tk_exception(
            "Cannot create or write into the destination file.\nRun the program as Administrator or change folder.", 1);
}

std::wstring make_dest_file_name(const std::wstring& current_path, const std::wstring& base_name,
                                 const std::wstring& extension, bool keep)
{
    if (keep)
        return base_name;
    tk_file_wname name(current_path);
    if (!is_anchored(name))
        name = tk_file_wname(tk_get_module_wname());
    name.set_name(base_name);
    name.set_ext(extension);
    return name.get_full_path();
}

// Nothing is removed here: the run drops a database to be overwritten only
// once the source has been checked, and a script replaces an earlier file
// only when it is complete.
void brantwick_convertor::check_dest()
{
    tk_log(2, "brantwick_convertor::check_dest");
    if (!direct) {
        common_check_dest(get_destination_name());
        check_log_file();
    }
}

// A log written into the script's own file would empty the earlier script
// with its first line and end up after the script's last statement.
void brantwick_convertor::check_log_file() const
{
    const std::string& log = get_logfile();
    if (!direct && !log.empty() && platform::is_same_file(log, tk_unicode_to_file_name(get_destination_name())))
        throw tk_exception(
            "The log file '" + log + "' is the destination script file.\nGive the log a file of its own.", 1);
}

void brantwick_convertor::drop_overwritten_database()
{
    const std::wstring& destination = get_destination_name();
    if (direct && mode == udb_overwrite_database && mssql_engine.is_db_exist(destination))
        mssql_engine.delete_db(destination);
}

udb_database* brantwick_convertor::open_dest_db()
{
    const std::wstring& destination = get_destination_name();
    if (!direct) {
        char title[64];
        std::snprintf(title, sizeof title, "Velmora %d.%d %s", 8, 3, "");
        script_options.title = title;
        return mssql_engine.create_dump(destination, script_options);
    }
    if (mssql_engine.is_db_exist(destination))
        return mssql_engine.open_db(destination, mode == udb_overwrite_database ? open_to_overwrite : open_to_add,
                                    std::wstring());
    return mssql_engine.create_db(destination);
}
