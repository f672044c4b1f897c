// Rows written into an MS SQL table by statements: one INSERT per record when
// bulk load is off or failed, and the updates and deletes by key. Texts and
// bytes, which may be long, travel as parameters streamed from the record;
// the other values, short by nature, keep the literals of their rules.
#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/name_compare.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/literals.h"
#include "mssql/mss_engine.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/write_plan.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

namespace {

void check_structure(const udb_record& record, const udb_schema& schema)
{
    if (record.size() == schema.size())
        return;
    tk_log(2, "that.size()=%d, schema.size()=%d", static_cast<int>(record.size()), static_cast<int>(schema.size()));
    throw tk_exception(udb_structure_mismatch, 0);
}

std::wstring name_value(const udb_field& field, const t_ftd& column)
{
    return mss_quote_name(column.name) + L"=" + mss_get_fld_append_str(&field, &column);
}

// Whether the value goes as a parameter: a text into a text column (not a
// uniqueidentifier, nor one a custom rule writes) or bytes, taken as they
// are; the literal of any of them is its text or its bytes.
bool is_parameter_value(const udb_field& field, const t_ftd& column)
{
    const VARTYPE type = field.get_type();
    if (type == ole_vt_bytes || type == VT_BLOB)
        return true;
    return type == VT_BSTR && column.vartype == VT_BSTR && !mss_is_guid_column(column) &&
           !udb_custom_conversion::is_acceptable2(field);
}

void append_joined(std::wstring& list, const std::wstring& item, const wchar_t* separator)
{
    if (!list.empty())
        list += separator;
    list += item;
}

}  // namespace

void mss_table::run(const std::wstring& statement)
{
    command.execute(statement, nullptr);
}

void mss_table::run(const std::wstring& statement, const std::vector<odb_parameter>& parameters)
{
    if (parameters.empty())
        run(statement);
    else
        command.execute(statement, parameters);
}

std::wstring mss_table::statement_value(const udb_field& field, const t_ftd& column,
                                        std::vector<odb_parameter>& parameters) const
{
    if (!is_parameter_value(field, column))
        return mss_get_fld_append_str(&field, &column);
    odb_parameter parameter;
    parameter.binary = field.get_type() != VT_BSTR;
    parameter.name = column.name;
    parameter.stream = ole_com_ptr<ISequentialStream>(
        stream_of(field, parameter.binary ? DBTYPE_BYTES : DBTYPE_WSTR, column, true, parameter.length));
    parameters.push_back(std::move(parameter));
    return L"?";
}

std::wstring mss_table::assignment(const udb_field& field, const t_ftd& column,
                                   std::vector<odb_parameter>& parameters) const
{
    return mss_quote_name(column.name) + L"=" + statement_value(field, column, parameters);
}

const udb_field& mss_table::source_field(const udb_record& record, const t_ftd& column) const
{
    const std::wstring source_name = database->names_map.get_fn_orig_name(table, column.name);
    tk_log(1, L"Name=%ls, original name=%ls", column.name.c_str(), source_name.c_str());
    const udb_field* field = record.get_field(source_name);
    if (!field) {
        tk_log(2, L"Field %ls not found", source_name.c_str());
        throw tk_exception(udb_structure_mismatch, 0);
    }
    return *field;
}

void mss_table::append_record(udb_record& record)
{
    tk_log(1, "mss_table::append_record(schema size=%d, record size=%d", static_cast<int>(schema.size()),
           static_cast<int>(record.size()));
    ++appends;
    check_structure(record, schema);
    if (mss_engine::instance().fast_load && !fast_load_failed) {
        try {
            fast_append(record);
        } catch (const mss_fl_failed_exception&) {
            tk_log(1, "Got mss_fl_failed_exception, switch to slow_append");
            fast_load_failed = true;
            slow_record(record);
        }
    } else {
        slow_record(record);
    }
    ++record_count;
}

void mss_table::finish()
{
    if (fast_load.is_opened()) {
        try {
            fast_load.close_table();
        } catch (const odb_exception&) {
            collect_refusals();
            throw;
        }
        collect_refusals();
    }
    continue_identity();
}

// Rows written with their own identity values may leave the table's next
// identity value below them (a bulk load does), so that the next row the
// server numbers would take a number a row holds: the table goes on after
// the source's last value, as it does after rows written by statements.
void mss_table::continue_identity()
{
    if (!b_identity || record_count == 0)
        return;
    // An ASCII name goes without N: one T-SQL server reads the N as part of
    // the name in this statement.
    const bool ascii = std::all_of(table.begin(), table.end(), [](wchar_t c) { return c < 0x80; });
    const std::wstring name = ascii ? L"'" + mss_escape_literal(table) + L"'" : mss_unicode_literal(table);
    const std::wstring last = std::to_wstring(schema.identity_seed);
    try {
        run(L"IF IDENT_CURRENT(" + name + L") <= " + last + L" DBCC CHECKIDENT (" + name + L", RESEED, " + last + L")");
    } catch (const odb_exception& e) {
        database->object_failed(table, L"the next identity value", e.what());
    }
}

std::vector<udb_refused_record> mss_table::take_refused_records()
{
    return std::exchange(refused, {});
}

void mss_table::collect_refusals(std::uint64_t raising_append)
{
    for (const DBREFUSEDROW& row : fast_load.take_refused_rows()) {
        const std::uint64_t index = row.iRow - first_bulk_row;
        if (row.iRow < first_bulk_row || index >= bulk_appends.size())
            throw tk_mail_assertion("mss_tab", 1530);
        if (bulk_appends[index] == raising_append)
            continue;
        refused.push_back({bulk_appends[index], row.message});
        --record_count;
    }
    // Rows the server took are not named again.
    for (; first_bulk_row < fast_load.rows_committed() && !bulk_appends.empty(); ++first_bulk_row)
        bulk_appends.pop_front();
}

void mss_table::slow_record(udb_record& record)
{
    tk_log(1, "mss_table::slow_record(schema size=%d, record size=%d", static_cast<int>(schema.size()),
           static_cast<int>(record.size()));
    if (schema.empty() || record.empty())
        return;
    check_structure(record, schema);
    std::wstring columns;
    std::wstring values;
    std::vector<odb_parameter> parameters;
    for (std::size_t i = 0; i < schema.size(); ++i) {
        const t_ftd* column = schema[i];
        const udb_field& field = source_field(record, *column);
        mss_check_value_fits(field, plan_of(i), column->name);
        append_joined(columns, mss_quote_name(column->name), L", ");
        append_joined(values, statement_value(field, *column, parameters), L", ");
    }
    const std::wstring prefix = b_identity ? L"SET IDENTITY_INSERT " + table + L" ON;" : std::wstring();
    const std::wstring statement =
        prefix + L"INSERT INTO " + table + L"(" + columns + L")" + L" VALUES( " + values + L")";
    tk_log(2, L"Run SQL query: %ls\n", statement.c_str());
    run(statement, parameters);
    identity_insert_on = identity_insert_on || b_identity;
}

const mss_column_plan& mss_table::plan_of(std::size_t column_index)
{
    if (plans.size() != schema.size())
        plans = mss_plan_table(schema, column_origin);
    return plans[column_index];
}

const t_ftd* mss_table::column_to_update(const udb_field& field) const
{
    tk_log(1, L"Process field: %ls", field.name.c_str());
    const std::int32_t position = schema.get_field_idx(field.name);
    if (position >= 0)
        return schema[position];
    tk_log(3, L"Cannot update '%ls': field '%ls' is not found in schema", table.c_str(), field.name.c_str());
    return nullptr;
}

void mss_table::update2(udb_record& record, const std::wstring& key)
{
    tk_log(1, L"mss_table::update(key=%ls)", key.c_str());
    if (key.empty()) {
        tk_log(3, L"ERROR: key for update cannot be empty (table '%ls')", table.c_str());
        return;
    }
    if (key_index < 0 || static_cast<std::size_t>(key_index) >= indexes.size()) {
        tk_log(3, L"ERROR: table '%ls' has no primary/unique key, update is not possible", table.c_str());
        return;
    }
    const std::vector<std::wstring>& key_fields = indexes[key_index].fields;
    std::wstring assignments;
    std::vector<odb_parameter> parameters;
    for (const udb_field* field : record) {
        const t_ftd* column = column_to_update(*field);
        if (!column)
            continue;
        if (std::find(key_fields.begin(), key_fields.end(), field->name) != key_fields.end()) {
            tk_log(1, L"Field %ls is a part of UKey", field->name.c_str());
            continue;
        }
        append_joined(assignments, assignment(*field, *column, parameters), L", ");
    }
    try {
        const std::wstring statement =
            L"UPDATE " + table + L" SET " + assignments + L" WHERE " + get_filter_subquery(key);
        tk_log(2, L"UPDATE QUERY: %ls", statement.c_str());
        run(statement, parameters);
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on UPDATE2: %s", e.what());
    } catch (...) {
        // An update never ends the synchronisation.
    }
}

void mss_table::update1(udb_record& record)
{
    tk_log(1, "mss_table::update(n_u_index=%d)", key_index);
    if (key_index < 0 || static_cast<std::size_t>(key_index) >= indexes.size()) {
        tk_log(3, L"ERROR: Cannot update '%ls', there's no primary/unique key", table.c_str());
        throw tk_exception(L"The row cannot be updated: the table " + table + L" has no primary or unique key.", 0);
    }
    tk_log(1, "indexes.size=%d", static_cast<int>(indexes.size()));
    const std::vector<std::wstring>& key_fields = indexes[key_index].fields;
    std::wstring assignments;
    std::wstring condition;
    // The markers of the assignments come before those of the condition.
    std::vector<odb_parameter> parameters;
    std::vector<odb_parameter> key_parameters;
    std::size_t key_values = 0;
    for (const udb_field* field : record) {
        const t_ftd* column = column_to_update(*field);
        if (!column)
            continue;
        const bool in_key = std::any_of(key_fields.begin(), key_fields.end(),
                                        [&](const std::wstring& name) { return udb_same_name(name, field->name); });
        tk_log(1, in_key ? L"Field %ls is a part of UKey" : L"Field %ls is NOT a part of UKey", field->name.c_str());
        mss_check_value_fits(*field, plan_of(static_cast<std::size_t>(schema.get_field_idx(column->name))),
                             column->name);
        if (in_key) {
            append_joined(condition, assignment(*field, *column, key_parameters), L" AND ");
            ++key_values;
        } else {
            append_joined(assignments, assignment(*field, *column, parameters), L", ");
        }
    }
    std::move(key_parameters.begin(), key_parameters.end(), std::back_inserter(parameters));
    const std::wstring statement = L"UPDATE " + table + L" SET " + assignments + L" WHERE " + condition;
    tk_log(2, L"UPDATE QUERY: %ls", statement.c_str());
    if (condition.empty()) {
        tk_log(1, "Missing primary/unique key");
        throw tk_exception(L"The row cannot be updated: it holds no value of the key of " + table + L".", 0);
    }
    // A key column the row lacks would widen the condition to rows of other keys.
    if (key_values < key_fields.size())
        throw tk_exception(L"The row cannot be updated: it lacks a column of the key of " + table + L".", 0);
    // A row of nothing but its key is the row the table holds.
    if (assignments.empty())
        return;
    // A failed update leaves the row as it was: the caller counts it skipped.
    try {
        run(statement, parameters);
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on UPDATE1: %s", e.what());
        throw;
    }
}

bool mss_table::holds_same_key(const udb_record& record)
{
    if (key_index < 0 || static_cast<std::size_t>(key_index) >= indexes.size())
        return true;
    const std::vector<std::wstring>& key_fields = indexes[key_index].fields;
    std::wstring names;
    std::wstring condition;
    std::vector<std::optional<std::wstring>> texts;  // the key's text values in key order; none for other kinds
    for (const std::wstring& name : key_fields) {
        const udb_field* field = record.get_field(name);
        const std::int32_t position = schema.get_field_idx(name);
        if (!field || position < 0)
            return true;
        append_joined(names, mss_quote_name(name), L", ");
        append_joined(condition, name_value(*field, *schema[position]), L" AND ");
        texts.push_back(field->get_type() == VT_BSTR ? std::optional(field->to_wstring()) : std::nullopt);
    }
    // Only text compares otherwise on the two servers; other values matched.
    if (std::none_of(texts.begin(), texts.end(), [](const auto& text) { return text.has_value(); }))
        return true;
    const std::unique_ptr<udb_recordset> held(
        database->query(L"SELECT " + names + L" FROM " + table + L" WHERE " + condition));
    bool same = false;
    mss_for_each_row(*held, [&](const udb_record& row) {
        bool equal = true;
        for (std::size_t i = 0; i < texts.size(); ++i)
            equal = equal && (!texts[i] || mss_row_text(row, i) == *texts[i]);
        same = same || equal;
    });
    return same;
}

std::wstring mss_table::filter_text_literal(const std::wstring& text) const
{
    return mss_text_literal(text, mss_engine::instance().unicode);
}

void mss_table::delete_key(const std::wstring& key)
{
    tk_log(2, L"mss_table::delete_key(%ls)", key.c_str());
    try {
        run(L"DELETE FROM " + table + L" WITH (ROWLOCK) WHERE " + get_filter_subquery(key));
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on DELETE: %s", e.what());
    } catch (...) {
        tk_log(3, "Unknown exception");
    }
}

void mss_table::delete_key(udb_record& key)
{
    tk_log(1, "mss_table::delete_key");
    std::wstring condition;
    for (const udb_field* field : key) {
        const std::int32_t position = schema.get_field_idx(field->name);
        if (position < 0) {
            tk_log(1, L"Field '%ls' is not found in schema", field->name.c_str());
            continue;
        }
        append_joined(condition, name_value(*field, *schema[position]), L" AND ");
    }
    try {
        run(L"DELETE FROM " + table + L" WITH (ROWLOCK) WHERE " + condition);
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on DELETE: %s", e.what());
    } catch (...) {
        // A delete never ends the synchronisation.
    }
}
