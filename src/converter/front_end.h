// What the front ends (the wizard's pages and the console agent) use of the
// converter: the job's settings and progress, the settings of both servers
// and of the script, and the operations they call. It names no MySQL or
// MS SQL type, so a front end does not recompile when either side changes.
// The process has one converter, brantwick_convertor, which implements it.
#pragma once

#include "converter/mutator_status.h"
#include "model/converter.h"
#include "model/mss_native_type.h"
#include "toolkit/tk_exception.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class t_ftd;
class udb_schema;

// The wizard keeps its settings in the registry between runs and shows the
// run in its shell; the console agent touches no registry and prints.
enum class convertor_form { console, wizard };

// The source server's connection; UTF-8 texts, passed to the client library
// as they are.
struct mysql_connection_settings {
    std::string host;
    std::string user;
    std::string password;
    std::string port;
};

// The destination server's connection.
struct mssql_connection_settings {
    // Windows authentication; off means the SQL Server login below.
    bool secure_login = true;
    std::wstring host;
    std::wstring user;
    std::wstring password;
};

// What the user chooses of a T-SQL script.
struct script_settings {
    bool unicode = true;
    bool create_database = false;
    bool structure = true;
    bool comments = true;
};

// A column's type-mapping rule as the column editor edits it: the new name,
// the MS SQL type, and whether the column is converted or left out.
struct column_rule {
    std::wstring new_name;
    mss_native_type type;
    std::uint32_t status = udb_mutators::changed;
};

// A source table's type-mapping rule: its destination name and the rules of
// its columns by source column name.
struct table_rule {
    std::wstring new_name;
    std::map<std::wstring, column_rule> columns;
};

class convertor_front_end : public udb_converter {
public:
    // The process's converter, registered while it lives; asking for it
    // while none lives is an internal error.
    static bool is_initialized();
    static convertor_front_end& ref();
    static convertor_front_end& instance();

    // The source database's tables and views, replacing the list's contents.
    virtual void get_all_tables(std::vector<std::wstring>& tables) = 0;
    virtual void get_all_views(udb_name_list& views) = 0;
    // The columns of a source table; a table the source lacks is an internal error.
    virtual udb_schema get_schema(const std::wstring& table) = 0;

    virtual mysql_connection_settings get_mysql_settings() const = 0;
    // Stores the settings, the host, user and port without blanks at their
    // ends and the password as given; an empty port is 3306.
    virtual void store_mysql_settings(const std::string& host, const std::string& user, const std::string& password,
                                      const std::string& port) = 0;
    // A port that reads as 0 raises tk_exception "Invalid port number" (level 1);
    // connection failures pass to the caller.
    virtual void connect_mysql_server() = 0;
    // The source server's databases, in the order it lists them; failures raise.
    virtual std::vector<std::wstring> get_source_databases() = 0;
    // Whether the source server has a database of that name.
    virtual bool is_source_db_exist(const std::wstring& name) = 0;

    virtual mssql_connection_settings get_mssql_settings() const = 0;
    virtual void set_mssql_settings(const mssql_connection_settings& settings) = 0;
    // Connect as the database owner.
    virtual void set_as_dbo(bool as_dbo) = 0;
    // Windows authentication, or the login and password; failures pass to the caller.
    virtual void connect_mssql_server() = 0;
    // The same into the named database rather than the login's default one.
    virtual void connect_mssql_database(const std::wstring& database) = 0;
    // Whether the destination server has that database; one the login may
    // not open raises.
    virtual bool is_dest_db_exist(const std::wstring& name) = 0;

    virtual script_settings get_script_settings() const = 0;
    virtual void set_script_settings(const script_settings& settings) = 0;

    // The type-mapping rule of a source table; none when it has no rule.
    virtual std::optional<table_rule> get_table_rule(const std::wstring& table) const = 0;
    // Gives the source table's rule (made when missing) the new name, drops
    // the rules of the restored columns, then makes or changes the rules of
    // `columns` in their order.
    virtual void store_table_rule(const std::wstring& table, const std::wstring& new_name,
                                  const std::vector<std::wstring>& restored,
                                  const std::vector<std::pair<std::wstring, column_rule>>& columns) = 0;
    // The MS SQL type of a source column while no rule changes it; the
    // column's native type text becomes that type with its size.
    virtual mss_native_type get_column_type(t_ftd& column) = 0;
    // The column editor's type catalogues: the types each source type may
    // become, read without the filter's names, and the size words of each type.
    virtual const char* get_type_map_file() const = 0;
    virtual const std::set<std::wstring>& get_type_map_filter() = 0;
    virtual const char* get_type_sizes_file() const = 0;

    virtual bool load_profile_file(const std::wstring& path) = 0;
    // Why the last load_profile_file returned false: the file and the line.
    virtual const std::wstring& get_profile_error() const = 0;
    // The connection values the last profile loaded holds: a value given
    // beside it on the command line stands where the profile holds none.
    struct profile_connection {
        bool mysql_host = false;
        bool mysql_user = false;
        bool mysql_password = false;
        bool mysql_port = false;
        bool mssql_host = false;
        // The login, the password or the choice of Windows authentication:
        // they make one way of logging in.
        bool mssql_login = false;
    };
    virtual profile_connection get_profile_connection() const = 0;
    virtual bool store_profile_file(const std::wstring& path) = 0;

    // Before the run: checks that a script file may be written at the
    // destination, apart from the log file. Nothing is dropped or removed here.
    virtual void check_dest() = 0;
    // Refuses a log file that is the destination script file (tk_exception,
    // level 1); a log held until the destination is known is checked here.
    virtual void check_log_file() const = 0;

    // Asks the run to stop at its next table or record, from any thread: the
    // console's answer to a signal that ends the process.
    virtual void request_stop() = 0;

    // The table the run is converting; safe to read while the run goes on.
    virtual std::wstring get_current_table() const = 0;
    // The last run ended early: a source or destination that could not be
    // opened or was lost, a selected table the source lacks, a fatal or
    // unexpected failure, or the user's abort.
    virtual bool is_aborted() const = 0;

    // What the last run carried across and what it left behind; safe to read
    // while the run goes on.
    struct run_tally {
        std::uint32_t tables_converted = 0;
        std::uint32_t tables_failed = 0;
        // Existing tables left as they stood (udb_skip_tables).
        std::uint32_t tables_skipped = 0;
        std::uint64_t rows_written = 0;
        std::uint64_t rows_skipped = 0;
        // Keys, indexes, defaults and views that could not be created.
        std::uint64_t objects_failed = 0;
        // Values written otherwise than they were read.
        std::uint64_t values_changed = 0;
    };
    virtual run_tally get_tally() const = 0;
    // The last run went through to its end and left nothing behind.
    virtual bool is_complete() const = 0;
    // Shows how the run ended: a script that was not written, then the
    // summary line. The run shows it as its last line; a front end that ends
    // the process in the middle of a run shows it before it goes.
    virtual void show_outcome() const = 0;
    // The summary line of the last run: "Summary: N tables converted, ...".
    virtual std::wstring get_summary() const = 0;
    // The last run put its script file in place.
    virtual bool is_script_written() const = 0;
    // The user stopped the last run.
    virtual bool is_stopped() const = 0;
    // The destination table the last run had made and not finished when it
    // ended early; empty when none.
    virtual std::wstring get_unfinished_table() const = 0;

    bool blob2text = false;
    // Into MS SQL Server directly; false writes a T-SQL script file.
    bool direct = true;
};

// The process's converter for that front end; it registers itself.
std::unique_ptr<convertor_front_end> make_convertor(convertor_form form);

// How a front end tells the failures of a connection apart: the
// destination's data access (shown with the OLE DB message table), and a
// source server that asks for a login the client library cannot perform.
bool is_destination_error(const tk_exception& exception);
bool is_unsupported_source_login(const tk_exception& exception);

// Removes the temporary file of every script not yet written whole, for a
// process that must end at once while its run cannot stop.
void remove_unfinished_scripts();

// The checks that a script file may be written at that path; each failure
// raises tk_exception (level 1) naming the cause. Nothing is left behind: a
// file made beside the path to try the folder is removed at once.
void common_check_dest(const std::wstring& path);

// The script file proposed for a database: the base name and extension in
// the folder of the current path, or beside the program when that path has
// no drive. With keep set the base name is taken as it is.
std::wstring make_dest_file_name(const std::wstring& current_path, const std::wstring& base_name,
                                 const std::wstring& extension, bool keep);
