// The source MySQL database, the destination (an MS SQL database or a T-SQL
// script file), the log file and four conversion options. Next checks the
// names and the source, and asks what to do with a destination that already
// exists; the answer is only stored, the run acts on it.
#pragma once

#include "wizard/property_page.h"

#include <string>

class QComboBox;

enum sel_file_control : int {
    source_database_combo = 1302,
    destination_label = 1311,
    destination_edit = 1004,
    browse_script_button = 1104,
    log_file_edit = 1005,
    browse_log_button = 1105,
    blob_to_text_check = 1204,
    convert_views_check = 1205,
    skip_indexes_check = 1226,
    structure_only_check = 1228,
};

class sel_file_page final
    : public wizard_page<gui::page_database_and_file, gui::button_back | gui::button_next, gui::page_has_help> {
public:
    sel_file_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;
    void on_command(int id, int notification) override;

    // The database name in the combo box, chosen or typed.
    std::wstring get_sql_title() const;

private:
    // Lists the server's databases on the first drop-down and makes the
    // entry named exactly like the typed name current.
    void on_dropdown();
    // A chosen database proposes its destination and forgets the selection
    // made in the previous one.
    void on_sel_change();
    void on_browse_script();
    void on_browse_log();
    void store_settings();
    // What to do with an existing destination; false keeps the page.
    bool resolve_existing_database();
    bool resolve_existing_script();

    QComboBox* m_databases = nullptr;
    bool m_list_loaded = false;
};
