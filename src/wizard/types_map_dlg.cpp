#include "wizard/types_map_dlg.h"

#include "platform/compare_string.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/gui_thread.h"
#include "wizard/type_catalogues.h"
#include "wizard/wizard_shell.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cwchar>
#include <limits>
#include <optional>
#include <vector>

namespace {

// The name boxes take up to 1024 characters.
constexpr int name_room = 1024;
// A source length from here on is shown as an empty box.
constexpr std::uint64_t shown_length_limit = 65536;

enum list_column : int { check_column = 0, name_column = 1, type_column = 2, default_column = 3 };

// The check state the dialog last saw on a row, to tell a toggle from
// other changes of the row.
constexpr int known_check_role = Qt::UserRole;

std::wstring without_size(const std::wstring& type)
{
    return type.substr(0, type.find(L'('));
}

bool same_values(const column_types_dialog::edit_entry& a, const column_types_dialog::edit_entry& b)
{
    return a.new_name == b.new_name && a.type.type == b.type.type && a.type.default_value == b.type.default_value &&
           a.type.length == b.type.length && a.type.scale == b.type.scale && a.type.prec == b.type.prec;
}

std::wstring number_text(std::int64_t value, bool shown)
{
    return shown ? std::to_wstring(value) : std::wstring();
}

// The largest length a size box takes, and the largest precision or scale.
constexpr std::int64_t longest_length = 2147483647;
constexpr std::int64_t widest_precision = 38;

// A whole number from 0 to `largest` (an empty box is 0); none for anything else.
std::optional<std::int64_t> read_number(const std::wstring& text, std::int64_t largest)
{
    const std::wstring digits = tk_trim(text);
    if (digits.empty())
        return 0;
    if (digits.size() > 10 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const std::int64_t value = std::wcstoll(digits.c_str(), nullptr, 10);
    return value <= largest ? std::optional<std::int64_t>(value) : std::nullopt;
}

// The type as the list shows it: with its length, or its precision and scale.
std::wstring type_with_size(const mss_native_type& type)
{
    if (type.length != 0)
        return type.type + L"(" + std::to_wstring(type.length) + L")";
    if (type.prec != 0)
        return type.type + L"(" + std::to_wstring(type.prec) + L"," + std::to_wstring(type.scale) + L")";
    return type.type;
}

std::wstring missing_catalogue(const char* file_name)
{
    return L"Cannot find " + tk_ansi_to_unicode(file_name) + L". Custom type mapping is not available.";
}

bool lists_word(const std::vector<std::wstring>& words, const wchar_t* word)
{
    for (const std::wstring& listed : words) {
        if (platform::equal_ignoring_case(listed, word))
            return true;
    }
    return false;
}

// Labels beside their boxes, one row each; a label hides with its box.
class labelled_rows {
public:
    QGridLayout* add_grid(QWidget* group)
    {
        auto* grid = new QGridLayout(group);
        grid->setColumnStretch(1, 1);
        m_grids.push_back(grid);
        return grid;
    }

    void add(QGridLayout& grid, QLabel* label, QWidget* box)
    {
        label->setWordWrap(false);
        label->setBuddy(box);
        const int row = grid.count() / 2;
        grid.addWidget(label, row, 0);
        grid.addWidget(box, row, 1);
        m_label_width = std::max(m_label_width, label->sizeHint().width());
    }

    // The boxes of every group start at one line.
    void align() const
    {
        for (QGridLayout* grid : m_grids)
            grid->setColumnMinimumWidth(0, m_label_width);
    }

private:
    std::vector<QGridLayout*> m_grids;
    int m_label_width = 0;
};

}  // namespace

template <class T_CONVERTER, int HELP>
types_map_dlg<T_CONVERTER, HELP>::types_map_dlg(std::wstring table, udb_schema schema)
    : id_dialog(gui::dlg_column_types), m_table(std::move(table)), m_schema(std::move(schema))
{
    tk_log(1, "types_map_dlg::types_map_dlg");
    setWindowTitle(tr("Edit Table"));

    m_list = m_controls.list_view(columns_list, {QString(), tr("Field Name"), tr("Field Type"), tr("Default value")});
    m_list->setMinimumWidth(340);
    QObject::connect(m_list, &QTreeWidget::currentItemChanged, this,
                     [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                         gui::run_guarded([&] { on_current_changed(current, previous); });
                     });
    QObject::connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == check_column)
            gui::run_guarded([&] { on_check_changed(item); });
    });

    labelled_rows labelled;
    auto* table_info = new QGroupBox(tr(" Table info "));
    QGridLayout* table_grid = labelled.add_grid(table_info);
    QLineEdit* table_name = m_controls.edit(table_name_edit);
    table_name->setMaxLength(name_room);
    labelled.add(*table_grid, m_controls.label(gui::id_static, tr("&Name:")), table_name);

    auto* field_info = new QGroupBox(tr(" Field info "));
    QGridLayout* field_grid = labelled.add_grid(field_info);
    QLineEdit* column_name = m_controls.edit(column_name_edit);
    column_name->setMaxLength(name_room);
    labelled.add(*field_grid, m_controls.label(gui::id_static, tr("N&ame:")), column_name);
    labelled.add(*field_grid, m_controls.label(gui::id_static, tr("&Type:")),
                 m_controls.combo_box(column_type_list, false));
    // A default is shown whole, so that leaving its row never cuts it.
    QLineEdit* default_value = m_controls.edit(default_value_edit);
    default_value->setMaxLength(std::numeric_limits<int>::max());
    labelled.add(*field_grid, m_controls.label(gui::id_static, tr("&Default:")), default_value);
    labelled.add(*field_grid, m_controls.label(length_label, tr("&Length:")), m_controls.edit(length_edit));
    labelled.add(*field_grid, m_controls.label(precision_label, tr("&Prec.:")), m_controls.edit(precision_edit));
    labelled.add(*field_grid, m_controls.label(scale_label, tr("&Scale:")), m_controls.edit(scale_edit));
    labelled.align();
    for (int id : {precision_label, precision_edit, scale_label, scale_edit})
        m_controls.show(id, false);

    auto* details = new QVBoxLayout;
    details->addWidget(table_info);
    details->addWidget(field_info);
    details->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(details);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_controls.button(gui::id_ok, tr("OK"), true));
    buttons->addWidget(m_controls.button(gui::id_cancel, tr("Cancel")));
    buttons->addWidget(m_controls.button(gui::id_help, tr("Help")));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    const int tab_order[] = {columns_list,       table_name_edit, column_name_edit, column_type_list,
                             default_value_edit, length_edit,     precision_edit,   scale_edit,
                             gui::id_ok,         gui::id_cancel,  gui::id_help};
    for (std::size_t i = 1; i < std::size(tab_order); ++i)
        QWidget::setTabOrder(m_controls.item(tab_order[i - 1]), m_controls.item(tab_order[i]));
    resize(680, 380);
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::on_init()
{
    tk_log(1, "types_map_dlg::on_init");
    m_controls.set_text(table_name_edit, m_table);
    load_from_rules();
    for (auto column = m_schema.rbegin(); column != m_schema.rend(); ++column)
        add_item(**column);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        const auto edit = m_edits.find(m_schema[row]->name);
        const bool checked = edit == m_edits.end() || edit->second.status != udb_mutators::deleted;
        item->setData(check_column, known_check_role, checked);
        item->setCheckState(check_column, checked ? Qt::Checked : Qt::Unchecked);
    }
    if (QTreeWidgetItem* first = m_list->topLevelItem(0)) {
        m_list->setCurrentItem(first);
        m_list->scrollToItem(first);
        set_available_conversions(0);
        show_field(0);
    }
    m_initialized = true;
    show_ctrl();
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::on_command(int id, int notification)
{
    switch (id) {
    case gui::id_ok:
        tk_log(1, "types_map_dlg::on_ok");
        save_to_mutator();
        done(gui::id_ok);
        break;
    case gui::id_cancel:
        tk_log(1, "types_map_dlg::on_cancel");
        done(gui::id_cancel);
        break;
    case gui::id_help:
        if (notification == gui::clicked)
            wizard_shell::display_help(HELP);
        break;
    case column_type_list:
        if (notification == gui::selection_changed)
            show_ctrl();
        break;
    default: break;
    }
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::load_from_rules()
{
    const std::optional<table_rule> rule = T_CONVERTER::ref().get_table_rule(m_table);
    if (!rule)
        return;
    m_new_table_name = rule->new_name;
    m_controls.set_text(table_name_edit, m_new_table_name);
    for (const auto& [name, field] : rule->columns) {
        edit_entry entry = field;
        entry.type.type = without_size(entry.type.type);
        m_edits.try_emplace(name, std::move(entry));
    }
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::add_item(t_ftd& column)
{
    tk_log(1, "types_map_dlg::add_item");
    const mss_native_type type = T_CONVERTER::ref().get_column_type(column);
    auto* item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setText(name_column, to_qt(column.name));
    tk_log(1, L"Column name: '%ls'", column.name.c_str());
    item->setText(type_column, to_qt(column.native_type));
    item->setText(default_column, to_qt(type.default_value));
    tk_log(1, L"Deafult value: '%ls'", type.default_value.c_str());
    m_list->insertTopLevelItem(0, item);
    m_source_types[column.name] = type;
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::on_current_changed(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (!m_initialized || m_reverting || m_failed)
        return;
    if (previous != nullptr) {
        tk_log(1, "types_map_dlg::on_item_changing");
        if (!store_item(m_list->indexOfTopLevelItem(previous))) {
            m_reverting = true;
            m_list->setCurrentItem(previous);
            m_reverting = false;
            return;
        }
    }
    tk_log(1, "types_map_dlg::on_item_changed");
    if (current == nullptr)
        return;
    const int row = m_list->indexOfTopLevelItem(current);
    tk_log(1, "Row #%d is selected", row);
    if (row < 0 || static_cast<std::size_t>(row) >= m_schema.size())
        throw tk_mail_assertion("map_list", 233);
    const t_ftd& column = *m_schema[row];
    m_controls.set_text(column_name_edit, column.name);
    if (column.vartype == VT_BSTR && column.size >= 1 && column.size <= 9999)
        m_controls.set_text(length_edit, std::to_wstring(column.size));
    set_available_conversions(row);
    show_field(row);
    show_ctrl();
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::on_check_changed(QTreeWidgetItem* item)
{
    const bool checked = item->checkState(check_column) == Qt::Checked;
    const bool before = item->data(check_column, known_check_role).toBool();
    if (checked == before || !m_initialized || m_reverting || m_failed)
        return;
    item->setData(check_column, known_check_role, checked);
    const int row = m_list->indexOfTopLevelItem(item);
    tk_log(1, "types_map_dlg::on_item_changed");
    // The toggled row's own values: the boxes show them only while it is selected.
    edit_entry entry;
    if (row == selected_row()) {
        if (!read_controls(row, entry)) {
            m_reverting = true;
            item->setData(check_column, known_check_role, before);
            item->setCheckState(check_column, before ? Qt::Checked : Qt::Unchecked);
            m_reverting = false;
            return;
        }
    } else {
        const auto edit = m_edits.find(m_schema[row]->name);
        entry = edit != m_edits.end() ? edit->second : source_entry(row);
    }
    entry.status = checked ? udb_mutators::changed : udb_mutators::deleted;
    keep_edit(row, std::move(entry));
    show_ctrl();
}

template <class T_CONVERTER, int HELP>
bool types_map_dlg<T_CONVERTER, HELP>::store_item(int row)
{
    if (row < 0 || !m_initialized)
        return true;
    edit_entry entry;
    if (!read_controls(row, entry))
        return false;
    entry.status = is_checked(row) ? udb_mutators::changed : udb_mutators::deleted;
    keep_edit(row, std::move(entry));
    return true;
}

template <class T_CONVERTER, int HELP>
bool types_map_dlg<T_CONVERTER, HELP>::read_controls(int row, edit_entry& entry)
{
    entry.new_name = m_controls.text(column_name_edit).substr(0, name_room);
    if (entry.new_name.empty()) {
        wizard_shell::message(L"Name cannot be empty. Try again.");
        return false;
    }
    entry.type.type = m_controls.text(column_type_list);
    // A type the catalogue does not offer leaves the row's type as it was.
    if (entry.type.type.empty())
        entry.type.type = without_size(current_type(row));
    entry.type.default_value = m_controls.text(default_value_edit);
    // A box the type does not show takes no number: whatever it holds is 0.
    const auto size = [&](int id, std::int64_t largest, const wchar_t* refusal) -> std::optional<std::int64_t> {
        const bool shown = m_controls.item(id)->isVisibleTo(this);
        const std::optional<std::int64_t> value = read_number(m_controls.text(id), largest);
        if (value || !shown)
            return value.value_or(0);
        wizard_shell::message(refusal);
        m_controls.item(id)->setFocus();
        return std::nullopt;
    };
    const std::optional<std::int64_t> length =
        size(length_edit, longest_length, L"Length must be a whole number from 0 to 2147483647. Try again.");
    if (!length)
        return false;
    const std::optional<std::int64_t> precision =
        size(precision_edit, widest_precision, L"Precision must be a whole number from 0 to 38. Try again.");
    if (!precision)
        return false;
    const std::optional<std::int64_t> scale =
        size(scale_edit, widest_precision, L"Scale must be a whole number from 0 to 38. Try again.");
    if (!scale)
        return false;
    entry.type.length = static_cast<std::uint64_t>(*length);
    entry.type.prec = static_cast<std::uint32_t>(*precision);
    entry.type.scale = static_cast<std::uint32_t>(*scale);
    return true;
}

template <class T_CONVERTER, int HELP>
typename types_map_dlg<T_CONVERTER, HELP>::edit_entry types_map_dlg<T_CONVERTER, HELP>::source_entry(int row) const
{
    const std::wstring& name = m_schema[row]->name;
    const auto found = m_source_types.find(name);
    const mss_native_type source = found == m_source_types.end() ? mss_native_type() : found->second;
    edit_entry entry{name, source, udb_mutators::changed};
    entry.type.type = without_size(source.type);
    if (source.length >= shown_length_limit)
        entry.type.length = 0;
    return entry;
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::keep_edit(int row, edit_entry entry)
{
    const std::wstring& name = m_schema[row]->name;
    // The list shows the row as it now stands.
    if (QTreeWidgetItem* item = m_list->topLevelItem(row); item != nullptr && entry.status == udb_mutators::changed) {
        const bool source = same_values(entry, source_entry(row));
        item->setText(type_column, source ? to_qt(m_schema[row]->native_type) : to_qt(type_with_size(entry.type)));
        item->setText(default_column, to_qt(entry.type.default_value));
    }
    if (entry.status == udb_mutators::changed && same_values(entry, source_entry(row)))
        m_edits.erase(name);
    else
        m_edits[name] = std::move(entry);
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::show_field(int row)
{
    const auto edit = m_edits.find(m_schema[row]->name);
    // Every box is written, so that none keeps what another row showed.
    if (edit != m_edits.end()) {
        const edit_entry& entry = edit->second;
        m_controls.set_text(column_name_edit, entry.new_name);
        select_type(entry.type.type);
        m_controls.set_text(default_value_edit, entry.type.default_value);
        const auto length = static_cast<std::int64_t>(entry.type.length);
        m_controls.set_text(length_edit, number_text(length, length != 0));
        m_controls.set_text(precision_edit, number_text(entry.type.prec, entry.type.prec > 0));
        m_controls.set_text(scale_edit, number_text(entry.type.scale, entry.type.scale >= 1));
        return;
    }
    // The type the run writes: a box the type gives no number stays empty.
    const edit_entry source = source_entry(row);
    const std::uint64_t length = source.type.length;
    const bool measured = source.type.prec != 0 || source.type.scale != 0;
    m_controls.set_text(column_name_edit, source.new_name);
    select_type(source.type.type);
    m_controls.set_text(default_value_edit, source.type.default_value);
    m_controls.set_text(length_edit, number_text(static_cast<std::int64_t>(length), length != 0));
    m_controls.set_text(scale_edit, number_text(source.type.scale, measured));
    m_controls.set_text(precision_edit, number_text(source.type.prec, measured));
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::select_type(const std::wstring& type)
{
    auto* types = m_controls.item_as<QComboBox>(column_type_list);
    const int found = types->findText(to_qt(type), Qt::MatchFixedString);
    if (found >= 0)
        types->setCurrentIndex(found);
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::set_available_conversions(int row)
{
    tk_log(1, "types_map_dlg::set_available_conversions(%d)", row);
    tk_log(1, "schema.size()=%d", static_cast<int>(m_schema.size()));
    if (m_failed)
        return;
    const std::wstring type = current_type(row);
    tk_log(1, L"selected_field_type.type=%ls", type.c_str());
    tk_log(1, L"udb_db_mutator<F>::get_mapped_types(%ls)", type.c_str());
    T_CONVERTER& converter = T_CONVERTER::ref();
    tk_log(1, "Gonna load typesmap.cfg");
    const tk_yaml_config::item_map* catalogue =
        type_catalogues::get(converter.get_type_map_file(), converter.get_type_map_filter());
    if (catalogue == nullptr) {
        fail(missing_catalogue(converter.get_type_map_file()));
        return;
    }
    tk_log(1, "types_map.size=%d", static_cast<int>(catalogue->size()));
    auto* types = m_controls.item_as<QComboBox>(column_type_list);
    types->clear();
    if (const auto offered = catalogue->find(tk_unicode_to_utf8(type)); offered != catalogue->end()) {
        for (const std::wstring& item : offered->second) {
            tk_log(1, L"Adding->%ls", item.c_str());
            types->addItem(to_qt(item));
        }
    }
    types->setCurrentIndex(-1);
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::show_ctrl()
{
    if (m_failed)
        return;
    static const std::set<std::wstring> no_filter;
    const char* sizes_file = T_CONVERTER::ref().get_type_sizes_file();
    const tk_yaml_config::item_map* catalogue = type_catalogues::get(sizes_file, no_filter);
    if (catalogue == nullptr) {
        fail(missing_catalogue(sizes_file));
        return;
    }
    const auto sizes = catalogue->find(tk_unicode_to_utf8(m_controls.text(column_type_list)));
    const std::vector<std::wstring> words = sizes == catalogue->end() ? std::vector<std::wstring>() : sizes->second;
    const bool length = lists_word(words, L"LENGTH");
    const bool precision_and_scale = lists_word(words, L"PRECISION") && lists_word(words, L"SCALE");
    for (const auto& [id, shown] :
         {std::pair{length_label, length}, std::pair{length_edit, length},
          std::pair{precision_label, precision_and_scale}, std::pair{precision_edit, precision_and_scale},
          std::pair{scale_label, precision_and_scale}, std::pair{scale_edit, precision_and_scale}}) {
        tk_log(1, "types_map_dlg::show_ctrl(%d=%d)", static_cast<int>(id), shown ? 1 : 0);
        m_controls.show(id, shown);
    }
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::save_to_mutator()
{
    tk_log(1, "types_map_dlg::save_to_mutator");
    store_item(selected_row());
    std::wstring name = m_controls.text(table_name_edit).substr(0, name_room);
    tk_log(1, L"old name=%ls, new name=%ls", m_new_table_name.c_str(), name.c_str());
    // A table needs a name: an empty box keeps the source table's.
    if (name.empty())
        name = m_table;
    T_CONVERTER& converter = T_CONVERTER::ref();
    // A column whose rule was set back to the source's own values loses the rule.
    std::vector<std::wstring> restored;
    if (const std::optional<table_rule> rule = converter.get_table_rule(m_table)) {
        for (const t_ftd* column : m_schema) {
            if (rule->columns.count(column->name) != 0 && m_edits.count(column->name) == 0)
                restored.push_back(column->name);
        }
    }
    if (name == m_new_table_name && m_edits.empty() && restored.empty())
        return;
    std::vector<std::pair<std::wstring, column_rule>> edits;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const std::wstring column = to_wide(m_list->topLevelItem(row)->text(name_column));
        const auto edit = m_edits.find(column);
        if (edit != m_edits.end())
            edits.emplace_back(column, edit->second);
    }
    converter.store_table_rule(m_table, name, restored, edits);
}

template <class T_CONVERTER, int HELP>
std::wstring types_map_dlg<T_CONVERTER, HELP>::current_type(int row) const
{
    const std::wstring& name = m_schema[row]->name;
    if (const auto edit = m_edits.find(name); edit != m_edits.end())
        return edit->second.type.type;
    const auto source = m_source_types.find(name);
    return source == m_source_types.end() ? std::wstring() : source->second.type;
}

template <class T_CONVERTER, int HELP>
bool types_map_dlg<T_CONVERTER, HELP>::is_checked(int row) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item != nullptr && item->checkState(check_column) == Qt::Checked;
}

template <class T_CONVERTER, int HELP>
int types_map_dlg<T_CONVERTER, HELP>::selected_row() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    return item == nullptr ? -1 : m_list->indexOfTopLevelItem(item);
}

template <class T_CONVERTER, int HELP>
void types_map_dlg<T_CONVERTER, HELP>::fail(const std::wstring& text)
{
    m_failed = true;
    wizard_shell::error(text);
    // Also before the dialog's loop has started, when the first row fails.
    QMetaObject::invokeMethod(
        this, [this] { done(gui::id_cancel); }, Qt::QueuedConnection);
}

template class types_map_dlg<convertor_front_end, gui::help_column_types>;

int edit_column_types(const std::wstring& table)
{
    tk_log(1, "Ready for types mapping");
    convertor_front_end& converter = convertor_front_end::ref();
    column_types_dialog dialog(table, converter.get_schema(table));
    return dialog.run_modal();
}
