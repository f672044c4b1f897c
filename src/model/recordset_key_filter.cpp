// The WHERE condition that updates and deletes by key use, built from an
// XML-tagged key text: one element per key column, <column>value</column>,
// with <, > and & in text values written as &lt;, &gt; and &amp;.
#include "model/recordset.h"
#include "model/schema.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

namespace {

// A text value of the key text with its escapes undone.
std::wstring unescaped(const std::wstring& text)
{
    tk_wstring value(text);
    value.replace_all(L"&lt;", L"<").replace_all(L"&gt;", L">").replace_all(L"&amp;", L"&");
    return value;
}

// A column name in square brackets, every "]" doubled: the T-SQL quoting of
// the statements the condition goes into, whatever QUOTED_IDENTIFIER says.
std::wstring bracketed(const std::wstring& name)
{
    tk_wstring quoted(name);
    quoted.replace_all(L"]", L"]]");
    return L"[" + quoted + L"]";
}

class filter_builder {
public:
    explicit filter_builder(const udb_recordset& recordset) : m_recordset(recordset), m_schema(recordset.schema) {}

    void take(wchar_t c)
    {
        if (c == L'<')
            open_tag();
        else if (c == L'>')
            close_tag();
        else if (m_lt == 1 && m_gt == 0)
            m_name += c;
        else if (m_lt == 1 && m_gt == 1)
            m_value += c;
    }

    const std::wstring& condition() const { return m_condition; }

private:
    void open_tag()
    {
        if (++m_lt == 2 && m_column != nullptr)
            m_condition += value_literal();
    }

    void close_tag()
    {
        if (++m_gt == 1) {
            start_column();
            return;
        }
        if (m_gt == 2) {
            m_lt = m_gt = 0;
            m_name.clear();
            m_value.clear();
            m_column = nullptr;
        }
    }

    void start_column()
    {
        if (!m_condition.empty())
            m_condition += L" and ";
        std::int32_t position = m_schema.get_field_idx(m_name);
        if (position < 0) {
            tk_log(2, L"Field %ls not found in the schema", m_name.c_str());
            throw tk_exception(udb_structure_mismatch, 0);
        }
        m_column = m_schema[position];
        m_condition += bracketed(m_column->name);
    }

    std::wstring value_literal() const
    {
        if (udb_is_number_type(m_column->vartype) || udb_is_binary_type(m_column->vartype))
            return L"=" + m_value;
        return L"=" + m_recordset.filter_text_literal(unescaped(m_value)) + L" ";
    }

    const udb_recordset& m_recordset;
    const udb_schema& m_schema;
    int m_lt = 0;
    int m_gt = 0;
    std::wstring m_name;
    std::wstring m_value;
    const t_ftd* m_column = nullptr;
    std::wstring m_condition;
};

}  // namespace

std::wstring udb_recordset::get_filter_subquery(const std::wstring& key)
{
    filter_builder builder(*this);
    for (wchar_t c : key)
        builder.take(c);
    return builder.condition();
}

std::wstring udb_recordset::filter_text_literal(const std::wstring& text) const
{
    tk_wstring value(text);
    value.replace_all(L"'", L"''");
    return L"'" + value + L"'";
}
