// The two-list page: an "available" list on the left, a "selected" list on
// the right and the buttons that move items between them. The tables page and
// the views page derive from it; the views page also reorders its choice.
#pragma once

#include "wizard/property_page.h"

#include <string>
#include <utility>
#include <vector>

class QListWidget;

using name_pairs = std::vector<std::pair<std::wstring, std::wstring>>;

enum sel_tables_control : int {
    page_description = 1337,
    available_label = 1334,
    available_list = 1317,
    add_button = 1101,
    add_all_button = 1102,
    remove_button = 1111,
    remove_all_button = 1110,
    add_query_button = 1114,
    selected_label = 1312,
    selected_list = 1318,
    move_up_button = 1117,
    move_down_button = 1118,
};

class sel_tables_page
    : public wizard_page<gui::page_tables_and_views, gui::button_back | gui::button_next, gui::page_has_help> {
public:
    // The question asked on Next when nothing is chosen; empty asks nothing.
    sel_tables_page(bool reorder, std::wstring no_selection_question, std::wstring header_title,
                    std::wstring header_subtitle);

    void on_command(int id, int notification) override;

    // Moves the named items, in order, from the available list to the selected one.
    virtual void select_items(const name_pairs& pairs);
    virtual bool is_query(const std::wstring& name) const;
    virtual void do_add_query(const std::wstring& /*name*/) {}
    virtual void do_remove_query(const std::wstring& /*name*/) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Fills the available list from the names and empties the selected one.
    void do_page_init();
    void set_texts(const std::wstring& description, const std::wstring& available, const std::wstring& selected);
    // Asks about an empty choice (when `ask`) and takes the chosen names;
    // false keeps the page.
    bool collect_selection(bool ask = true);

    void move_to_selected(int index);
    // Puts the selected items named in the pairs in the pairs' order.
    void keep_order_of(const name_pairs& pairs);
    void move_to_available(int index);
    void clear_sel(QListWidget& list);
    // Row of the available item of exactly that name, or -1.
    int find_in_available(const std::wstring& name) const;
    // Whether either list holds the name, ignoring case.
    bool is_listed(const std::wstring& name) const;
    static bool holds(const QListWidget& list, const std::wstring& name);
    // Names compared as the converter compares them, ignoring case.
    static bool same_name(const std::wstring& a, const std::wstring& b);
    // Adds at the item's sorted place, as a sorted list box does, even
    // after the user reordered the list.
    static void add_sorted(QListWidget& list, const std::wstring& text);
    static std::wstring item_text(const QListWidget& list, int row);

    void on_add();
    void on_add_all();
    void on_delete();
    void on_del_all();
    void on_move_up();
    void on_move_down();

    QListWidget& available() const { return *m_available; }
    QListWidget& selected() const { return *m_selected; }

    bool b_reorder;
    // Filled before activation with what the available list offers; after
    // Next, the chosen tables or views in list order.
    std::vector<std::wstring> m_names;
    std::wstring m_no_selection_question;

private:
    // Moves the selected items of the available list to the selected one, or back.
    void move_chosen(bool adding);
    void move_all(QListWidget& from, QListWidget& to, void (sel_tables_page::*move)(int));

    QListWidget* m_available = nullptr;
    QListWidget* m_selected = nullptr;
};
