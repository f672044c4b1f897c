#include "wizard/sel_tables_page_ex.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/gui_thread.h"
#include "wizard/set_query_dlg.h"
#include "wizard/wizard_shell.h"

#include <QListWidget>
#include <algorithm>

namespace {

constexpr const wchar_t* duplicate_name_text = L"Duplicate table name. Try again.";

auto named(const std::wstring& name)
{
    return [&name](const auto& pair) { return pair.first == name; };
}

}  // namespace

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::on_command(int id, int notification)
{
    if (id == add_query_button)
        on_add_query();
    else if (id == selected_list && notification == gui::double_clicked)
        gui::run_guarded([this] { on_edit_query(); });
    else
        sel_tables_page::on_command(id, notification);
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
bool sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::is_query(const std::wstring& name) const
{
    return std::ranges::any_of(m_selected_queries, named(name)) ||
           std::ranges::any_of(m_available_queries, named(name));
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::do_add_query(const std::wstring& name)
{
    tk_log(1, L"sel_tables_page_ex::do_add_query(%ls)", name.c_str());
    if (std::ranges::any_of(m_selected_queries, named(name)))
        return;
    const auto found = std::ranges::find_if(m_available_queries, named(name));
    if (found == m_available_queries.end())
        return;
    tk_log(1, L"Adding pair: '%ls','%ls'", found->first.c_str(), found->second.c_str());
    m_selected_queries.push_back(*found);
    m_available_queries.erase(found);
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::do_remove_query(const std::wstring& name)
{
    const auto found = std::ranges::find_if(m_selected_queries, named(name));
    if (found == m_selected_queries.end())
        return;
    m_available_queries.push_back(*found);
    m_selected_queries.erase(found);
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
bool sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::is_free_name(const std::wstring& name,
                                                                           const std::wstring& own_name) const
{
    auto taken = [&](const std::wstring& other) { return other != own_name && same_name(other, name); };
    for (const QListWidget* list : {&available(), &selected()}) {
        for (int row = 0; row < list->count(); ++row) {
            if (taken(item_text(*list, row)))
                return false;
        }
    }
    // A query hidden behind a table of the same name is still known.
    return std::ranges::none_of(m_available_queries, [&](const auto& pair) { return taken(pair.first); }) &&
           std::ranges::none_of(m_selected_queries, [&](const auto& pair) { return taken(pair.first); });
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::on_add_query()
{
    tk_log(1, "sel_tables_page::on_add_query");
    // A new query starts empty; a refused name reopens the dialog with what
    // was typed.
    std::wstring name;
    std::wstring query;
    for (;;) {
        set_query_dlg<T_CONVERTER, QUERY_HELP> dialog(name, query);
        if (dialog.run_modal() != gui::id_ok)
            return;
        name = dialog.table_name();
        query = dialog.query();
        if (is_free_name(name)) {
            add_sorted(selected(), name);
            m_selected_queries.emplace_back(name, query);
            return;
        }
        wizard_shell::message(duplicate_name_text);
    }
}

template <class T_CONVERTER, int QUERY_HELP, int TYPES_HELP>
void sel_tables_page_ex<T_CONVERTER, QUERY_HELP, TYPES_HELP>::on_edit_query()
{
    tk_log(1, "sel_tables_page_ex::on_edit_query");
    const int row = selected().currentRow();
    if (row < 0) {
        tk_log(1, "Nothing is selected!");
        return;
    }
    const std::wstring name = item_text(selected(), row);
    const auto found = std::ranges::find_if(m_selected_queries, named(name));
    if (found == m_selected_queries.end()) {
        tk_log(1, "It's not a query, show type mapping");
        edit_table_types(name);
        return;
    }
    const std::size_t index = static_cast<std::size_t>(found - m_selected_queries.begin());
    std::pair<std::wstring, std::wstring> typed = *found;
    for (;;) {
        set_query_dlg<T_CONVERTER, QUERY_HELP> dialog(typed.first, typed.second);
        if (dialog.run_modal() != gui::id_ok)
            return;
        typed = {dialog.table_name(), dialog.query()};
        if (is_free_name(typed.first, name))
            break;
        wizard_shell::message(duplicate_name_text);
    }
    m_selected_queries[index] = typed;
    delete selected().takeItem(row);
    add_sorted(selected(), typed.first);
}

template class sel_tables_page_ex<convertor_front_end, gui::help_query, gui::help_column_types>;
