// Step 5: the source views to convert and the order in which they are
// created. Next hands them, in that order, to the converter.
#pragma once

#include "wizard/sel_tables_page.h"

class bwk_sel_views_page final : public sel_tables_page {
public:
    bwk_sel_views_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;

private:
    // The source's views: name and definition.
    name_pairs m_views;
};
