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
    bool store_profile(udb_profile& profile);
    bool store_profile_file(const std::wstring& path);

    // Before the run: drops a database that is to be overwritten, or removes
    // an old script file after checking that the file may be written.
    void check_dest();
    // The destination of the run, owned by the caller.
    udb_database* open_dest_db();

    // The table the run is converting; safe to read while the run goes on.
    std::wstring get_current_table() const;
    // The last run ended early: a source or destination that could not be
    // opened, an unexpected failure or the user's abort.
    bool is_aborted() const { return m_aborted.load(std::memory_order_acquire); }
    convertor_form get_form() const { return m_form; }

    bool blob2text = false;
    // Into MS SQL Server directly; false writes a T-SQL script file.
    bool direct = true;

private:
    struct table_run;

    void run_conversion();
    void convert_entry(const std::wstring& name, const std::wstring& query, table_run& run);
    void convert_table(const std::wstring& name, const std::wstring& query, table_run& run);
    void create_relationships(table_run& run);
    void create_views(table_run& run);
    void copy_records(udb_recordset& source, udb_recordset& destination);
    void set_current_table(const std::wstring& name);
    void show(const std::wstring& text, const std::string& console_text) const;

    convertor_form m_form;
    std::atomic<bool> m_aborted = false;
    mutable std::mutex m_current_table_mutex;
};

// The checks that a script file may be written at that path; each failure
// raises tk_exception (level 1) naming the cause. Nothing is created.
void common_check_dest(const std::wstring& path);

// The script file proposed for a database: the base name and extension in
// the folder of the current path, or beside the program when that path has
// no drive. With keep set the base name is taken as it is.
std::wstring make_dest_file_name(const std::wstring& current_path, const std::wstring& base_name,
                                 const std::wstring& extension, bool keep);
