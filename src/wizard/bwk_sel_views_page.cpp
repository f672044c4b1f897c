#include "wizard/bwk_sel_views_page.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <algorithm>

bwk_sel_views_page::bwk_sel_views_page()
    : sel_tables_page(true, std::wstring(), L"Step 5 of 6", L"Select views to convert")
{}

int bwk_sel_views_page::page_init()
{
    set_texts(L"Select MySQL views to convert into MS SQL format. Use the up and down buttons to control the order "
              L"in which views are converted.",
              L"&Available views:", L"&Selected views:");
    convertor_front_end& converter = convertor_front_end::ref();
    converter.get_all_views(m_views);
    m_names.clear();
    for (const auto& view : m_views)
        m_names.push_back(view.first);
    do_page_init();
    select_items(converter.views);
    return 1;
}

void bwk_sel_views_page::on_help()
{
    wizard_shell::display_help(gui::help_views);
}

int bwk_sel_views_page::on_next()
{
    tk_log(1, "bwk_sel_views_page::on_next");
    if (!collect_selection())
        return gui::stay_on_page;
    store_selection();
    return gui::neighbour_page;
}

// What was chosen and its order are kept for when the page shows again.
int bwk_sel_views_page::on_back()
{
    collect_selection(false);
    store_selection();
    return gui::neighbour_page;
}

void bwk_sel_views_page::store_selection()
{
    name_pairs chosen;
    for (const std::wstring& name : m_names) {
        const auto found = std::ranges::find_if(m_views, [&](const auto& view) { return view.first == name; });
        if (found == m_views.end())
            continue;
        tk_log(1, L"Found view: '%ls'", name.c_str());
        chosen.push_back(*found);
    }
    convertor_front_end::ref().views = std::move(chosen);
}
