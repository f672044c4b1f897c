// One whole conversion: every selected query and table from the MySQL source
// into MS SQL Server or a T-SQL script.
#include "converter/brantwick_convertor.h"
#include "converter/client_safe_names.h"
#include "converter/init_conversion.h"
#include "converter/shell_services.h"
#include "converter/view_order.h"
#include "model/database.h"
#include "model/name_compare.h"
#include "model/recordset.h"
#include "mssql/client_commands.h"
#include "mssql/direct/mss_database.h"
#include "mssql/identifier_validators.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/script/script_writer.h"
#include "mssql/table_limits.h"
#include "mssql/table_names.h"
#include "mysql/sql_database.h"
#include "mysql/sql_left_behind.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Rows copied between two looks at whether the source's row count is known.
constexpr std::uint64_t count_poll_rows = 256;

constexpr std::uint32_t open_for_run = 1;
// OLE DB's DB_E_INTEGRITYVIOLATION: a row whose key the table holds already.

// The owner a table lands in: its own, or dbo for none, public and sys.
bool is_default_owner(const std::wstring& owner)
{
    return owner.empty() || udb_same_name(owner, L"public") || udb_same_name(owner, L"sys");
}

// The text a printf format makes of the arguments. vswprintf reports a
// buffer too small only as a failure, so the buffer grows until the text fits.
std::wstring formatted(const wchar_t* format, ...)
{
    constexpr std::size_t longest = 1 << 20;
    std::vector<wchar_t> buffer(256);
    int length = -1;
    while (length < 0 && buffer.size() <= longest) {
        va_list arguments;
        va_start(arguments, format);
        length = std::vswprintf(buffer.data(), buffer.size(), format, arguments);
        va_end(arguments);
        if (length < 0)
            buffer.resize(buffer.size() * 2);
    }
    return length < 0 ? std::wstring() : std::wstring(buffer.data(), static_cast<std::size_t>(length));
}

std::string console_text(const std::wstring& text)
{
    std::string narrow;
    if (!tk_unicode_to_ansi3(text.c_str(), narrow))
        narrow.clear();
    return narrow;
}

// The renamed columns of a table, by its source name; the columns whose
// names were mended also by the destination's name of the table, from the
// name its rows carry, which is how its rows find their fields.
void record_column_names(const std::wstring& table, const std::wstring& destination, const mss_table_mutator* rule,
                         const udb_name_pairs& mended, udb_names_map& names)
{
    udb_name_pairs renamed = mended;
    if (rule != nullptr) {
        for (const auto& [source, field] : rule->field_mutators) {
            if (field->status == udb_mutators::deleted || field->new_name == source)
                continue;
            const auto safe = mended.find(field->new_name);
            renamed.erase(field->new_name);
            renamed[source] = safe == mended.end() ? field->new_name : safe->second;
        }
    }
    if (!renamed.empty())
        names.add_fn_map(table, renamed);
    if (!mended.empty())
        names.add_fn_map(destination, mended);
}

bool is_bracketed(const std::wstring& name)
{
    return name.size() >= 2 && name.front() == L'[' && name.back() == L']';
}

// A selected table the source lacks: the wizard lists it among the run's
// errors, the console prints it.
void report_missing_table(const std::wstring& name, bool silent)
{
    const std::wstring text = L"Table " + name + L" not exists";
    tk_log(3, L"%ls", text.c_str());
    if (shell_services::ready()) {
        shell_services::instance().write_log(text + L"\r\n");
        shell_services::instance().add_error(console_text(text));
    } else if (!silent) {
        std::fprintf(stderr, "%s\n", console_text(text).c_str());
    }
}

void report(const tk_exception& exception, bool outer)
{
    error_handler::instance().handle(exception, outer);
}

// MySQL errors of a connection that broke: gone away, lost during a query,
// lost at a reconnect, killed, server shutting down.
constexpr std::uint32_t mysql_lost_connection[] = {0x400000 | 2006, 0x400000 | 2013, 0x400000 | 2055, 0x400000 | 1927,
                                                   0x400000 | 1053};

bool is_destination_connection_lost(const tk_exception& exception)
{
    const auto* destination = dynamic_cast<const odb_exception*>(&exception);
    return destination != nullptr && destination->get_sql_state().starts_with("08");
}

// Only a duplicate key says that the destination holds the row already;
// a CHECK, a foreign key or a NULL the server refuses is the row's own failure.
bool is_duplicate_key(const tk_exception& exception)
{
    const auto* destination = dynamic_cast<const odb_exception*>(&exception);
    return destination != nullptr &&
           (destination->get_native_error() == 2627 || destination->get_native_error() == 2601);
}

// The key of a record as the user reads it: name = 'value', ...
std::wstring key_text(const udb_record& record, const udb_recordset& table)
{
    std::wstring text;
    if (table.key_index < 0 || static_cast<std::size_t>(table.key_index) >= table.indexes.size())
        return text;
    for (const std::wstring& name : table.indexes[table.key_index].fields) {
        const udb_field* field = record.get_field(name);
        text += (text.empty() ? L"" : L", ") + name + L" = '" + (field ? field->to_wstring() : std::wstring()) + L"'";
    }
    return L"key (" + text + L")";
}

bool is_connection_lost(const tk_exception& exception)
{
    const std::uint32_t number = exception.get_error_number();
    return std::find(std::begin(mysql_lost_connection), std::end(mysql_lost_connection), number) !=
               std::end(mysql_lost_connection) ||
           is_destination_connection_lost(exception);
}

// A failure after which no further table can be converted: a lost
// connection, or a fatal error (a script that cannot be written, for one).
bool ends_run(const tk_exception& exception)
{
    return exception.get_code() >= tk_level_fatal || is_connection_lost(exception);
}

}  // namespace

struct brantwick_convertor::table_run {
    udb_database& source;
    udb_database& destination;
    mss_tn_validator& validator;
    // Source names of the tables this run made on the destination; only
    // these get foreign keys.
    std::vector<std::wstring> created;
    // The names (without owner) of the tables this run made, compared as the
    // server compares names: ignoring case.
    mss_tn_validator made_names{{}, {}};
};

void brantwick_convertor::operator()()
{
    tk_log(2, "brantwick_convertor::operator()");
    init_conversion scope(m_finished, false);
    m_aborted.store(false, std::memory_order_release);
    m_tables_converted = 0;
    m_tables_failed = 0;
    m_tables_skipped = 0;
    m_rows_written = 0;
    m_script_opened = false;
    m_script_written = false;
    m_stopped = false;
    set_open_table(std::wstring());
    error_handler::instance().reset_losses();
    try {
        run_conversion();
        show_outcome();
        return;
    } catch (const tk_final_exception&) {
        tk_log(2, "The conversion was aborted");
        if (stop_requested()) {
            m_stopped.store(true, std::memory_order_release);
            const std::wstring line = L"The conversion was stopped by the user";
            show(line + L"\r\n", console_text(line) + "\n");
        }
    } catch (const tk_exception& exception) {
        m_aborted.store(true, std::memory_order_release);
        report(exception, true);
    } catch (const std::exception& exception) {
        if (shell_services::ready()) {
            shell_services::instance().error_box(tk_ansi_to_unicode(exception.what()));
        } else {
            tk_log(3, "ERROR:\n%s", exception.what());
            if (!is_silent())
                std::fprintf(stderr, "%s\n", exception.what());
        }
    }
    m_aborted.store(true, std::memory_order_release);
    show_outcome();
}

sql_engine::row_count brantwick_convertor::row_count_for_run() const
{
    if (m_form != convertor_form::console)
        return sql_engine::row_count::before_rows;
    const bool count_is_shown = !is_silent() || tk_log_accepts(3) || shell_services::ready();
    return count_is_shown ? sql_engine::row_count::beside_rows : sql_engine::row_count::by_rows;
}

void brantwick_convertor::run_conversion()
{
    // The view-owned flag describes catalogue reads of the destination,
    // which a conversion does not do.
    mssql_engine.view_owned = false;
    mssql_engine.unicode = script_options.unicode;
    mysql_engine.set_blob_to_text(blob2text);
    // The run only reads the source. The console agent counts each table
    // beside its rows, which saves the count's time, and by its rows alone
    // when nothing shows the count before they end; the wizard counts first,
    // so that its progress bar follows the rows from the first one.
    mysql_engine.set_row_count(row_count_for_run());
    const std::unique_ptr<sql_engine, void (*)(sql_engine*)> count_reset(
        &mysql_engine, [](sql_engine* engine) { engine->set_row_count(sql_engine::row_count::before_rows); });

    std::unique_ptr<udb_database> source(mysql_engine.open_db(get_source_name(), open_for_run));
    if (m_form == convertor_form::console && table_names.empty() && selected.empty())
        table_names = source->get_table_names();
    drop_duplicates(*source);
    check_source_tables(*source);

    // Only now, with the source known to hold what was asked for, does
    // anything at the destination change.
    if (stop_requested())
        throw tk_final_exception();
    drop_overwritten_database();
    std::unique_ptr<udb_database> destination(open_dest_db());
    m_script_opened = !direct;
    destination->stop_requested = [this] { return stop_requested(); };

    tables_total = static_cast<std::uint32_t>(table_names.empty() ? selected.size() : table_names.size());
    const std::wstring start = formatted(L"Converting database %ls (%d tables)\r\n", get_source_name().c_str(),
                                         static_cast<int>(tables_total.load()));
    show(start, console_text(start));

    mss_tn_validator validator(table_names, destination->get_table_names());
    for (const auto& entry : selected)
        validator.add_existing_name(entry.first);
    for (const std::wstring& table : table_names)
        selected.emplace_back(table, std::wstring());

    table_run run{*source, *destination, validator, {}, {{}, {}}};
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const auto [name, query] = selected[i];
        convert_entry(name, query, run);
    }
    create_dependent_objects(run);
    // A signal after the last object still keeps the script from taking
    // anyone's place.
    destination->stop_if_requested();
    std::vector<std::wstring> read_tables;
    for (const auto& [name, query] : selected)
        if (query.empty())
            read_tables.push_back(name);
    sql_report_left_behind(static_cast<sql_database&>(*source), read_tables);
    // A run that left something behind never takes an earlier script's
    // place; where none stands, its script holds what did go across.
    if (auto* script = dynamic_cast<mss_dmp_database*>(destination.get()))
        m_script_written = script->commit(is_complete());

    error_handler::instance().set_context(std::wstring());
    tables_done = 0;
    tables_total = 0;
}

void brantwick_convertor::drop_duplicates(const udb_database& source)
{
    auto same_entry = [&](const std::pair<std::wstring, std::wstring>& a,
                          const std::pair<std::wstring, std::wstring>& b) {
        if (a.second.empty() != b.second.empty())
            return false;
        return a.second.empty() ? source.same_table(a.first, b.first) : a == b;
    };
    auto report_duplicate = [&](const std::wstring& name) {
        const std::wstring line =
            formatted(L"'%ls' is selected more than once; it is converted once\r\n", name.c_str());
        show(line, console_text(L"'" + name + L"' is selected more than once; it is converted once\n"));
    };
    udb_name_list entries;
    for (const auto& entry : selected) {
        if (std::any_of(entries.begin(), entries.end(), [&](const auto& kept) { return same_entry(kept, entry); }))
            report_duplicate(entry.first);
        else
            entries.push_back(entry);
    }
    selected = std::move(entries);
    std::vector<std::wstring> tables;
    for (const std::wstring& table : table_names) {
        auto same = [&](const std::wstring& kept) { return source.same_table(kept, table); };
        const bool listed = std::any_of(tables.begin(), tables.end(), same) ||
                            std::any_of(selected.begin(), selected.end(),
                                        [&](const auto& entry) { return entry.second.empty() && same(entry.first); });
        if (listed)
            report_duplicate(table);
        else
            tables.push_back(table);
    }
    table_names = std::move(tables);
}

// A selected table the source lacks would leave the run incomplete whatever
// else it did, so the run stops before it changes the destination.
void brantwick_convertor::check_source_tables(udb_database& source)
{
    std::uint32_t missing = 0;
    auto check = [&](const std::wstring& name) {
        if (source.is_table_exist(name))
            return;
        ++missing;
        report_missing_table(name, is_silent());
    };
    for (const auto& [name, query] : selected) {
        if (query.empty())
            check(name);
    }
    for (const std::wstring& name : table_names)
        check(name);
    if (missing == 0)
        return;
    m_tables_failed = missing;
    const std::wstring line =
        formatted(L"Nothing was converted: %u selected tables are missing from the source database\r\n", missing);
    show(line, console_text(line.substr(0, line.size() - 2) + L"\n"));
    throw tk_final_exception();
}

void brantwick_convertor::convert_entry(const std::wstring& name, const std::wstring& query, table_run& run)
{
    if (stop_requested())
        throw tk_final_exception();
    // A process that ends inside the table (a fatal failure met where
    // nothing can be raised) still counts it as failed.
    m_table_in_progress = true;
    const std::unique_ptr<std::atomic<bool>, void (*)(std::atomic<bool>*)> in_progress(
        &m_table_in_progress, [](std::atomic<bool>* flag) { *flag = false; });
    try {
        if (convert_table(name, query, run))
            ++m_tables_converted;
        else
            ++m_tables_skipped;
    } catch (const tk_exception& exception) {
        ++m_tables_failed;
        m_table_in_progress = false;
        if (ends_run(exception)) {
            // The outer guard reports it once the destination is closed,
            // naming the record the run had reached.
            if (m_copying)
                error_handler::instance().set_record_context(get_current_table(),
                                                             static_cast<std::int32_t>(rows_done + 1));
            else
                error_handler::instance().set_context(get_current_table());
            // The driver's words for a broken connection rarely say so.
            if (is_destination_connection_lost(exception))
                throw odb_exception(L"The connection to SQL Server was lost during the conversion (" +
                                    tk_ansi_to_unicode(exception.what()) +
                                    L"). Check that the server is running and reachable, then run the "
                                    L"conversion again.");
            throw;
        }
        // The table's recordsets are gone by now, so a bulk load is closed
        // before the error is reported.
        error_handler::instance().set_context(get_current_table());
        report(exception, false);
    }
    set_open_table(std::wstring());
    ++tables_done;
}

bool brantwick_convertor::convert_table(const std::wstring& name, const std::wstring& query, table_run& run)
{
    set_current_table(name);
    rows_total = 0;
    rows_done = 0;
    m_copying = false;
    std::unique_ptr<udb_recordset> source(query.empty() ? run.source.get_table(name, open_for_run)
                                                        : run.source.get_query(name, query, open_for_run));

    tk_log(2, L"udb_db_mutator::modify1(%ls)", name.c_str());
    // The source goes on reading its rows by its own columns; the rules shape
    // a copy for the destination.
    udb_schema schema(source->schema);
    udb_indexes indexes(source->indexes);
    std::wstring mapped = name;
    mss_table_mutator* rule = get_table_mutator3(name);
    if (rule != nullptr) {
        rule->modify3(indexes);
        mapped = rule->modify1(schema);
    }
    mss_check_table_width(schema);
    std::vector<mended_name> mended = mend_table_names(name, schema, indexes);
    std::wstring candidate = mapped;
    if (!run.validator.is_acceptable(candidate))
        candidate = run.validator.get_safe_name(candidate);
    if (!mss_is_client_safe_name(mapped))
        mended.insert(mended.begin(), {L"Table", mapped, candidate, {}});
    for (const mended_name& changed : mended)
        show_mended(changed);

    std::wstring table;
    std::wstring owner;
    // A source name is literal: one that looks bracketed names a table of
    // that very name, not an owner and a table.
    const bool literal_name = candidate == name && is_bracketed(name);
    if (literal_name)
        table = name;
    else
        mss_split_tab_name(candidate, table, owner);
    // A later table whose name equals one this run made but for case would
    // fail to be created, or replace the first: it is given another name.
    const bool case_renamed = run.made_names.is_duplicated(table);
    if (case_renamed) {
        const std::wstring before = table;
        table = run.made_names.get_safe_name(table);
        show_mended({L"Table", before, table,
                     L"since MS SQL Server compares table names ignoring case and the run made one of that name"});
    }
    run.made_names.add_existing_name(table);
    if (is_default_owner(owner)) {
        owner = L"dbo";
    } else {
        const std::wstring line = formatted(L"Creating schema if necessary: '%ls'\r\n", owner.c_str());
        show(line, console_text(line));
        run.destination.create_schema(owner);
    }
    const std::wstring full_name = mss_bracket_name(owner) + L"." + mss_bracket_name(table);
    tk_log(2, L"Got full table name: '%ls'", full_name.c_str());

    // Rows go by bulk load into every table the run creates; a table the run
    // merges into takes them by statements, whose key failures it handles
    // row by row.
    bool merged = false;
    if (direct) {
        if (run.destination.is_table_exist(full_name)) {
            if (mode == udb_skip_tables)
                return false;
            if (mode == udb_overwrite_tables)
                run.destination.delete_tab(full_name);
            merged = mode == udb_merge_rows || mode == udb_synchronize_rows;
        }
        static_cast<mss_database&>(run.destination).enable_fast_load(!merged);
    }

    std::unique_ptr<udb_recordset> destination(run.destination.create_table(full_name, schema, udb_indexes()));
    set_open_table(full_name);
    if (mode == udb_merge_rows && !schema.conform_to(destination->schema, true))
        throw tk_exception(udb_structure_mismatch, 0);
    if (merged && destination->key_index < 0)
        tk_log(3,
               L"Table '%ls' has no primary or unique key to match rows by: the merge appends every source row, "
               L"also those an earlier run wrote",
               full_name.c_str());
    if (candidate != mapped) {
        tk_log(2, L"Store generated table name '%ls'", full_name.c_str());
        run.validator.add_existing_name(full_name);
        run.destination.names_map.add_tn_mapping(mapped, full_name);
    }
    run.validator.used_names.push_back(full_name);
    // Foreign keys and views name tables and columns by their source names.
    if (mapped != name || literal_name || case_renamed)
        run.destination.names_map.add_tn_mapping(name, full_name);
    record_column_names(name, full_name, rule, mended_columns(mended), run.destination.names_map);
    if (!merged)
        run.created.push_back(name);

    // The source may still be counting its rows: the line that gives their
    // number is shown once it is known, before anything else of the table.
    // A name that had to be mended is shown as the table got it: its line
    // break would split the progress line.
    const std::wstring shown = mss_is_client_safe_name(name) ? name : candidate;
    const auto show_row_count = [&] {
        source->wait_for_count();
        rows_total = source->record_count;
        const std::uint64_t rows = rows_total;
        show(formatted(L"Converting table %ls (%" PRIu64 L" records)\r\n", shown.c_str(), rows),
             console_text(L"Converting table " + shown + L"(" + std::to_wstring(rows) + L" records)\n"));
    };
    if (only_definitions || (source->is_count_known() && source->record_count == 0)) {
        show_row_count();
    } else {
        try {
            copy_records(*source, *destination, show_row_count);
        } catch (...) {
            // What the destination took before the failure is counted as
            // what it holds; the failure being raised is the one to report.
            try {
                end_rows(*destination, get_current_table());
            } catch (const tk_exception&) {
            }
            throw;
        }
        end_rows(*destination, get_current_table());
    }

    tk_log(2, "Just before create_indexes, skip_idx=%d", skip_indexes ? 1 : 0);
    destination.reset();
    // A table the run merges into keeps the keys and indexes it has: making
    // them again could only fail.
    if (!skip_indexes && !merged)
        run.destination.create_indexes(full_name, schema, indexes);
    return true;
}

void brantwick_convertor::create_dependent_objects(table_run& run)
{
    // Each side reports a failing key or view itself and goes on; what fails
    // around them ends only this step.
    try {
        if (!skip_indexes)
            create_relationships(run);
        create_views(run);
    } catch (const tk_exception& exception) {
        if (ends_run(exception))
            throw;
        run.destination.object_failed({}, L"foreign keys and views", exception.what());
        report(exception, false);
    }
}

void brantwick_convertor::create_relationships(table_run& run)
{
    udb_relationships keys;
    auto created = [&](const std::wstring& table) {
        return std::any_of(run.created.begin(), run.created.end(),
                           [&](const std::wstring& name) { return udb_same_name(name, table); });
    };
    for (const udb_relationship& key : run.source.relationships) {
        if (!created(key.fk_table))
            continue;
        if (!key.pk_database.empty()) {
            // The destination would tie it to a table of its own that only
            // shares the name.
            const std::wstring object = L"foreign key '" + key.name + L"'";
            const std::string why = "it references table '" + tk_unicode_to_utf8(key.pk_table) +
                                    "' of another database, '" + tk_unicode_to_utf8(key.pk_database) +
                                    "', which a foreign key of MS SQL Server cannot reach";
            run.destination.object_failed(key.fk_table, object, why, L"Foreign key '" + key.name + L"'",
                                          "Table '" + tk_unicode_to_utf8(key.fk_table) +
                                              "': " + tk_unicode_to_utf8(object) + " is left out: " + why + ".");
        } else if (!created(key.pk_table)) {
            tk_log(3, L"Foreign key '%ls' of table '%ls' is left out: table '%ls' is not one this run creates",
                   key.name.c_str(), key.fk_table.c_str(), key.pk_table.c_str());
        } else {
            keys.push_back(key);
        }
    }
    for (const auto& [table, clause] : run.source.unreadable_keys) {
        if (created(table))
            run.destination.object_failed(run.destination.names_map.get_tn_mapped_name(table, true),
                                          L"the foreign key '" + clause + L"'", "its clause cannot be read");
    }
    for (const mended_name& changed : mend_key_names(keys))
        show_mended(changed);
    if (!keys.empty())
        run.destination.create_relationships(keys);
}

void brantwick_convertor::create_views(table_run& run)
{
    // The console agent asked for views converts all of them.
    if (views.empty() && convert_views && m_form == convertor_form::console)
        views = run.source.views;
    if (convert_views && !run.source.views_unread.empty()) {
        const std::string reason =
            "The views of the source database cannot be listed: " + tk_unicode_to_utf8(run.source.views_unread);
        run.destination.object_failed({}, L"the views", reason, L"Database '" + run.source.name + L"'", reason);
    }
    // A view the source server cannot read itself would fail at the
    // destination too, or worse, be created over what it no longer reads.
    udb_views readable;
    for (const auto& view : views) {
        const auto invalid = std::find_if(run.source.invalid_views.begin(), run.source.invalid_views.end(),
                                          [&](const auto& known) { return udb_same_name(known.first, view.first); });
        if (invalid == run.source.invalid_views.end()) {
            readable.push_back(view);
            continue;
        }
        const std::string reason = "The source server reports the view invalid: " + tk_unicode_to_utf8(invalid->second);
        run.destination.object_failed({}, L"view '" + view.first + L"'", reason, L"View '" + view.first + L"'", reason);
    }
    if (readable.empty())
        return;
    run.destination.create_views(order_views_by_reads(readable));
    // The destination mends a view's name as it does a table's.
    for (const auto& [source_name, text] : readable) {
        if (!mss_is_client_safe_name(source_name))
            show_mended({L"View", source_name, run.destination.names_map.get_tn_mapped_name(source_name, true), {}});
    }
}

void brantwick_convertor::show_mended(const mended_name& mended) const
{
    const std::wstring line = mended_name_line(mended);
    show(line + L"\r\n", console_text(line) + "\n");
}

void brantwick_convertor::end_rows(udb_recordset& destination, const std::wstring& table)
{
    try {
        destination.finish();
    } catch (const tk_exception&) {
        report_refused_records(destination, table);
        throw;
    }
    report_refused_records(destination, table);
}

// Records a destination refused after their appends returned were counted
// written: they are taken back and reported as skipped, a run of records
// refused for one reason in one report.
void brantwick_convertor::report_refused_records(udb_recordset& destination, const std::wstring& table)
{
    const std::vector<udb_refused_record> refused = destination.take_refused_records();
    error_handler& handler = error_handler::instance();
    for (std::size_t first = 0; first < refused.size();) {
        std::size_t last = first;
        while (last + 1 < refused.size() && refused[last + 1].message == refused[first].message &&
               refused[last + 1].append == refused[last].append + 1)
            ++last;
        for (std::size_t i = first; i <= last; ++i) {
            handler.count_skipped_record();
            --m_rows_written;
        }
        const std::uint64_t from = record_of_append(refused[first].append);
        const std::uint64_t to = record_of_append(refused[last].append);
        handler.set_context(from == to
                                ? table + L", record #" + std::to_wstring(from)
                                : table + L", records #" + std::to_wstring(from) + L" to #" + std::to_wstring(to));
        report(tk_exception(tk_unicode_to_ansi(refused[first].message), 0), false);
        first = last + 1;
    }
}

// The records that never reached the destination (their field rules failed)
// are left out of the destination's count of appends.
std::uint64_t brantwick_convertor::record_of_append(std::uint64_t append) const
{
    std::uint64_t record = append;
    for (const std::uint64_t unappended : m_unappended_records)
        if (unappended <= record)
            ++record;
    return record;
}

void brantwick_convertor::copy_records(udb_recordset& source, udb_recordset& destination,
                                       const std::function<void()>& show_row_count)
{
    const std::wstring table = get_current_table();
    m_unappended_records.clear();
    mss_table_mutator* rule = get_table_mutator3(table);
    bool count_shown = false;
    const auto show_count_once = [&] {
        if (!std::exchange(count_shown, true))
            show_row_count();
    };
    m_copying = true;
    try {
        source.reset();
        for (std::uint64_t read = 0; !source.is_eof(); ++read) {
            // The count runs beside the rows; it is looked for now and then.
            if (!count_shown && read % count_poll_rows == 0 && source.is_count_known())
                show_count_once();
            if (stop_requested())
                throw tk_final_exception();
            copy_record(source, destination, rule, table, show_count_once);
            // Counted before the next read, so that a read that breaks names
            // the record it was reaching.
            ++rows_done;
            source.next();
        }
        show_count_once();
    } catch (...) {
        // What ends the table is reported after the table's line.
        if (!count_shown) {
            try {
                show_count_once();
            } catch (const tk_exception&) {
                // The failure being raised is the one to report.
            }
        }
        throw;
    }
    m_copying = false;
}

void brantwick_convertor::copy_record(udb_recordset& source, udb_recordset& destination, mss_table_mutator* rule,
                                      const std::wstring& table, const std::function<void()>& show_count_once)
{
    tk_log(1, "Converting %d record", static_cast<int>(rows_done.load()));
    // A failing record, whether in its field rules, its append or its
    // update, is reported with its number and the next one follows.
    bool appended = false;
    try {
        udb_record* record = source.get_item();
        if (record == nullptr) {
            m_unappended_records.push_back(rows_done + 1);
            return;
        }
        tk_log(2, L"udb_db_mutator::modify2(%ls)", table.c_str());
        udb_record* mapped = record;
        if (rule != nullptr && rule->has_field_mutators())
            mapped = &rule->modify2(*record);
        else
            tk_log(2, L"Not found: '%ls'", table.c_str());
        bool written = true;
        appended = true;
        try {
            destination.append_record(*mapped);
            report_refused_records(destination, table);
        } catch (const tk_exception& exception) {
            report_refused_records(destination, table);
            tk_log(2, "n_mode=%d, error=%d", static_cast<int>(mode), static_cast<int>(exception.get_error_number()));
            if (!is_duplicate_key(exception) || (mode != udb_merge_rows && mode != udb_synchronize_rows))
                throw;
            if (!destination.holds_same_key(*mapped))
                throw tk_exception(L"The destination holds a row under a key equal to this row's key only as MS SQL "
                                   L"Server compares text (letter case, trailing blanks): " +
                                       key_text(*mapped, destination) + L". The row is not written.",
                                   0);
            // Merging keeps the row the destination holds.
            error_handler::instance().take_noted_values();
            written = mode == udb_synchronize_rows;
            if (written)
                destination.update1(*mapped);
        }
        if (written) {
            ++m_rows_written;
            if (error_handler::instance().has_noted_values())
                report_changed_values(table, show_count_once);
        }
    } catch (const tk_exception& exception) {
        if (!appended)
            m_unappended_records.push_back(rows_done + 1);
        // A record left behind carries no changed values.
        error_handler::instance().take_noted_values();
        if (ends_run(exception))
            throw;
        show_count_once();
        error_handler::instance().set_record_context(table, static_cast<std::int32_t>(rows_done + 1));
        error_handler::instance().count_skipped_record();
        // The server's own words say why it refused the row; the general
        // text of its error class would not.
        if (dynamic_cast<const odb_exception*>(&exception) != nullptr)
            report(tk_exception(std::string(exception.what()), 0), false);
        else
            report(exception, false);
    }
}

void brantwick_convertor::report_changed_values(const std::wstring& table, const std::function<void()>& show_count_once)
{
    show_count_once();
    error_handler& handler = error_handler::instance();
    const std::wstring record = table + L", record #" + std::to_wstring(rows_done + 1);
    for (const error_handler::changed_value& value : handler.take_noted_values()) {
        handler.count_changed_value();
        const std::wstring line = record + L": Column '" + value.column + L"': MS SQL Server cannot hold the value '" +
                                  value.read + L"'; it was written as '" + value.written + L"'";
        show(line + L"\r\n", console_text(line) + "\n");
        // The wizard's finish page lists it among what the run did not carry.
        if (shell_services::ready())
            shell_services::instance().add_error(console_text(line));
    }
}

brantwick_convertor::run_tally brantwick_convertor::get_tally() const
{
    run_tally tally;
    tally.tables_converted = m_tables_converted;
    tally.tables_failed = m_tables_failed;
    tally.tables_skipped = m_tables_skipped;
    tally.rows_written = m_rows_written;
    if (error_handler::is_initialized()) {
        tally.rows_skipped = error_handler::instance().skipped_records();
        tally.objects_failed = error_handler::instance().failed_objects();
        tally.values_changed = error_handler::instance().changed_values();
    }
    return tally;
}

bool brantwick_convertor::is_complete() const
{
    const run_tally tally = get_tally();
    return !is_aborted() && tally.tables_failed == 0 && tally.rows_skipped == 0 && tally.objects_failed == 0 &&
           tally.values_changed == 0;
}

void brantwick_convertor::show_outcome() const
{
    if (m_script_opened && !m_script_written) {
        const std::wstring note = L"The script file '" + get_destination_name() +
                                  L"' was not written; any earlier file of that name is left as it was.";
        show(note + L"\r\n", console_text(note) + "\n");
    }
    const std::wstring summary = get_summary();
    show(summary + L"\r\n", console_text(summary) + "\n");
}

std::wstring brantwick_convertor::get_summary() const
{
    run_tally tally = get_tally();
    if (m_table_in_progress)
        ++tally.tables_failed;
    std::wstring summary = L"Summary: " + std::to_wstring(tally.tables_converted) + L" tables converted, " +
                           std::to_wstring(tally.tables_failed) + L" failed; " + std::to_wstring(tally.rows_written) +
                           L" rows written, " + std::to_wstring(tally.rows_skipped) + L" skipped; " +
                           std::to_wstring(tally.objects_failed) + L" other objects failed";
    // Named only when it happened: most runs write every value as it was read.
    if (tally.values_changed != 0)
        summary += L"; " + std::to_wstring(tally.values_changed) + L" values changed";
    return summary;
}

void brantwick_convertor::set_open_table(const std::wstring& table)
{
    const std::lock_guard lock(m_current_table_mutex);
    m_open_table = table;
}

std::wstring brantwick_convertor::get_unfinished_table() const
{
    if (!is_aborted())
        return std::wstring();
    const std::lock_guard lock(m_current_table_mutex);
    return m_open_table;
}
