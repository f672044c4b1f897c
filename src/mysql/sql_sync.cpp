#include "mysql/sql_sync.h"

#include "model/database.h"
#include "model/recordset.h"
#include "mysql/client_handles.h"
#include "mysql/sql_literals.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <memory>

namespace {

bool is_numeric(VARTYPE type)
{
    return (type >= VT_I2 && type <= VT_CY) || type == VT_BOOL || type == VT_DECIMAL ||
           (type >= VT_I1 && type <= VT_UI8);
}

bool is_binary(VARTYPE type)
{
    return type == VT_BLOB || type == VT_BLOB_OBJECT || type == ole_vt_bytes;
}

std::wstring comparison(const udb_schema& schema, const std::wstring& column, const std::wstring& value)
{
    const VARTYPE type = schema.find_field(column) ? schema.get_field_type(column) : VARTYPE(VT_BSTR);
    if ((is_numeric(type) && sql_is_number(value)) || (is_binary(type) && sql_is_binary_number(value))) {
        tk_log(1, "No quotes for numeric or binary");
        return L"=" + value;
    }
    tk_wstring text(value);
    text.replace_all(L"&lt;", L"<").replace_all(L"&gt;", L">").replace_all(L"&amp;", L"&");
    return L"='" + sql_mask(text) + L"' ";
}

}  // namespace

sql_sync::sql_sync(udb_database* database) : m_database(database)
{
    tk_log(2, "sql_sync::ctor");
}

std::wstring sql_sync::get_filter_subquery(const std::wstring& table, const std::wstring& key)
{
    tk_log(1, L"sql_sync::get_filter_subquery(%ls,%ls)", table.c_str(), key.c_str());
    std::unique_ptr<udb_recordset> recordset(m_database->get_table(table, 0));
    const udb_schema& schema = recordset->schema;
    int opens = 0;
    int closes = 0;
    std::wstring tag;
    std::wstring value;
    std::wstring result;
    for (std::size_t at = 0; at < key.size(); ++at) {
        const wchar_t c = key[at];
        if (c == L'<') {
            tk_log(1, "Open XML-tag at pos=%d", static_cast<int>(at));
            if (++opens == 2) {
                result += comparison(schema, tag, value);
                tag.clear();
                value.clear();
                opens = 0;
            }
        } else if (c == L'>') {
            tk_log(1, "Close XML-tag at pos=%d", static_cast<int>(at));
            if (closes == 0) {
                if (!result.empty())
                    result += L" and ";
                result += sql_quote_name(tag);
                closes = 1;
            } else {
                closes = 0;
            }
        } else if (opens == 1 && closes == 0) {
            tag += c;
        } else if (opens == 1 && closes == 1) {
            value += c;
        }
    }
    return result;
}
