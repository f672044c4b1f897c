#include "platform/oledb/odbc_catalog.h"

#include "platform/oledb/memory_result.h"
#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/schema_layout.h"
#include "platform/oledb/utf16.h"

#include <optional>
#include <sqlext.h>

namespace oledb::odbc {

namespace {

using rows = std::vector<std::vector<db_value>>;

// One argument of a catalog function: null pointer when not restricted.
class argument {
public:
    explicit argument(const std::optional<std::wstring>& value)
    {
        if (value)
            text_ = to_utf16(*value);
    }
    SQLWCHAR* data() { return text_ ? text_->data() : nullptr; }
    SQLSMALLINT length() const { return text_ ? SQL_NTS : 0; }

private:
    std::optional<odbc_string> text_;
};

std::optional<std::wstring> restriction(const schema_restrictions& r, std::size_t i)
{
    return i < r.size() ? r[i] : std::nullopt;
}

// Schema and table arguments of SQLTables are search patterns.
std::optional<std::wstring> as_pattern(SQLHDBC dbc, const std::optional<std::wstring>& value)
{
    if (!value)
        return value;
    SQLWCHAR escape[8] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, SQL_SEARCH_PATTERN_ESCAPE, escape, sizeof(escape), &length)) || length == 0)
        return value;
    const std::wstring esc = from_utf16(escape, static_cast<std::size_t>(length) / sizeof(SQLWCHAR));
    std::wstring out;
    for (wchar_t c : *value) {
        if (c == L'_' || c == L'%' || esc.find(c) != std::wstring::npos)
            out += esc;
        out += c;
    }
    return out;
}

// Rows of a catalog result, each at least `width` values wide, so that a
// driver that leaves out trailing columns reads as NULLs there.
rows read_rows(handle stmt, const std::wstring& source, std::size_t width)
{
    std::unique_ptr<db_result> result = adopt_result(std::move(stmt), source);
    rows all;
    std::vector<db_value> row;
    while (result->fetch(row)) {
        if (row.size() < width)
            row.resize(width);
        all.push_back(row);
    }
    return all;
}

const std::wstring& text_of(const db_value& v)
{
    static const std::wstring empty;
    return is_null(v) ? empty : std::get<std::wstring>(v);
}

db_value flag(bool set)
{
    return std::wstring(set ? L"1" : L"0");
}

db_value rule_text(const db_value& rule)
{
    if (is_null(rule))
        return rule;
    const std::wstring& code = text_of(rule);
    if (code == L"0")
        return std::wstring(L"CASCADE");
    if (code == L"2")
        return std::wstring(L"SET NULL");
    if (code == L"4")
        return std::wstring(L"SET DEFAULT");
    return std::wstring(L"NO ACTION");
}

rows primary_key_rows(SQLHDBC dbc, const std::wstring& source, const schema_restrictions& r)
{
    if (!restriction(r, 2))
        throw db_error(source, {{L"HY009", 0, L"The primary-key schema rowset needs a table name."}});
    handle stmt(SQL_HANDLE_STMT, dbc);
    argument cat(restriction(r, 0)), schem(restriction(r, 1)), table(restriction(r, 2));
    check(SQLPrimaryKeysW(stmt.get(), cat.data(), cat.length(), schem.data(), schem.length(), table.data(),
                          table.length()),
          stmt, source);
    return read_rows(std::move(stmt), source, 6);
}

rows tables(SQLHDBC dbc, const std::wstring& source, const schema_restrictions& r)
{
    handle stmt(SQL_HANDLE_STMT, dbc);
    argument cat(restriction(r, 0)), schem(as_pattern(dbc, restriction(r, 1))),
        name(as_pattern(dbc, restriction(r, 2))), type(restriction(r, 3));
    check(SQLTablesW(stmt.get(), cat.data(), cat.length(), schem.data(), schem.length(), name.data(), name.length(),
                     type.data(), type.length()),
          stmt, source);
    rows out;
    for (auto& in : read_rows(std::move(stmt), source, 5))
        out.push_back({in[0], in[1], in[2], in[3], {}, in[4], {}, {}, {}});
    return out;
}

rows primary_keys(SQLHDBC dbc, const std::wstring& source, const schema_restrictions& r)
{
    rows out;
    for (auto& in : primary_key_rows(dbc, source, r))
        out.push_back({in[0], in[1], in[2], in[3], {}, {}, in[4], in[5]});
    return out;
}

rows indexes(SQLHDBC dbc, const std::wstring& source, const schema_restrictions& r)
{
    const std::optional<std::wstring> index_name = restriction(r, 2);
    const schema_restrictions table_restrictions{restriction(r, 0), restriction(r, 1), restriction(r, 4)};
    std::wstring pk_name;
    if (restriction(r, 4))
        for (auto& pk : primary_key_rows(dbc, source, table_restrictions))
            pk_name = text_of(pk[5]);

    handle stmt(SQL_HANDLE_STMT, dbc);
    argument cat(restriction(r, 0)), schem(restriction(r, 1)), table(restriction(r, 4));
    check(SQLStatisticsW(stmt.get(), cat.data(), cat.length(), schem.data(), schem.length(), table.data(),
                         table.length(), SQL_INDEX_ALL, SQL_QUICK),
          stmt, source);
    rows out;
    for (auto& in : read_rows(std::move(stmt), source, 13)) {
        const std::wstring& name = text_of(in[5]);
        if (text_of(in[6]) == L"0" || is_null(in[5]) || (index_name && *index_name != name))
            continue;  // table statistics, or another index
        const std::wstring& order = text_of(in[9]);
        const db_value collation = order.empty() ? db_value{} : db_value{std::wstring(order == L"D" ? L"2" : L"1")};
        out.push_back({in[0],
                       in[1],
                       in[2],
                       in[0],
                       in[1],
                       in[5],
                       flag(!pk_name.empty() && name == pk_name),
                       flag(text_of(in[3]) == L"0"),
                       flag(text_of(in[6]) == L"1"),
                       std::wstring(L"1"),
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       in[7],
                       in[8],
                       {},
                       {},
                       collation,
                       in[10],
                       in[11],
                       in[12],
                       {}});
    }
    return out;
}

rows foreign_keys(SQLHDBC dbc, const std::wstring& source, const schema_restrictions& r)
{
    handle stmt(SQL_HANDLE_STMT, dbc);
    argument pk_cat(restriction(r, 0)), pk_schem(restriction(r, 1)), pk_table(restriction(r, 2)),
        fk_cat(restriction(r, 3)), fk_schem(restriction(r, 4)), fk_table(restriction(r, 5));
    check(SQLForeignKeysW(stmt.get(), pk_cat.data(), pk_cat.length(), pk_schem.data(), pk_schem.length(),
                          pk_table.data(), pk_table.length(), fk_cat.data(), fk_cat.length(), fk_schem.data(),
                          fk_schem.length(), fk_table.data(), fk_table.length()),
          stmt, source);
    rows out;
    for (auto& in : read_rows(std::move(stmt), source, 14))
        out.push_back({in[0],
                       in[1],
                       in[2],
                       in[3],
                       {},
                       {},
                       in[4],
                       in[5],
                       in[6],
                       in[7],
                       {},
                       {},
                       in[8],
                       rule_text(in[9]),
                       rule_text(in[10]),
                       in[12],
                       in[11],
                       in[13]});
    return out;
}

}  // namespace

std::unique_ptr<db_result> open_schema_rowset(SQLHDBC dbc, const std::wstring& source, schema_kind kind,
                                              const schema_restrictions& restrictions)
{
    rows found;
    switch (kind) {
    case schema_kind::tables: found = tables(dbc, source, restrictions); break;
    case schema_kind::primary_keys: found = primary_keys(dbc, source, restrictions); break;
    case schema_kind::indexes: found = indexes(dbc, source, restrictions); break;
    case schema_kind::foreign_keys: found = foreign_keys(dbc, source, restrictions); break;
    }
    return std::make_unique<memory_result>(schema_columns(kind), std::move(found));
}

}  // namespace oledb::odbc
