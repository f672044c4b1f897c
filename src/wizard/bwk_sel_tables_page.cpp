#include "wizard/bwk_sel_tables_page.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <QListWidget>

bwk_sel_tables_page::bwk_sel_tables_page()
    : sel_tables_page_tm(false, L"There are no tables selected. Continue anyway?", L"Step 4 of 6",
                         L"Select tables to convert")
{}

int bwk_sel_tables_page::page_init()
{
    set_texts(L"Select MySQL tables to convert into MS SQL format. Double click on an item in\r\n'Selected tables' "
              L"list to edit it.",
              L"&Available tables:", L"&Selected tables:");
    convertor_front_end& converter = convertor_front_end::ref();
    converter.get_all_tables(m_names);
    m_selected_queries.clear();
    m_available_queries.clear();
    do_page_init();
    show_ctrl(add_query_button, true);
    // The tables chosen before, also those a Next of this page already
    // handed over, and the chosen queries.
    name_pairs chosen = converter.selected;
    for (const std::wstring& table : converter.table_names)
        chosen.emplace_back(table, std::wstring());
    select_items(chosen);
    m_available_queries = converter.available_queries;
    for (const auto& [name, query] : m_available_queries) {
        if (!query.empty() && !holds(available(), name))
            add_sorted(available(), name);
    }
    return 1;
}

void bwk_sel_tables_page::select_items(const name_pairs& pairs)
{
    for (const auto& pair : pairs) {
        if (!pair.second.empty() && is_listed(pair.first)) {
            // Taken as the table of that name, the query would be converted
            // in silence as the wrong object.
            wizard_shell::error(L"The query '" + pair.first +
                                L"' has the name of a source table and is left out. Add it again under another name.");
            continue;
        }
        if (!pair.second.empty()) {
            add_sorted(selected(), pair.first);
            m_selected_queries.push_back(pair);
            continue;
        }
        tk_log(1, L"Processing '%ls'", pair.first.c_str());
        if (const int row = find_in_available(pair.first); row >= 0)
            move_to_selected(row);
    }
}

void bwk_sel_tables_page::on_help()
{
    wizard_shell::display_help(gui::help_tables);
}

int bwk_sel_tables_page::on_next()
{
    if (!collect_selection())
        return gui::stay_on_page;
    store_selection();
    convertor_front_end& converter = convertor_front_end::ref();
    if (!converter.convert_views)
        return gui::page_progress;
    name_pairs views;
    converter.get_all_views(views);
    return views.empty() ? gui::page_progress : gui::neighbour_page;
}

// What was chosen is kept for when the page shows again.
int bwk_sel_tables_page::on_back()
{
    collect_selection(false);
    store_selection();
    return gui::neighbour_page;
}

void bwk_sel_tables_page::store_selection()
{
    convertor_front_end& converter = convertor_front_end::ref();
    converter.table_names = m_names;
    converter.selected = m_selected_queries;
    converter.available_queries = m_available_queries;
}
