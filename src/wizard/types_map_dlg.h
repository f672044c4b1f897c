// The "Edit Table" dialog: the user's type-mapping rules of one source
// table. The destination table name, and per column a new name, an MS SQL
// type from the catalogue of allowed conversions, a default value, length,
// precision and scale, and whether the column is converted at all (its check
// mark). OK writes the edits into the converter's rules; Cancel drops them.
#pragma once

#include "converter/front_end.h"
#include "model/schema.h"
#include "wizard/gui_ids.h"
#include "wizard/id_dialog.h"

#include <map>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

enum types_map_control : int {
    columns_list = 1316,
    table_name_edit = 1003,
    column_name_edit = 1004,
    column_type_list = 1302,
    default_value_edit = 1005,
    length_label = 1340,
    length_edit = 1006,
    precision_label = 1341,
    precision_edit = 1007,
    scale_label = 1342,
    scale_edit = 1008,
};

template <class T_CONVERTER, int HELP>
class types_map_dlg final : public id_dialog {
public:
    // The columns of the source table, as the converter reads them.
    types_map_dlg(std::wstring table, udb_schema schema);

    // One column's edit: status 1 keeps the column, 2 leaves it out.
    using edit_entry = column_rule;

private:
    void on_init() override;
    void on_command(int id, int notification) override;

    void load_from_rules();
    void add_item(t_ftd& column);
    void on_current_changed(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void on_check_changed(QTreeWidgetItem* item);
    bool store_item(int row);
    bool read_controls(int row, edit_entry& entry);
    void show_field(int row);
    void select_type(const std::wstring& type);
    void set_available_conversions(int row);
    void show_ctrl();
    void save_to_mutator();
    // What the controls show for a column without an edit.
    edit_entry source_entry(int row) const;
    // Keeps the row's edit, or drops it when it is the source's own again.
    void keep_edit(int row, edit_entry entry);
    // The row's type as the catalogue knows it: its edit's, else the source's.
    std::wstring current_type(int row) const;
    bool is_checked(int row) const;
    int selected_row() const;
    // A catalogue is missing: its message, then the dialog closes unchanged.
    void fail(const std::wstring& text);

    std::wstring m_table;
    udb_schema m_schema;
    std::wstring m_new_table_name;
    QTreeWidget* m_list = nullptr;
    bool m_initialized = false;
    bool m_failed = false;
    // A selection or check mark put back by the dialog itself.
    bool m_reverting = false;
    std::map<std::wstring, edit_entry> m_edits;
    std::map<std::wstring, mss_native_type> m_source_types;
};

extern template class types_map_dlg<convertor_front_end, gui::help_column_types>;
using column_types_dialog = types_map_dlg<convertor_front_end, gui::help_column_types>;

// Opens the editor modally over the active window for a source table that
// is not a query; the dialog's result.
int edit_column_types(const std::wstring& table);
