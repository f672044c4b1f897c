// Appending rows to a destination table: many rows in one INSERT while rows
// are small, one statement a row once a row is too big for batching.
#include "model/database.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_field_finder.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_table.h"
#include "mysql/sql_validators.h"
#include "mysql/sql_zero_dates.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <string>

namespace {

// Rows above it are not batched, and a batch does not grow past it.
constexpr std::uint32_t max_buffer_size = 1000000;

const std::string structure_message = std::string(udb_structure_mismatch) +
                                      " For more information see Troubleshooting article of the product documentation.";

// Table and column names in backticks from 4.1.0 on, bare before.
std::string statement_name(const std::wstring& name)
{
    return sql_utf8(sql_current_engine().is_old_version() ? name : sql_quote_name(name));
}

std::string row_head(const char* verb, const std::wstring& table)
{
    return verb + statement_name(table) + "(";
}

// Adds each column's name to the column list and its value to the value list.
template <class Matches, class Value>
void add_row(const Matches& matches, std::string& head, std::string& values, Value value)
{
    bool first = true;
    for (const auto& match : matches) {
        if (!first) {
            head += ", ";
            values += ", ";
        }
        first = false;
        head += statement_name(match.column->name);
        values += value(match);
    }
}

// The first warning or error of the last statement, empty when it had none.
std::string first_warning(sql_database& database)
{
    if (mysql_warning_count(database.get_connection()) == 0)
        return {};
    sql_result_ptr result = sql_current_engine().execute(database.get_connection(), "SHOW WARNINGS");
    std::string text;
    while (MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr)
        if (text.empty() && row[0] != nullptr && std::string(row[0]) != "Note" && row[2] != nullptr)
            text = row[2];
    return text;
}

}  // namespace

std::vector<sql_table::matched_column> sql_table::mapped_fields(const udb_record& record) const
{
    std::vector<matched_column> mapped;
    std::unique_ptr<sql_validator> validator = sql_current_engine().create_fn_validator(record);
    for (const udb_field* field : record) {
        std::wstring name = field->name;
        if (!validator->is_acceptable(name)) {
            name = validator->get_safe_name(field->name);
            validator->add_existing_name(name);
        }
        tk_log(1, L"Name=%ls, mapped name=%ls", field->name.c_str(), name.c_str());
        const t_ftd* column = schema.get_field1(name);
        if (column == nullptr) {
            tk_log(1, L"Field %ls not found", name.c_str());
            continue;
        }
        mapped.push_back({column, field});
    }
    return mapped;
}

std::vector<sql_table::matched_column> sql_table::match_columns(const udb_record& record) const
{
    std::vector<matched_column> matched = columns_of(record);
    for (const matched_column& match : matched)
        sql_check_zero_date(*match.field, *match.column);
    return matched;
}

std::vector<sql_table::matched_column> sql_table::columns_of(const udb_record& record) const
{
    std::vector<matched_column> matched;
    if (schema.size() <= record.size()) {
        tk_log(1, "Size of schema is less or equal to the size of record");
        sql_field_finder finder(record);
        for (const t_ftd* column : schema) {
            std::int32_t at = finder.get_field_idx(column->name);
            if (at < 0) {
                tk_log(1, L"Field %ls not found in appending record", column->name.c_str());
                throw tk_exception(std::string(structure_message), 0);
            }
            matched.push_back({column, record[static_cast<std::size_t>(at)]});
        }
        return matched;
    }
    tk_log(1, "Size of record is less than size of schema");
    matched = mapped_fields(record);
    if (matched.size() < record.size())
        throw tk_exception(std::string(structure_message), 0);
    return matched;
}

void sql_table::append_record(udb_record& record)
{
    // The rows written are counted on from the rows the table had.
    wait_for_count();
    const std::uint32_t size = static_cast<std::uint32_t>(record.get_total_size());
    tk_log(1, "record size=%d", static_cast<int>(size));
    sql_engine& engine = sql_current_engine();
    if (size > max_buffer_size) {
        tk_log(3, "Row is too big (%d bytes), swtich to slow_append", static_cast<int>(size));
        engine.fast_insert = false;
        // The rows gathered so far go first, and their failure is this row's.
        if (!pending_statement.empty())
            run_pending();
    }
    if (engine.fast_insert)
        fast_append(record);
    else
        slow_append(record);
    ++record_count;
}

void sql_table::finish()
{
    tk_log(2, "sql_table::finish");
    if (!pending_statement.empty())
        run_pending();
}

void sql_table::run_pending()
{
    std::string statement;
    statement.swap(pending_statement);
    const std::uint64_t rows = pending_rows;
    pending_rows = 0;
    pending_head.clear();
    tk_log(1, "Run SQL query: [%s]", statement.c_str());
    try {
        m_database->query_append(statement);
    } catch (const tk_exception&) {
        tk_log(3, L"Table '%ls': %d rows were not written", table.c_str(), static_cast<int>(rows));
        record_count -= std::min(record_count, rows);
        throw;
    }
    if ((m_database->get_mode() & udb_mode_replace_rows) != 0)
        return;
    // INSERT IGNORE passes over a row that the server refuses and stores a
    // value it has to change; neither may go unsaid.
    MYSQL* connection = m_database->get_connection();
    const std::uint64_t written = mysql_affected_rows(connection);
    const std::string warning = first_warning(*m_database);
    if (written >= rows && warning.empty())
        return;
    const std::uint64_t lost = rows - std::min(written, rows);
    record_count -= lost;
    std::string text = "Table '" + sql_utf8(table) + "': ";
    text += lost != 0 ? std::to_string(lost) + " of " + std::to_string(rows) + " rows were not written"
                      : std::string("the server changed values of the rows on the way in");
    if (!warning.empty())
        text += "; it reports: " + warning;
    throw tk_exception(text, 0);
}

void sql_table::fast_append(const udb_record& record)
{
    const char* verb = (m_database->get_mode() & udb_mode_replace_rows) != 0 ? "REPLACE INTO " : "INSERT IGNORE INTO ";
    std::string head = row_head(verb, table);
    std::string values = "(";
    add_row(match_columns(record), head, values,
            [](const matched_column& match) { return get_fld_append_str(match.field, match.column, false); });
    head += ")";
    values += ")";
    if (!pending_statement.empty() &&
        (pending_head != head || pending_statement.size() + 2 + values.size() > max_buffer_size)) {
        if (pending_head != head)
            tk_log(3, "cached_rec_size=%d, that.size=%d", static_cast<int>(pending_head.size()),
                   static_cast<int>(head.size()));
        run_pending();
    }
    tk_log(1, "*** FAST INSERT MODE ***");
    if (pending_statement.empty()) {
        tk_log(2, "Initialize new query...");
        pending_head = head;
        pending_statement = head + " VALUES" + values;
    } else {
        pending_statement += ", " + values;
    }
    ++pending_rows;
    tk_log(1, "sql_query=[%s]", pending_statement.c_str());
}

void sql_table::slow_append(const udb_record& record)
{
    const std::uint32_t size = static_cast<std::uint32_t>(record.get_total_size());
    const bool placeholders = size > max_buffer_size;
    tk_log(1, "mysql_db.get_mode()=%d", static_cast<int>(m_database->get_mode()));
    const char* verb = (m_database->get_mode() & udb_mode_replace_rows) != 0 ? "REPLACE INTO " : "INSERT INTO ";
    std::string head = row_head(verb, table);
    std::string values = " VALUES (";
    std::vector<const udb_field*> parameters;
    add_row(match_columns(record), head, values, [&](const matched_column& match) {
        std::string value = get_fld_append_str(match.field, match.column, placeholders);
        if (value == "?")
            parameters.push_back(match.field);
        return value;
    });
    const std::string statement = head + ")" + values + ")";
    tk_log(1, "Run SQL query: %s", statement.c_str());
    if (!placeholders) {
        m_database->query_append(statement);
        return;
    }
    // The statement and each long value must each fit the server's packet.
    const std::uint32_t packet = sql_current_engine().get_max_allowed_packet();
    tk_log(2, "get_max_allowed_packet=%d", static_cast<int>(packet));
    std::size_t longest = statement.size();
    for (const udb_field* field : parameters) {
        const BYTE* bytes = nullptr;
        std::string text;
        longest = std::max<std::size_t>(longest, field->get_type() == VT_BSTR ? sql_field_utf8(*field).size()
                                                                              : field->get_bytes1(bytes, text));
    }
    if (longest > packet) {
        tk_log(2, "row_tot_size > max_allowed_packet");
        throw tk_exception(std::string("Row size exceeds 'max_allowed_packet'"), 0);
    }
    if (parameters.empty())
        m_database->query_append(statement);
    else
        m_database->prepared_statement(statement, parameters);
}
