#include "mssql/default_expressions.h"

#include "model/column_descriptor.h"
#include "mssql/quoting.h"
#include "platform/compare_string.h"
#include "toolkit/tk_string_utils.h"

#include <string_view>

namespace {

struct known_function {
    const wchar_t* name;
    const wchar_t* tsql;
    bool for_text;
    bool for_numbers;
};

// MariaDB writes current_timestamp(), MySQL CURRENT_TIMESTAMP; both may
// carry a precision in the parentheses.
const known_function functions[] = {
    {L"uuid", L"NEWID()", true, false},
    {L"rand", L"RAND()", true, true},
    {L"current_timestamp", L"GETDATE()", true, false},
    {L"now", L"GETDATE()", true, false},
    {L"localtimestamp", L"GETDATE()", true, false},
    {L"localtime", L"GETDATE()", true, false},
    {L"sysdate", L"GETDATE()", true, false},
    {L"utc_timestamp", L"GETUTCDATE()", true, false},
    {L"curdate", L"CAST(GETDATE() AS DATE)", true, false},
    {L"current_date", L"CAST(GETDATE() AS DATE)", true, false},
    {L"curtime", L"CAST(GETDATE() AS TIME)", true, false},
    {L"current_time", L"CAST(GETDATE() AS TIME)", true, false},
};

// The text without parentheses that enclose all of it.
std::wstring unwrapped(std::wstring text)
{
    text = tk_trim(text);
    while (text.size() >= 2 && text.front() == L'(' && text.back() == L')') {
        int depth = 0;
        bool whole = true;
        for (std::size_t i = 0; i + 1 < text.size(); ++i) {
            depth += text[i] == L'(' ? 1 : text[i] == L')' ? -1 : 0;
            if (depth == 0) {
                whole = false;
                break;
            }
        }
        if (!whole)
            break;
        text = tk_trim(text.substr(1, text.size() - 2));
    }
    return text;
}

// name() or name(6), and a bare name, as one call of a known function.
const known_function* function_call(const std::wstring& text)
{
    const std::size_t open = text.find(L'(');
    const std::wstring name = tk_trim(text.substr(0, open));
    if (open != std::wstring::npos) {
        if (text.back() != L')' || text.find_first_not_of(L"0123456789 ", open + 1) != text.size() - 1)
            return nullptr;
    }
    for (const known_function& function : functions)
        if (platform::equal_ignoring_case(name, function.name))
            return &function;
    return nullptr;
}

// Numbers joined by arithmetic operators, in parentheses or not.
bool is_arithmetic(const std::wstring& text)
{
    bool digit = false;
    for (const wchar_t c : text) {
        if (c >= L'0' && c <= L'9')
            digit = true;
        else if (std::wstring_view(L" .+-*/%()eE").find(c) == std::wstring_view::npos)
            return false;
    }
    return digit;
}

// One text literal in single quotes, as the source server writes it.
std::optional<std::wstring> text_literal_value(const std::wstring& text)
{
    if (text.size() < 2 || text.front() != L'\'' || text.back() != L'\'')
        return std::nullopt;
    std::wstring value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\'') {
            if (i + 2 >= text.size() || text[i + 1] != L'\'')
                return std::nullopt;  // two literals or more
            ++i;
        } else if (c == L'\\' && i + 2 < text.size()) {
            c = text[++i];
            c = c == L'n' ? L'\n' : c == L't' ? L'\t' : c == L'r' ? L'\r' : c == L'0' ? L'\0' : c;
        }
        value += c;
    }
    return value;
}

}  // namespace

std::optional<std::wstring> mss_default_expression(const std::wstring& expression, VARTYPE vartype, bool unicode_text)
{
    const bool text = vartype == VT_BSTR;
    const bool number = vartype != VT_BOOL && (udb_is_number_type(vartype) || vartype == VT_R4 || vartype == VT_R8 ||
                                               vartype == VT_INT || vartype == VT_UINT);
    const std::wstring inner = unwrapped(expression);
    if (const known_function* function = function_call(inner)) {
        if ((text && function->for_text) || (number && function->for_numbers))
            return std::wstring(function->tsql);
        return std::nullopt;
    }
    if ((text || number) && is_arithmetic(inner))
        return L"(" + inner + L")";
    if (text) {
        if (const std::optional<std::wstring> value = text_literal_value(inner))
            return mss_text_literal(*value, unicode_text);
    }
    return std::nullopt;
}
