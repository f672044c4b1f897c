#include "mysql/sql_view_converter.h"

#include "model/name_compare.h"
#include "model/names_map.h"
#include "mysql/client_handles.h"
#include "toolkit/tk_log.h"

#include <array>
#include <cwctype>
#include <utility>

namespace {

bool is_word_char(wchar_t c)
{
    return std::iswalnum(static_cast<wint_t>(c)) != 0 || c == L'_' || c == L'$' || c == L'@' || c == L'#' || c > 0x7F;
}

bool is_blank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// MS SQL date parts and the TIMESTAMPDIFF units that count the same.
const wchar_t* timestampdiff_unit(const std::wstring& part)
{
    static const std::array<std::pair<const wchar_t*, const wchar_t*>, 24> units = {
        {{L"year", L"YEAR"},     {L"yy", L"YEAR"},       {L"yyyy", L"YEAR"},   {L"quarter", L"QUARTER"},
         {L"qq", L"QUARTER"},    {L"q", L"QUARTER"},     {L"month", L"MONTH"}, {L"mm", L"MONTH"},
         {L"m", L"MONTH"},       {L"dayofyear", L"DAY"}, {L"dy", L"DAY"},      {L"y", L"DAY"},
         {L"day", L"DAY"},       {L"dd", L"DAY"},        {L"d", L"DAY"},       {L"week", L"WEEK"},
         {L"wk", L"WEEK"},       {L"ww", L"WEEK"},       {L"hour", L"HOUR"},   {L"hh", L"HOUR"},
         {L"minute", L"MINUTE"}, {L"mi", L"MINUTE"},     {L"n", L"MINUTE"},    {L"second", L"SECOND"}}};
    static const std::array<std::pair<const wchar_t*, const wchar_t*>, 4> small_units = {
        {{L"ss", L"SECOND"}, {L"s", L"SECOND"}, {L"microsecond", L"MICROSECOND"}, {L"mcs", L"MICROSECOND"}}};
    for (const auto& [name, unit] : units)
        if (udb_same_name(part, name))
            return unit;
    for (const auto& [name, unit] : small_units)
        if (udb_same_name(part, name))
            return unit;
    return nullptr;
}

class view_rewriter {
public:
    view_rewriter(const std::wstring& text, const udb_names_map& names) : m_text(text), m_names(names) {}

    std::wstring run()
    {
        while (m_at < m_text.size()) {
            wchar_t c = m_text[m_at];
            if (c == L'\'')
                copy_literal();
            else if (c == L'"')
                copy_until(L'"');
            else if (c == L'[')
                identifier(L']');
            else if (c == L'`')
                identifier(L'`');
            else if (is_word_char(c))
                word();
            else
                m_out += m_text[m_at++];
        }
        return m_out;
    }

private:
    // MySQL reads a backslash in a literal as an escape; MS SQL does not.
    void copy_literal()
    {
        m_out += m_text[m_at++];
        while (m_at < m_text.size()) {
            wchar_t c = m_text[m_at++];
            if (c == L'\\')
                m_out += L'\\';
            m_out += c;
            if (c != L'\'')
                continue;
            if (m_at < m_text.size() && m_text[m_at] == L'\'')
                m_out += m_text[m_at++];
            else
                return;
        }
    }

    void copy_until(wchar_t close)
    {
        m_out += m_text[m_at++];
        while (m_at < m_text.size()) {
            wchar_t c = m_text[m_at++];
            m_out += c;
            if (c == close)
                return;
        }
    }

    void identifier(wchar_t close)
    {
        std::wstring name;
        std::size_t at = m_at + 1;
        for (; at < m_text.size(); ++at) {
            if (m_text[at] != close) {
                name += m_text[at];
            } else if (at + 1 < m_text.size() && m_text[at + 1] == close) {
                name += close;
                ++at;
            } else {
                break;
            }
        }
        m_at = at < m_text.size() ? at + 1 : at;
        put_name(name);
    }

    void put_name(const std::wstring& name)
    {
        // MySQL would read the owner as a database.
        if (udb_same_name(name, L"dbo") && m_at < m_text.size() && m_text[m_at] == L'.') {
            ++m_at;
            return;
        }
        m_out += sql_quote_name(mapped(name));
    }

    std::wstring mapped(const std::wstring& name) const
    {
        for (const auto& [source, destination] : m_names.tables)
            if (udb_same_name(source, name))
                return destination;
        for (const auto& [table, fields] : m_names.fields)
            for (const auto& [source, destination] : fields)
                if (udb_same_name(source, name))
                    return destination;
        return name;
    }

    bool is_mapped(const std::wstring& name) const { return mapped(name) != name; }

    // The position of the "(" that follows the word, npos when none does.
    std::size_t call_parenthesis(std::size_t end) const
    {
        while (end < m_text.size() && m_text[end] == L' ')
            ++end;
        return end < m_text.size() && m_text[end] == L'(' ? end : std::wstring::npos;
    }

    void word()
    {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && is_word_char(m_text[m_at]))
            ++m_at;
        const std::wstring name = m_text.substr(start, m_at - start);
        const std::size_t parenthesis = call_parenthesis(m_at);
        const bool call = parenthesis != std::wstring::npos;
        if (call && udb_same_name(name, L"isnull") && sql_view_converter::check_isnull_for_replace(m_text, start))
            m_out += L"ifnull";
        else if (call && udb_same_name(name, L"dateadd") && sql_view_converter::check_isnull_for_replace(m_text, start))
            m_out += L"date_add";
        else if (call && udb_same_name(name, L"replicate") &&
                 sql_view_converter::check_isnull_for_replace(m_text, start))
            m_out += L"repeat";
        else if (udb_same_name(name, L"getdate"))
            m_out += L"now";
        else if (call && udb_same_name(name, L"len"))
            m_out += L"char_length";
        else if (call && udb_same_name(name, L"datediff"))
            datediff(name, parenthesis);
        else if (udb_same_name(name, L"dbo") || is_mapped(name))
            put_name(name);
        else
            m_out += name;
    }

    // DATEDIFF(part, a, b) counts b - a in the part's units, as TIMESTAMPDIFF does.
    void datediff(const std::wstring& name, std::size_t parenthesis)
    {
        std::size_t comma = m_text.find(L',', parenthesis);
        std::wstring part =
            comma == std::wstring::npos ? std::wstring() : m_text.substr(parenthesis + 1, comma - parenthesis - 1);
        while (!part.empty() && is_blank(part.front()))
            part.erase(part.begin());
        while (!part.empty() && is_blank(part.back()))
            part.pop_back();
        const wchar_t* unit = timestampdiff_unit(part);
        if (unit == nullptr) {
            m_out += name;
            return;
        }
        tk_log(1, "Erase at pos=%d, len=%d", static_cast<int>(parenthesis + 1), static_cast<int>(comma - parenthesis));
        m_out += L"timestampdiff(";
        m_out += unit;
        m_at = comma;
    }

    const std::wstring& m_text;
    const udb_names_map& m_names;
    std::size_t m_at = 0;
    std::wstring m_out;
};

}  // namespace

bool sql_view_converter::check_isnull_for_replace(const std::wstring& text, std::size_t position)
{
    tk_log(1, L"sql_view_converter::check_isnull_for_replace(%ls,%d)", text.c_str(), static_cast<int>(position));
    if (position == std::wstring::npos || position >= text.size() || position + 6 >= text.size())
        return false;
    int depth = 0;
    int commas = 0;
    for (std::size_t at = position + 6; at < text.size(); ++at) {
        if (text[at] == L'(') {
            ++depth;
        } else if (text[at] == L',') {
            ++commas;
        } else if (text[at] == L')') {
            if (depth == 1)
                break;
            --depth;
        }
    }
    return commas == 1;
}

std::wstring sql_view_converter::normalize_spaces(const std::wstring& text)
{
    std::wstring result;
    bool in_single = false;
    bool in_double = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        wchar_t c = text[at];
        if (c == L'\'' && !in_double)
            in_single = !in_single;
        else if (c == L'"' && !in_single)
            in_double = !in_double;
        if (!in_single && !in_double && is_blank(c)) {
            while (at + 1 < text.size() && is_blank(text[at + 1]))
                ++at;
            result += L' ';
            continue;
        }
        result += c;
    }
    return result;
}

std::wstring sql_view_converter::convert(const std::wstring& text, const udb_names_map& names)
{
    return view_rewriter(text, names).run();
}
