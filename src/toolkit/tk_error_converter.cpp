#include "toolkit/tk_error_converter.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

tk_error_converter::tk_error_converter(std::uint32_t row_count, const tk_error_map_row* rows)
{
    tk_log(2, "tk_error_converter::ctor (map size=%d)", static_cast<int>(row_count));
    load_map(row_count, rows);
}

void tk_error_converter::load_map(std::uint32_t row_count, const tk_error_map_row* rows)
{
    tk_log(2, "tk_error_converter::load_map (map size=%d)", static_cast<int>(row_count));
    if (!rows)
        throw tk_mail_assertion("tk_errco", 43);
    for (std::uint32_t i = 0; i < row_count; ++i)
        m_texts.emplace(rows[i].code, rows[i].text ? rows[i].text : "");
}

std::string tk_error_converter::convert(std::uint32_t code) const
{
    tk_log(2, "tk_error_converter::convert(%d)", static_cast<int>(code));
    const auto found = m_texts.find(code);
    if (found == m_texts.end()) {
        tk_log(1, "Error message not found!");
        return std::string();
    }
    tk_log(1, "Error message has been found: %s", found->second.c_str());
    return found->second;
}
