// The type-mapping rules as the column editor reads and writes them.
#include "converter/brantwick_convertor.h"
#include "toolkit/tk_log.h"

std::optional<table_rule> brantwick_convertor::get_table_rule(const std::wstring& table) const
{
    const mss_table_mutator* rule = get_table_mutator3(table);
    if (rule == nullptr)
        return std::nullopt;
    table_rule copy{rule->new_name, {}};
    for (const auto& [name, field] : rule->field_mutators)
        copy.columns.try_emplace(name, column_rule{field->new_name, field->type, field->status});
    return copy;
}

void brantwick_convertor::store_table_rule(const std::wstring& table, const std::wstring& new_name,
                                           const std::vector<std::wstring>& restored,
                                           const std::vector<std::pair<std::wstring, column_rule>>& columns)
{
    mss_table_mutator* rule = get_table_mutator2(table, new_name);
    for (const std::wstring& column : restored)
        rule->remove_field(column);
    for (const auto& [column, edit] : columns) {
        mss_field_mutator* field = rule->update_field(column, edit.new_name, edit.type);
        field->status = edit.status;
        tk_log(1, "fm->status=%d", static_cast<int>(field->status));
    }
}

mss_native_type brantwick_convertor::get_column_type(t_ftd& column)
{
    mss_native_type type;
    get_native_type_info(column, type);
    return type;
}
