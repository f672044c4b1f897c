// The tables page's double click on a chosen table: the column type editor
// of that table.
#pragma once

#include "wizard/sel_tables_page_ex.h"

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
class sel_tables_page_tm : public sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP> {
public:
    using sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::sel_tables_page_ex;

    void edit_table_types(const std::wstring& table) override;
};

class convertor_front_end;
extern template class sel_tables_page_tm<convertor_front_end, gui::help_query, gui::help_column_types>;
