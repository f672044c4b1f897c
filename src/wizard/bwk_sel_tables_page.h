// Step 4: the source tables to convert and the user's queries. Next (and
// Back, so that the choice stays when the page shows again) hands
// the chosen tables, the chosen queries and the queries not chosen to the
// converter, and skips the views page when there are no views to convert.
#pragma once

#include "wizard/sel_tables_page_tm.h"

class convertor_front_end;

class bwk_sel_tables_page final
    : public sel_tables_page_tm<convertor_front_end, gui::help_query, gui::help_column_types> {
public:
    bwk_sel_tables_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;
    void select_items(const name_pairs& pairs) override;

private:
    void store_selection();
};
