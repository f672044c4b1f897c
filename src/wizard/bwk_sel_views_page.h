// Step 5: the source views to convert and the order in which they are
// created. Next and Back hand them, in that order, to the converter.
#pragma once

#include "wizard/sel_tables_page.h"

class bwk_sel_views_page final : public sel_tables_page {
public:
    bwk_sel_views_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;

private:
    // Hands the chosen views, in the list's order, to the converter.
    void store_selection();

    // The source's views: name and definition.
    name_pairs m_views;
};
