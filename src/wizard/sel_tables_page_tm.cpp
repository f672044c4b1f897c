#include "wizard/sel_tables_page_tm.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/types_map_dlg.h"

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_tm<T_CONVERTER, QUERY_HELP, TYPES_HELP>::edit_table_types(const std::wstring& table)
{
    tk_log(1, L"sel_tables_page_tm::edit_table_types(%ls)", table.c_str());
    edit_column_types(table);
}

template class sel_tables_page_tm<convertor_front_end, gui::help_query, gui::help_column_types>;
