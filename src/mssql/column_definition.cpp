#include "mssql/column_definition.h"

#include "model/column_descriptor.h"
#include "model/database.h"
#include "model/index.h"
#include "mssql/collations.h"
#include "mssql/column_subtypes.h"
#include "mssql/default_expressions.h"
#include "mssql/quoting.h"
#include "mssql/type_mapping.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "variant/ole_date.h"

#include <initializer_list>

namespace {

constexpr std::uint32_t subtype_guid = 1;
constexpr std::uint32_t subtype_default_timestamp = 9;
constexpr std::uint32_t subtype_default_date = 10;
constexpr std::uint32_t subtype_default_time = 11;

bool equals_one_of(const std::wstring& text, std::initializer_list<const wchar_t*> words)
{
    for (const wchar_t* word : words)
        if (platform::equal_ignoring_case(text, word))
            return true;
    return false;
}

// A plain decimal number: sign, digits, an optional fraction and exponent.
bool is_number_literal(const std::wstring& text)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9')
            ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    std::size_t count = digits();
    if (i < text.size() && text[i] == L'.') {
        ++i;
        count += digits();
    }
    if (count == 0)
        return false;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

// MySQL's zero date as the default of a date column is the base date that
// its zero-date values are written as; empty for any other text.
std::wstring base_date_default(const t_ftd& column, const std::wstring& text)
{
    const std::uint32_t kind = column.dw_reserved & 3;
    if (kind == odb_subtype_pure_time)
        return {};
    std::wstring time_of_day;
    if (text.starts_with(L"0000-00-00"))
        time_of_day = text.substr(10);
    else if (text.empty() || text.find_first_not_of(L'0') != std::wstring::npos)
        return {};
    if (kind == odb_subtype_pure_date || time_of_day.empty())
        return kind == odb_subtype_pure_date ? L"1899-12-30" : L"1899-12-30 00:00:00";
    return L"1899-12-30" + time_of_day;
}

std::wstring quoted(const std::wstring& text)
{
    return L"'" + mss_escape_literal(text) + L"'";
}

// A default that T-SQL cannot take, such as an expression of the source
// server without a counterpart, is left out, logged and counted.
std::wstring lost_default(udb_database& destination, const std::wstring& table, const t_ftd& column,
                          const std::wstring& text)
{
    destination.object_failed(table, L"the default '" + text + L"' of column '" + column.name + L"'",
                              "MS SQL Server cannot take it; the column is made without it");
    return {};
}

std::wstring default_clause(udb_database& destination, const std::wstring& table, const t_ftd& column,
                            bool unicode_text)
{
    if (column.vartype == VT_DATE && column.dw_reserved == subtype_default_timestamp)
        return L" DEFAULT CURRENT_TIMESTAMP";
    if (column.vartype == VT_DATE && column.dw_reserved == subtype_default_date)
        return L" DEFAULT getdate()";
    if (column.vartype == VT_DATE && column.dw_reserved == subtype_default_time)
        return L" DEFAULT CAST(GETDATE() AS TIME)";
    std::wstring text = column.default_value.to_wstring();
    tk_log(2, L"Got safe default value: %ls", text.c_str());
    if (column.default_form == udb_default_form::expression) {
        const std::optional<std::wstring> expression =
            mss_default_expression(text, column.vartype, unicode_text && column.vartype == VT_BSTR);
        return expression ? L" DEFAULT " + *expression : lost_default(destination, table, column, text);
    }
    if (column.vartype == VT_DATE && column.default_value.get_type() == VT_BSTR)
        if (const std::wstring base_date = base_date_default(column, text); !base_date.empty())
            text = base_date;
    if (udb_is_binary_type(column.default_value.get_type()))
        return L" DEFAULT " + (text.empty() ? std::wstring(L"0x") : text);
    if (text.empty()) {
        const bool declared = column.default_form == udb_default_form::literal && column.vartype == VT_BSTR;
        return declared ? L" DEFAULT " + mss_text_literal(text, unicode_text) : std::wstring();
    }
    if (column.vartype == VT_BSTR && column.dw_reserved == subtype_guid &&
        equals_one_of(text, {L"newid()", L"uuid_generate_v4()"}))
        return L" DEFAULT newid()";
    if (column.vartype == VT_DATE) {
        if (equals_one_of(text, {L"now()"}))
            return L" DEFAULT getdate()";
        if (equals_one_of(text, {L"getdate()", L"CURRENT_TIMESTAMP", L"getutcdate()"})) {
            tk_log(2, "Special processing for now/get...date()");
            return L" DEFAULT " + text;
        }
        if (column.default_value.get_type() == VT_BSTR && !ole_date(text).is_valid())
            return lost_default(destination, table, column, text);
    }
    // Anything but a plain number is written as a literal, so that no default
    // text can end the statement.
    const bool bare = column.vartype != VT_DATE && column.vartype != VT_BSTR && is_number_literal(text);
    if (bare)
        return L" DEFAULT " + text;
    // A text that takes joined literals (a zero character, a line that a
    // client reads as a command) is one expression, in parentheses.
    const bool unicode = unicode_text && column.vartype == VT_BSTR;
    const std::wstring literal = mss_text_literal(text, unicode);
    const bool joined = literal != (unicode ? L"N" : L"") + quoted(text);
    return L" DEFAULT " + (joined ? L"(" + literal + L")" : literal);
}

}  // namespace

std::wstring mss_column_definition(udb_database& destination, const std::wstring& table, const t_ftd& column,
                                   const udb_indexes& indexes, bool unicode_text)
{
    const std::wstring type = mss_get_native_type(column);
    std::wstring definition = mss_quote_name(column.name) + L" " + type;
    if (const std::wstring collation = mss_collation(column); !collation.empty())
        definition += (type.ends_with(L' ') ? L"COLLATE " : L" COLLATE ") + collation;
    if (column.b_not_null || column.identity) {
        definition += L" NOT NULL";
    } else {
        tk_log(1, L"udb_indexes::is_idx_field(%ls)", column.name.c_str());
        if (indexes.is_idx_field(column.name, true))
            definition += L" NOT NULL";
    }
    return definition + default_clause(destination, table, column, unicode_text);
}
