#include "mysql/sql_field_finder.h"

#include "model/name_compare.h"
#include "model/record.h"
#include "mysql/sql_engine.h"
#include "toolkit/tk_log.h"

sql_field_finder::sql_field_finder(const udb_record& record)
    : m_validator(sql_current_engine().create_fn_validator(record))
{
    initialize(record);
}

void sql_field_finder::initialize(const udb_record& record)
{
    for (const udb_field* field : record) {
        std::wstring name = field->name;
        if (!m_validator->is_acceptable(name)) {
            name = m_validator->get_safe_name(field->name);
            tk_log(1, L"GOT SAFE NAME: %ls->%ls", field->name.c_str(), name.c_str());
            m_validator->add_existing_name(name);
        }
        m_names.push_back(name);
        // A later field of the same name gets a safe name of its own.
        m_validator->restricted_words.push_back(name);
    }
}

std::int32_t sql_field_finder::get_field_idx(const std::wstring& column) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (udb_same_name(m_names[i], column))
            return static_cast<std::int32_t>(i);
    return -1;
}
