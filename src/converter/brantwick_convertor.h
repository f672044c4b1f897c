// The one converter of a process: every setting of a conversion, both
// database ends with their engines, the type-mapping rules, the registry
// key of the wizard's last settings, and the conversion run itself.
#pragma once

#include "converter/mss_mutators.h"
#include "converter/mssql_converter_impl.h"
#include "converter/mysql_converter_impl.h"
#include "model/converter.h"
#include "model/schema.h"
#include "toolkit/tk_registry.h"
#include "toolkit/tk_singleton.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class udb_database;
class udb_profile;
class udb_recordset;
class mss_tn_validator;

// The wizard keeps its settings in the registry between runs and shows the
// run in its shell; the console agent touches no registry and prints.
enum class convertor_form { console, wizard };

class brantwick_convertor : public udb_converter,
                            public mssql_converter_impl,
                            public mysql_converter_impl,
                            public tk_serializer,
                            public mss_db_mutator,
                            public tk_singleton<brantwick_convertor> {
public:
    explicit brantwick_convertor(convertor_form form);
    ~brantwick_convertor() override;

    // One whole conversion of the selected tables and queries.
    void operator()() override;
    bool test_query(const std::wstring& query) override;

    // The source database's tables and views, replacing the list's contents.
    void get_all_tables(std::vector<std::wstring>& tables);
    void get_all_views(std::vector<std::pair<std::wstring, std::wstring>>& views);
    // The columns of a source table; a table the source lacks is an internal error.
    udb_schema get_schema(const std::wstring& table);

    // Settings in the registry (store false loads) and in profiles.
    bool serialize(bool store);
    bool load_profile(udb_profile& profile);
    bool load_profile_file(const std::wstring& path);
    // Why the last load_profile_file returned false: the file and the line.
    const std::wstring& get_profile_error() const { return m_profile_error; }
    bool store_profile(udb_profile& profile);
    bool store_profile_file(const std::wstring& path);

    // Before the run: checks that a script file may be written at the
    // destination. Nothing is dropped or removed here.
    void check_dest();
    // The destination of the run, owned by the caller.
    udb_database* open_dest_db();

    // The table the run is converting; safe to read while the run goes on.
    std::wstring get_current_table() const;
    // The last run ended early: a source or destination that could not be
    // opened or was lost, a selected table the source lacks, a fatal or
    // unexpected failure, or the user's abort.
    bool is_aborted() const { return m_aborted.load(std::memory_order_acquire); }
    convertor_form get_form() const { return m_form; }

    // What the last run carried across and what it left behind; safe to read
    // while the run goes on.
    struct run_tally {
        std::uint32_t tables_converted = 0;
        std::uint32_t tables_failed = 0;
        std::uint64_t rows_written = 0;
        std::uint64_t rows_skipped = 0;
        // Keys, indexes, defaults and views that could not be created.
        std::uint64_t objects_failed = 0;
    };
    run_tally get_tally() const;
    // The last run went through to its end and left nothing behind.
    bool is_complete() const;
    // Shows how the run ended: a script that was not written, then the
    // summary line. The run shows it as its last line; a front end that ends
    // the process in the middle of a run shows it before it goes.
    void show_outcome() const;

    bool blob2text = false;
    // Into MS SQL Server directly; false writes a T-SQL script file.
    bool direct = true;

private:
    struct table_run;

    void run_conversion();
    void drop_duplicates(const udb_database& source);
    void check_source_tables(udb_database& source);
    // In direct mode 0, the existing destination database goes.
    void drop_overwritten_database();
    void convert_entry(const std::wstring& name, const std::wstring& query, table_run& run);
    // True when the table was created and filled; false when it was left as
    // it stood (mode 2).
    bool convert_table(const std::wstring& name, const std::wstring& query, table_run& run);
    void create_dependent_objects(table_run& run);
    void create_relationships(table_run& run);
    void create_views(table_run& run);
    void copy_records(udb_recordset& source, udb_recordset& destination);
    void set_current_table(const std::wstring& name);
    void show(const std::wstring& text, const std::string& console_text) const;

    convertor_form m_form;
    std::atomic<bool> m_aborted = false;
    mutable std::mutex m_current_table_mutex;
    std::atomic<std::uint32_t> m_tables_converted = 0;
    std::atomic<std::uint32_t> m_tables_failed = 0;
    std::atomic<std::uint64_t> m_rows_written = 0;
    // Records are being copied: a failure that stops the run names the record.
    bool m_copying = false;
    std::atomic<bool> m_script_opened = false;
    std::atomic<bool> m_script_written = false;
    std::wstring m_profile_error;
};

// The checks that a script file may be written at that path; each failure
// raises tk_exception (level 1) naming the cause. Nothing is created.
void common_check_dest(const std::wstring& path);

// The script file proposed for a database: the base name and extension in
// the folder of the current path, or beside the program when that path has
// no drive. With keep set the base name is taken as it is.
std::wstring make_dest_file_name(const std::wstring& current_path, const std::wstring& base_name,
                                 const std::wstring& extension, bool keep);
