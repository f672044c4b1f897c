// The converter folder: the conversion driver, the only place that knows
// both ends. brantwick_convertor (this file, its parts in
// brantwick_convertor_*.cpp) holds the job's settings, the two engines and
// the type-mapping rules (the mutators), and runs the conversion: tables
// and queries, then foreign keys and views, with the tally that makes the
// summary line. The front ends see it as convertor_front_end (front_end.h),
// which names no MySQL or MS SQL type; they also use the message tables
// (error_messages.h), the console error handler and the shell services the
// wizard provides (shell_services.h); tools/check_layers.sh refuses them
// any header here that names a MySQL or MS SQL type. It includes src/mysql,
// src/mssql and the layers below.
//
// This file: the one converter of a process: every setting of a conversion,
// both database ends with their engines, the type-mapping rules, the
// registry key of the wizard's last settings, and the conversion run itself.
#pragma once

#include "converter/front_end.h"
#include "converter/mss_mutators.h"
#include "converter/mssql_converter_impl.h"
#include "converter/mysql_converter_impl.h"
#include "model/schema.h"
#include "toolkit/tk_registry.h"
#include "toolkit/tk_singleton.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class udb_database;
class udb_profile;
class udb_recordset;
class mss_tn_validator;
struct mended_name;

class brantwick_convertor : public convertor_front_end,
                            public mssql_converter_impl,
                            public mysql_converter_impl,
                            public tk_serializer,
                            public mss_db_mutator,
                            public tk_singleton<brantwick_convertor> {
public:
    explicit brantwick_convertor(convertor_form form);
    ~brantwick_convertor() override;

    // The registration is tk_singleton's; the front ends reach it through
    // convertor_front_end.
    using tk_singleton<brantwick_convertor>::instance;
    using tk_singleton<brantwick_convertor>::is_initialized;
    using tk_singleton<brantwick_convertor>::ref;

    // One whole conversion of the selected tables and queries.
    void operator()() override;
    bool test_query(const std::wstring& query) override;

    void get_all_tables(std::vector<std::wstring>& tables) override;
    void get_all_views(udb_name_list& views) override;
    udb_schema get_schema(const std::wstring& table) override;

    mysql_connection_settings get_mysql_settings() const override;
    void store_mysql_settings(const std::string& host, const std::string& user, const std::string& password,
                              const std::string& port) override;
    void connect_mysql_server() override;
    std::vector<std::wstring> get_source_databases() override;
    bool is_source_db_exist(const std::wstring& name) override;

    mssql_connection_settings get_mssql_settings() const override;
    void set_mssql_settings(const mssql_connection_settings& settings) override;
    void set_as_dbo(bool as_dbo) override;
    void connect_mssql_server() override;
    void connect_mssql_database(const std::wstring& database) override;
    bool is_dest_db_exist(const std::wstring& name) override;

    script_settings get_script_settings() const override;
    void set_script_settings(const script_settings& settings) override;

    std::optional<table_rule> get_table_rule(const std::wstring& table) const override;
    void store_table_rule(const std::wstring& table, const std::wstring& new_name,
                          const std::vector<std::wstring>& restored,
                          const std::vector<std::pair<std::wstring, column_rule>>& columns) override;
    mss_native_type get_column_type(t_ftd& column) override;
    const char* get_type_map_file() const override { return map_file; }
    const std::set<std::wstring>& get_type_map_filter() override { return get_filter(); }
    const char* get_type_sizes_file() const override { return typ_file; }

    // Settings in the registry (store false loads) and in profiles.
    bool serialize(bool store);
    bool load_profile(udb_profile& profile);
    bool load_profile_file(const std::wstring& path) override;
    const std::wstring& get_profile_error() const override { return m_profile_error; }
    profile_connection get_profile_connection() const override { return m_profile_connection; }
    bool store_profile(udb_profile& profile);
    bool store_profile_file(const std::wstring& path) override;

    void check_dest() override;
    void check_log_file() const override;
    // The destination of the run, owned by the caller.
    udb_database* open_dest_db();

    void request_stop() override { m_stop_requested.store(true, std::memory_order_release); }
    std::wstring get_current_table() const override;
    bool is_aborted() const override { return m_aborted.load(std::memory_order_acquire); }
    run_tally get_tally() const override;
    bool is_complete() const override;
    void show_outcome() const override;
    std::wstring get_summary() const override;
    bool is_script_written() const override { return m_script_written.load(std::memory_order_acquire); }
    bool is_stopped() const override { return m_stopped.load(std::memory_order_acquire); }
    std::wstring get_unfinished_table() const override;

private:
    struct table_run;

    void run_conversion();
    // How the run has the source count each table's rows.
    sql_engine::row_count row_count_for_run() const;
    void drop_duplicates(const udb_database& source);
    void check_source_tables(udb_database& source);
    // In direct mode with udb_overwrite_database, the existing destination database goes.
    void drop_overwritten_database();
    void convert_entry(const std::wstring& name, const std::wstring& query, table_run& run);
    // True when the table was created and filled; false when it was left as
    // it stood (udb_skip_tables).
    bool convert_table(const std::wstring& name, const std::wstring& query, table_run& run);
    void create_dependent_objects(table_run& run);
    void create_relationships(table_run& run);
    void create_views(table_run& run);
    // Copies the rows; `show_row_count` shows the table's line once the
    // source knows its row count, before any other line of the table.
    void copy_records(udb_recordset& source, udb_recordset& destination, const std::function<void()>& show_row_count);
    void copy_record(udb_recordset& source, udb_recordset& destination, mss_table_mutator* rule,
                     const std::wstring& table, const std::function<void()>& show_count_once);
    // Ends the destination's rows (a bulk load's last commit) and reports the
    // records it refused.
    void end_rows(udb_recordset& destination, const std::wstring& table);
    void report_refused_records(udb_recordset& destination, const std::wstring& table);
    // The number of a table's record that gave the destination's append.
    std::uint64_t record_of_append(std::uint64_t append) const;
    // Reports the values the record's writer noted as changed, each with the
    // table, the record's number, the column and both values.
    void report_changed_values(const std::wstring& table, const std::function<void()>& show_count_once);
    void set_current_table(const std::wstring& name);
    void set_open_table(const std::wstring& table);
    // The wizard stops its worker thread; the console asks through request_stop.
    bool stop_requested() const
    {
        return tk_thread_functor::stop_requested() || m_stop_requested.load(std::memory_order_acquire);
    }
    void show(const std::wstring& text, const std::string& console_text) const;
    void show_mended(const mended_name& mended) const;

    convertor_form m_form;
    std::atomic<bool> m_aborted = false;
    std::atomic<bool> m_stop_requested = false;
    mutable std::mutex m_current_table_mutex;
    std::atomic<std::uint32_t> m_tables_converted = 0;
    std::atomic<std::uint32_t> m_tables_failed = 0;
    std::atomic<std::uint32_t> m_tables_skipped = 0;
    std::atomic<std::uint64_t> m_rows_written = 0;
    // Numbers of the current table's records that failed before their append.
    std::vector<std::uint64_t> m_unappended_records;
    // Records are being copied: a failure that stops the run names the record.
    bool m_copying = false;
    // A table is being converted and not yet counted.
    std::atomic<bool> m_table_in_progress = false;
    std::atomic<bool> m_script_opened = false;
    std::atomic<bool> m_script_written = false;
    std::atomic<bool> m_stopped = false;
    // The destination table made for the entry being converted, until the
    // entry is done; guarded by m_current_table_mutex.
    std::wstring m_open_table;
    std::wstring m_profile_error;
    profile_connection m_profile_connection;
};
