// The real definitions of a table's columns as the server keeps them:
// defaults, identity, fixed-width text and dates with a time-zone offset.
#include "model/name_compare.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "variant/ole_date.h"

#include <memory>

namespace {

constexpr std::uint32_t subtype_fixed_char = 4;
constexpr std::uint32_t subtype_flag_16 = 16;  // empty-text default, or a time-zone offset

bool enclosed(const std::wstring& text, wchar_t open, wchar_t close)
{
    return text.size() >= 2 && text.front() == open && text.back() == close;
}

std::wstring inner(const std::wstring& text)
{
    return text.substr(1, text.size() - 2);
}

// The text of a T-SQL string literal: '' stands for one apostrophe.
std::wstring unescaped(const std::wstring& text)
{
    tk_wstring value(text);
    value.replace_all(L"''", L"'");
    return value;
}

bool is_one_of(const std::wstring& text, std::initializer_list<const wchar_t*> words)
{
    for (const wchar_t* word : words)
        if (udb_same_name(text, word))
            return true;
    return false;
}

ole_variant date_default(std::wstring text)
{
    tk_log(2, "f_type == VT_DATE");
    if (enclosed(text, L'(', L')'))
        text = inner(text);
    if (is_one_of(text, {L"now()"}))
        text = L"getdate()";
    if (is_one_of(text, {L"getdate()", L"getutcdate()", L"sysdatetimeoffset()"})) {
        tk_log(2, "Special processing for now/get...date()");
        return ole_variant(text);
    }
    const ole_date date(text);
    return date.is_valid() ? ole_variant(date) : ole_variant();
}

std::uint32_t function_subtype(std::uint32_t subtype)
{
    switch (subtype) {
    case 1: return 9;
    case 2: return 10;
    case 3: return 11;
    default: return subtype;
    }
}

}  // namespace

void mss_table::init_schema()
{
    tk_log(2, "mss_table::init_schema");
    tk_log(2, "mss_table::split_tab_name");
    std::wstring table_name;
    std::wstring owner_name;
    mss_split_tab_name(table, table_name, owner_name);
    std::wstring statement =
        L"SELECT SC.name, t.name as type_name, SD.definition, SC.precision, SC.scale, SC.is_nullable, "
        L"SC.is_identity FROM sys.tables ST INNER JOIN sys.columns SC ON ST.object_id = SC.object_id INNER JOIN "
        L"sys.types t ON t.user_type_id = SC.user_type_id LEFT JOIN sys.default_constraints SD ON ST.object_id = "
        L"SD.parent_object_id AND SC.column_id = SD.parent_column_id WHERE ST.name=" +
        mss_unicode_literal(table_name);
    if (!owner_name.empty())
        statement += L" and SCHEMA_NAME(ST.schema_id)=" + mss_unicode_literal(owner_name);
    tk_log(2, L"query=%ls", statement.c_str());
    if (schema.empty())
        return;
    const std::unique_ptr<udb_recordset> result(database->query(statement));
    std::size_t read = 0;
    result->reset();
    while (read < schema.size() && !result->is_eof()) {
        const udb_record& row = *result->get_item();
        const std::wstring name = mss_row_text(row, 0);
        tk_log(2, L"Got field name/type: %ls/%ls", name.c_str(), mss_row_text(row, 1).c_str());
        if (schema.find_field(name))
            apply_definition(*schema.get_field1(name), row);
        ++read;
        result->next();
    }
}

void mss_table::apply_definition(t_ftd& column, const udb_record& row)
{
    std::wstring definition = mss_row_text(row, 2);
    if (!definition.empty()) {
        tk_log(2, L"Got default string: %ls", definition.c_str());
        if (column.vartype == VT_BSTR && definition == L"('')") {
            tk_log(2, "Empty string def.value for VT_BSTR");
            column.dw_reserved |= subtype_flag_16;
        }
        if (is_one_of(definition, {L"(NULL)", L"NULL"})) {
            tk_log(2, "Got NULL def.value");
            column.default_value = ole_variant();
            return;
        }
        if (definition.front() == L'N') {
            tk_log(2, "Processing Unicode def.value(1)");
            definition.erase(0, 1);
        } else if (definition.size() > 3 && definition.compare(0, 2, L"(N") == 0) {
            tk_log(2, "Processing Unicode def.value(2)");
            definition = definition.substr(2, definition.size() - 3);
            tk_log(2, L"Got default string (2): %ls", definition.c_str());
        }
        const ole_variant value = get_def_value(column, definition);
        tk_log(2, L"Got [stored] default variant: %ls", value.to_wstring().c_str());
        if (column.vartype == VT_BSTR && column.size > 0 &&
            value.to_wstring().size() > static_cast<std::size_t>(column.size)) {
            tk_log(3, L"Def.value '%ls' is out of range", value.to_wstring().c_str());
            return;
        }
        column.default_value = value;
        if (column.vartype == VT_DATE && (value.get_type() == VT_BSTR || value.get_type() == VT_LPWSTR)) {
            tk_log(2, "Tuning for DATE/TIME functions as def.values");
            column.dw_reserved = function_subtype(column.dw_reserved);
        }
    }
    column.identity = mss_row_long(row, 6) != 0;
    const std::wstring type_name = mss_row_text(row, 1);
    if (udb_same_name(type_name, L"char")) {
        tk_log(2, "Got fixed width char");
        column.vartype = VT_BSTR;
        column.dw_reserved = subtype_fixed_char;
    } else if (udb_same_name(type_name, L"datetimeoffset")) {
        tk_log(2, "Got datetimeoffset");
        column.vartype = VT_DATE;
        column.dw_reserved |= subtype_flag_16;
    }
    tk_log(2, "ftd.b_auto_num=%d", column.identity ? 1 : 0);
    if (column.vartype == VT_DECIMAL) {
        column.precision = mss_row_long(row, 3);
        column.scale = mss_row_long(row, 4);
        tk_log(2, ">>(prec/scale)=%d/%d", column.precision, column.scale);
    }
    tk_log(2, ">>> reserved=%d", static_cast<int>(column.dw_reserved));
}

// A default as the server keeps it, such as ((0)), ('text') or (getdate()).
ole_variant mss_table::get_def_value(const t_ftd& column, const std::wstring& definition)
{
    tk_log(2, L"mss_table::get_def_value(type=0x%08X, src='%ls')", static_cast<unsigned>(column.vartype),
           definition.c_str());
    std::size_t parentheses = 0;
    while (parentheses < definition.size() && definition[parentheses] == L'(')
        ++parentheses;
    const std::size_t length =
        definition.size() >= 2 * parentheses ? definition.size() - 2 * parentheses : std::size_t{0};
    tk_log(1, "Before removing round brackets, pos0=%d, size=%d", static_cast<int>(parentheses),
           static_cast<int>(length));
    std::wstring text = definition.substr(std::min(parentheses, definition.size()), length);
    tk_log(1, L"mss_table::get_def_value - buf=[%ls]", text.c_str());
    const bool literal = enclosed(text, L'\'', L'\'');
    if (literal)
        text = inner(text);
    try {
        if (column.vartype == VT_DATE)
            return date_default(text);
        if (column.vartype == VT_BSTR) {
            tk_log(2, "f_type == VT_BSTR");
            tk_log(2, L"Got string def.value: [%ls]", text.c_str());
        }
        return ole_variant::from_wstring(literal ? unescaped(text) : text, column.vartype);
    } catch (const tk_exception& e) {
        tk_log(2, "Invalid default value: %s", e.what());
        return ole_variant();
    }
}
