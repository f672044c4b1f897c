#include "agent/command_line_options.h"

#include "agent/cmd_line.h"
#include "agent/console_exit.h"
#include "agent/table_list_file.h"
#include "agent/usage_text.h"
#include "converter/front_end.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

enum option_id : std::int32_t {
    as_dbo,
    blob2text,
    dest,
    dump,
    help,
    logfile,
    mode,
    mssqlh,
    mssqlu,
    mssqlp,
    mysqlh,
    mysqlu,
    mysqlp,
    port,
    profile,
    script,
    silent,
    skip_idx,
    src,
    tab_def,
    tab_file,
    views,
};

// Tried in this order; the first name that starts the argument wins.
const cmd_line_option options[] = {
    {as_dbo, "--as_dbo"},
    {blob2text, "--blob2text"},
    {dest, "--dest="},
    {dump, "--dump"},
    {help, "--help"},
    {logfile, "--logfile="},
    {mode, "--mode="},
    {mssqlh, "--mssqlh="},
    {mssqlu, "--mssqlu="},
    {mssqlp, "--mssqlp="},
    {mysqlh, "--mysqlh="},
    {mysqlu, "--mysqlu="},
    {mysqlp, "--mysqlp="},
    {port, "--port="},
    {profile, "--profile="},
    {script, "--script"},
    {silent, "--silent"},
    {skip_idx, "--skip_idx"},
    {src, "--src="},
    {tab_def, "--tab_def"},
    {tab_file, "--tab_file="},
    {views, "--views"},
    {TCmdLine::positional_id, ""},
};

// Connection settings wait for the end of the walk: a profile, wherever it
// stands on the line, takes precedence over them.
struct held_connection {
    std::wstring mssql_host;
    std::wstring mssql_user;
    std::wstring mssql_pass;
    std::string mysql_host;
    std::string mysql_user;
    std::string mysql_pass;
    std::string mysql_port = "3306";
    bool profile_loaded = false;
};

convertor_front_end& converter()
{
    return convertor_front_end::instance();
}

// Only the plain decimal form of 0 to 4: no sign, blank or leading zero.
std::uint32_t parse_mode(const char* text)
{
    errno = 0;
    const long value = std::strtol(text, nullptr, 10);
    tk_log(2, "\tgot mode %ld", value);
    if (errno != 0 || std::to_string(value) != text || value < 0 || value > udb_synchronize_rows)
        usage_and_exit("Invalid merge/overwrite mode");
    return static_cast<std::uint32_t>(value);
}

void apply_option(std::int32_t id, const char* value, held_connection& held)
{
    convertor_front_end& settings = converter();
    switch (id) {
    case as_dbo:
        tk_log(2, "\tconnecting as DBO");
        tk_log(1, "mss_engine::set_as_dbo(%d)", 1);
        settings.set_as_dbo(true);
        break;
    case blob2text:
        tk_log(2, "\tset blob2text -> true");
        settings.blob2text = true;
        break;
    case dest:
        tk_log(1, "parse_cmd_line - got dest %s", value);
        settings.set_destination_name(tk_ansi_to_unicode(value));
        break;
    case dump:
        tk_log(2, "\tconvert into dump files");
        settings.direct = false;
        break;
    case help: usage_and_exit(format_usage_text());
    case logfile:
        tk_log(1, "parse_cmd_line - got logfile %s", value);
        settings.set_logfile(value);
        break;
    case mode: settings.set_mode(parse_mode(value)); break;
    case mssqlh: held.mssql_host = tk_ansi_to_unicode(value); break;
    case mssqlu: held.mssql_user = tk_ansi_to_unicode(value); break;
    case mssqlp: held.mssql_pass = tk_ansi_to_unicode(value); break;
    case mysqlh: held.mysql_host = value; break;
    case mysqlu: held.mysql_user = value; break;
    case mysqlp: held.mysql_pass = value; break;
    case port: held.mysql_port = value; break;
    case profile:
        tk_log(1, "parse_cmd_line - got profile %s", value);
        // Half a profile's settings would convert something else than asked.
        if (!settings.load_profile_file(tk_ansi_to_unicode(value)))
            throw tk_exception(settings.get_profile_error(), 1);
        held.profile_loaded = true;
        break;
    case script:
        tk_log(2, "\tconvert into T-SQL script file");
        settings.direct = false;
        break;
    case silent:
        tk_log(1, "parse_cmd_line - silent mode is ON");
        settings.set_silent(true);
        tk_singleton<error_handler>::instance().quiet = true;
        break;
    case skip_idx:
        tk_log(2, "\tskip converting indexes");
        settings.skip_indexes = true;
        break;
    case src:
        tk_log(1, "parse_cmd_line - got src %s", value);
        settings.set_source_name(tk_ansi_to_unicode(value));
        break;
    case tab_def:
        tk_log(2, "\tconvert table definitions only");
        settings.only_definitions = true;
        break;
    case tab_file:
        tk_log(2, "\tparse_cmd_line - got tab_file %s", value);
        process_tab_file(value);
        break;
    case views:
        tk_log(2, "\tcovnerting views is ON");
        settings.convert_views = true;
        break;
    default: break;  // positional: counted by the matcher
    }
}

void apply_connection(const held_connection& held)
{
    convertor_front_end& settings = converter();
    // The passwords stay out of the log.
    tk_log(1, "Step #1");
    settings.set_mssql_settings(
        {held.mssql_user.empty() && held.mssql_pass.empty(), held.mssql_host, held.mssql_user, held.mssql_pass});
    tk_log(1, "Step #2");
    settings.store_mysql_settings(held.mysql_host, held.mysql_user, held.mysql_pass, held.mysql_port);
    tk_log(1, "Step #3");
}

}  // namespace

bool parse_cmd_line(int argc, char** argv)
{
    tk_log(2, "parse_cmd_line (argc=%d)", argc);
    for (int i = 0; i < argc; ++i)
        tk_log(1, "parameter #%d: %s", i, argv[i]);

    // The log's first line empties its file, so the log waits until the
    // whole line is read and the log is known not to be the destination.
    converter().hold_log();
    held_connection held;
    ansi_cmd_line matcher(argc, argv, options);
    for (; matcher.has_more(); matcher.advance())
        apply_option(matcher.get_id(), matcher.get_value(), held);

    if (matcher.get_param_count() != 0)
        return false;
    convertor_front_end& settings = converter();
    if (settings.get_source_name().empty())
        usage_and_exit("You should enter source MySQL database name");
    if (settings.get_destination_name().empty())
        usage_and_exit("You should enter destination MS SQL database or T-SQL file name");
    settings.check_log_file();
    settings.start_log();
    if (!held.profile_loaded)
        apply_connection(held);
    return true;
}
