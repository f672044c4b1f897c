#include "agent/command_line_options.h"

#include "agent/cmd_line.h"
#include "agent/console_exit.h"
#include "agent/table_list_file.h"
#include "agent/usage_text.h"
#include "converter/front_end.h"
#include "platform/file_access.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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
// stands on the line, takes precedence over the values it holds. Each is
// empty until the command line gives it.
struct held_connection {
    std::optional<std::wstring> mssql_host;
    std::optional<std::wstring> mssql_user;
    std::optional<std::wstring> mssql_pass;
    std::optional<std::string> mysql_host;
    std::optional<std::string> mysql_user;
    std::optional<std::string> mysql_pass;
    std::optional<std::string> mysql_port;
    bool profile_loaded = false;
};

// A file the command line reads: the run may write into none of them.
struct input_file {
    const char* kind;
    std::string path;
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

// A password stays readable by every local user in the process list while
// the run lasts: its bytes in the arguments are overwritten once read, as
// the MySQL clients do. The value points into main's own (writable) argv.
std::string take_secret(const char* value)
{
    std::string secret = value;
    char* bytes = const_cast<char*>(value);
    std::fill(bytes, bytes + secret.size(), 'x');
    if (!secret.empty())
        bytes[1] = '\0';
    return secret;
}

void apply_option(std::int32_t id, const char* value, held_connection& held, std::vector<input_file>& inputs)
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
        settings.set_destination_name(tk_file_name_to_unicode(value));
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
    case mssqlp: held.mssql_pass = tk_ansi_to_unicode(take_secret(value)); break;
    case mysqlh: held.mysql_host = value; break;
    case mysqlu: held.mysql_user = value; break;
    case mysqlp: held.mysql_pass = take_secret(value); break;
    case port: held.mysql_port = value; break;
    case profile:
        tk_log(1, "parse_cmd_line - got profile %s", value);
        inputs.push_back({"profile", value});
        // Half a profile's settings would convert something else than asked.
        if (!settings.load_profile_file(tk_file_name_to_unicode(value)))
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
        inputs.push_back({"table-list file", value});
        process_tab_file(value);
        break;
    case views:
        tk_log(2, "\tcovnerting views is ON");
        settings.convert_views = true;
        break;
    default: break;  // positional: counted by the matcher
    }
}

// The log and the script are written from their first line on: one that is
// an input file would destroy it, links and other names of it included.
void refuse_written_inputs(const std::vector<input_file>& inputs)
{
    const convertor_front_end& settings = converter();
    const std::string& log = settings.get_logfile();
    const std::string script =
        settings.direct ? std::string() : tk_unicode_to_file_name(settings.get_destination_name());
    for (const input_file& input : inputs) {
        if (!log.empty() && platform::is_same_file(log, input.path))
            throw tk_exception("The log file '" + log + "' is the " + input.kind + " '" + input.path +
                                   "'.\nGive the log a file of its own.",
                               1);
        if (!script.empty() && platform::is_same_file(script, input.path))
            throw tk_exception("The destination script file '" + script + "' is the " + input.kind + " '" + input.path +
                                   "'.\nGive the script a file of its own.",
                               1);
    }
}

// A value the command line gives stands unless the loaded profile holds
// one; without a profile every value comes from the command line.
template <typename text>
void apply_value(text& setting, const std::optional<text>& given, bool profile_holds)
{
    if (!profile_holds)
        setting = given.value_or(text());
}

void apply_connection(const held_connection& held)
{
    convertor_front_end& settings = converter();
    const convertor_front_end::profile_connection profile =
        held.profile_loaded ? settings.get_profile_connection() : convertor_front_end::profile_connection{};
    // The passwords stay out of the log.
    tk_log(1, "Step #1");
    mssql_connection_settings mssql = settings.get_mssql_settings();
    apply_value(mssql.host, held.mssql_host, profile.mssql_host);
    if (!profile.mssql_login) {
        apply_value(mssql.user, held.mssql_user, false);
        apply_value(mssql.password, held.mssql_pass, false);
        mssql.secure_login = mssql.user.empty() && mssql.password.empty();
    }
    settings.set_mssql_settings(mssql);
    tk_log(1, "Step #2");
    mysql_connection_settings mysql = settings.get_mysql_settings();
    apply_value(mysql.host, held.mysql_host, profile.mysql_host);
    apply_value(mysql.user, held.mysql_user, profile.mysql_user);
    apply_value(mysql.password, held.mysql_pass, profile.mysql_password);
    if (!profile.mysql_port)
        mysql.port = held.mysql_port.value_or("3306");
    settings.store_mysql_settings(mysql.host, mysql.user, mysql.password, mysql.port);
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
    std::vector<input_file> inputs;
    ansi_cmd_line matcher(argc, argv, options);
    for (; matcher.has_more(); matcher.advance())
        apply_option(matcher.get_id(), matcher.get_value(), held, inputs);

    if (matcher.get_param_count() != 0)
        return false;
    convertor_front_end& settings = converter();
    if (settings.get_source_name().empty())
        usage_and_exit("You should enter source MySQL database name");
    if (settings.get_destination_name().empty())
        usage_and_exit("You should enter destination MS SQL database or T-SQL file name");
    refuse_written_inputs(inputs);
    settings.check_log_file();
    settings.start_log();
    apply_connection(held);
    return true;
}
