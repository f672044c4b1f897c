// The two-list page with the user's queries: Add Query puts a named SELECT
// into the selected list, a double click edits it, and a query moved to the
// available list stays known and comes back when chosen again.
#pragma once

#include "wizard/sel_tables_page.h"

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
class sel_tables_page_ex : public sel_tables_page {
public:
    using sel_tables_page::sel_tables_page;

    void on_command(int id, int notification) override;

    bool is_query(const std::wstring& name) const override;
    void do_add_query(const std::wstring& name) override;
    void do_remove_query(const std::wstring& name) override;
    // The column types of a source table.
    virtual void edit_table_types(const std::wstring& /*table*/) {}

protected:
    void on_add_query();
    void on_edit_query();
    // Whether a query may take that name: no source table, listed item or
    // known query has it, ignoring case. An edited query keeps its own name.
    bool is_free_name(const std::wstring& name, const std::wstring& own_name = {}) const;

    // Queries in the selected list, and those known but not chosen.
    name_pairs m_selected_queries;
    name_pairs m_available_queries;
};

class convertor_front_end;
extern template class sel_tables_page_ex<convertor_front_end, gui::help_query, gui::help_column_types>;
