#include "wizard/sel_tables_page.h"

#include "model/name_compare.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "wizard/wizard_shell.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {

std::wstring folded(const std::wstring& text)
{
    return tk_wstring(text).to_lower();
}

bool before_in_sorted_list(const std::wstring& a, const std::wstring& b)
{
    const std::wstring folded_a = folded(a);
    const std::wstring folded_b = folded(b);
    return folded_a != folded_b ? folded_a < folded_b : a < b;
}

QListWidget* two_list_box(dialog_controls& controls, int id)
{
    QListWidget* list = controls.list_box(id);
    // The order is kept by hand: additions go to their sorted place,
    // insertions from the reorder buttons stay where they are put.
    list->setSortingEnabled(false);
    list->setMinimumWidth(200);
    return list;
}

}  // namespace

sel_tables_page::sel_tables_page(bool reorder, std::wstring no_selection_question, std::wstring header_title,
                                 std::wstring header_subtitle)
    : wizard_page(std::move(header_title), std::move(header_subtitle)), b_reorder(reorder),
      m_no_selection_question(std::move(no_selection_question))
{
    QVBoxLayout* layout = header_page_layout({m_controls.label(page_description, QString())});

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    QLabel* available_caption = m_controls.label(available_label, QString());
    QLabel* selected_caption = m_controls.label(selected_label, QString());
    m_available = two_list_box(m_controls, available_list);
    m_selected = two_list_box(m_controls, selected_list);
    available_caption->setBuddy(m_available);
    selected_caption->setBuddy(m_selected);
    m_available->installEventFilter(this);
    m_selected->installEventFilter(this);
    grid->addWidget(available_caption, 0, 0);
    grid->addWidget(m_available, 1, 0);

    auto* moves = new QVBoxLayout;
    for (const auto& [id, text] :
         {std::pair{add_button, tr("A&dd >")}, std::pair{add_all_button, tr("Add a&ll >")},
          std::pair{remove_button, tr("< &Remove")}, std::pair{remove_all_button, tr("< Re&move all")}})
        moves->addWidget(m_controls.button(id, text));
    moves->addSpacing(16);
    moves->addWidget(m_controls.button(add_query_button, tr("Add &Query")));
    moves->addStretch();
    grid->addLayout(moves, 1, 1);

    grid->addWidget(selected_caption, 0, 2);
    grid->addWidget(m_selected, 1, 2);
    auto* order = new QVBoxLayout;
    order->addStretch();
    for (const auto& [id, text] :
         {std::pair{move_up_button, QString("^")}, std::pair{move_down_button, QString("v")}}) {
        QPushButton* button = m_controls.button(id, text);
        button->setFixedWidth(button->sizeHint().height() + 8);
        order->addWidget(button);
    }
    order->addStretch();
    grid->addLayout(order, 1, 3);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid, 1);

    for (int id : {add_query_button, move_up_button, move_down_button})
        m_controls.show(id, false);
    // Tab order follows the dialog: the available list, its buttons, then the selected list.
    QWidget* previous = m_available;
    for (int id : {add_button, add_all_button, remove_button, remove_all_button, add_query_button, selected_list,
                   move_up_button, move_down_button}) {
        QWidget::setTabOrder(previous, m_controls.item(id));
        previous = m_controls.item(id);
    }
}

// Enter in a list does what a double click does: it adds the chosen
// items, or opens the chosen query or the column type editor of the table.
bool sel_tables_page::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_available || watched == m_selected)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_controls.command(watched == m_available ? available_list : selected_list, gui::double_clicked);
            return true;
        }
    }
    return wizard_page::eventFilter(watched, event);
}

void sel_tables_page::set_texts(const std::wstring& description, const std::wstring& available,
                                const std::wstring& selected)
{
    m_controls.set_text(page_description, description);
    m_controls.set_text(available_label, available);
    m_controls.set_text(selected_label, selected);
}

void sel_tables_page::do_page_init()
{
    tk_log(1, "sel_tables_page::do_page_init");
    m_available->clear();
    m_selected->clear();
    for (const std::wstring& name : m_names)
        add_sorted(*m_available, name);
    if (m_available->count() > 0) {
        tk_log(1, "Highlight 1st row");
        m_available->setCurrentRow(0);
    }
    if (b_reorder) {
        tk_log(1, "Activating re-order buttons");
        show_ctrl(move_up_button, true);
        show_ctrl(move_down_button, true);
    }
}

void sel_tables_page::add_sorted(QListWidget& list, const std::wstring& text)
{
    int row = 0;
    while (row < list.count() && !before_in_sorted_list(text, item_text(list, row)))
        ++row;
    list.insertItem(row, to_qt(text));
}

std::wstring sel_tables_page::item_text(const QListWidget& list, int row)
{
    const QListWidgetItem* item = list.item(row);
    return item == nullptr ? std::wstring() : to_wide(item->text());
}

void sel_tables_page::move_to_selected(int index)
{
    const std::wstring name = item_text(*m_available, index);
    add_sorted(*m_selected, name);
    delete m_available->takeItem(index);
    if (is_query(name))
        do_add_query(name);
}

void sel_tables_page::move_to_available(int index)
{
    const std::wstring name = item_text(*m_selected, index);
    add_sorted(*m_available, name);
    delete m_selected->takeItem(index);
    if (is_query(name))
        do_remove_query(name);
}

void sel_tables_page::clear_sel(QListWidget& list)
{
    tk_log(1, "sel_tables_page::clear_sel");
    tk_log(1, "n_sel=%d", static_cast<int>(list.selectedItems().size()));
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected()) {
            tk_log(1, "Unsel item #%d", row);
            list.item(row)->setSelected(false);
        }
    }
}

int sel_tables_page::find_in_available(const std::wstring& name) const
{
    for (int row = 0; row < m_available->count(); ++row) {
        if (item_text(*m_available, row) == name)
            return row;
    }
    return -1;
}

bool sel_tables_page::is_listed(const std::wstring& name) const
{
    return holds(*m_available, name) || holds(*m_selected, name);
}

bool sel_tables_page::holds(const QListWidget& list, const std::wstring& name)
{
    for (int row = 0; row < list.count(); ++row) {
        if (same_name(item_text(list, row), name))
            return true;
    }
    return false;
}

bool sel_tables_page::same_name(const std::wstring& a, const std::wstring& b)
{
    return udb_same_name(a, b);
}

void sel_tables_page::select_items(const name_pairs& pairs)
{
    for (const auto& pair : pairs) {
        if (const int row = find_in_available(pair.first); row >= 0)
            move_to_selected(row);
    }
    // A list the user orders hands over the order of conversion (views
    // that use other views come after them): it comes back as it was left.
    if (b_reorder)
        keep_order_of(pairs);
}

void sel_tables_page::keep_order_of(const name_pairs& pairs)
{
    std::vector<std::wstring> names;
    for (int row = 0; row < m_selected->count(); ++row)
        names.push_back(item_text(*m_selected, row));
    const auto rank = [&](const std::wstring& name) {
        return std::ranges::find_if(pairs, [&](const auto& pair) { return pair.first == name; }) - pairs.begin();
    };
    std::ranges::stable_sort(names, {}, rank);
    m_selected->clear();
    for (const std::wstring& name : names)
        m_selected->addItem(to_qt(name));
}

bool sel_tables_page::is_query(const std::wstring& /*name*/) const
{
    return false;
}

void sel_tables_page::on_command(int id, int notification)
{
    switch (id) {
    case add_button: on_add(); break;
    case available_list:
        if (notification == gui::double_clicked)
            on_add();
        break;
    case add_all_button: on_add_all(); break;
    case remove_button: on_delete(); break;
    case remove_all_button: on_del_all(); break;
    case move_up_button: on_move_up(); break;
    case move_down_button: on_move_down(); break;
    default: break;
    }
}

void sel_tables_page::move_chosen(bool adding)
{
    QListWidget& from = adding ? *m_available : *m_selected;
    QListWidget& to = adding ? *m_selected : *m_available;
    tk_log(1, "%s", adding ? "sel_tables_page::on_add" : "sel_tables_page::on_delete");
    std::vector<int> rows;
    for (int row = 0; row < from.count(); ++row) {
        if (from.item(row)->isSelected())
            rows.push_back(row);
    }
    tk_log(1, "n_sel=%d", static_cast<int>(rows.size()));
    if (rows.empty())
        return;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        tk_log(1, adding ? "Adding item #%d" : "Deleting item #%d", rows[k]);
        const int row = rows[k] - static_cast<int>(k);
        if (adding)
            move_to_selected(row);
        else
            move_to_available(row);
    }
    if (from.count() > 0) {
        // The item that followed the last one moved, or the new last item.
        const int next = std::min(rows.back() - static_cast<int>(rows.size()) + 1, from.count() - 1);
        from.setCurrentRow(next);
    } else {
        clear_sel(to);
        to.setFocus();
        to.setCurrentRow(0);
    }
}

void sel_tables_page::move_all(QListWidget& from, QListWidget& to, void (sel_tables_page::*move)(int))
{
    while (from.count() > 0)
        (this->*move)(0);
    to.setFocus();
    to.setCurrentRow(0);
}

void sel_tables_page::on_add()
{
    move_chosen(true);
}

void sel_tables_page::on_add_all()
{
    tk_log(1, "sel_tables_page::on_add_all");
    move_all(*m_available, *m_selected, &sel_tables_page::move_to_selected);
}

void sel_tables_page::on_delete()
{
    move_chosen(false);
}

void sel_tables_page::on_del_all()
{
    tk_log(1, "sel_tables_page::on_del_all");
    move_all(*m_selected, *m_available, &sel_tables_page::move_to_available);
}

void sel_tables_page::on_move_up()
{
    tk_log(1, "sel_tables_page::on_move_up");
    const int current = m_selected->currentRow();
    if (current <= 0)
        return;
    m_selected->insertItem(current - 1, m_selected->takeItem(current));
    m_selected->setCurrentRow(current - 1);
}

void sel_tables_page::on_move_down()
{
    tk_log(1, "sel_tables_page::on_move_down");
    const int current = m_selected->currentRow();
    if (current < 0 || current + 1 >= m_selected->count())
        return;
    m_selected->insertItem(current + 1, m_selected->takeItem(current));
    m_selected->setCurrentRow(current + 1);
}

bool sel_tables_page::collect_selection(bool ask)
{
    if (ask && m_available->count() > 0 && m_selected->count() == 0 && !m_no_selection_question.empty() &&
        !wizard_shell::question(m_no_selection_question, gui::default_second_button))
        return false;
    m_names.clear();
    for (int row = 0; row < m_selected->count(); ++row) {
        const std::wstring name = item_text(*m_selected, row);
        if (!is_query(name))
            m_names.push_back(name);
    }
    return true;
}
