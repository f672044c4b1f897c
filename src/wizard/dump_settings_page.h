// The T-SQL script's options: Unicode, comments, CREATE DATABASE and
// CREATE TABLE statements. The page never connects.
#pragma once

#include "wizard/property_page.h"

enum dump_settings_control : int {
    support_unicode = 1202,
    create_database_statement = 1203,
    create_table_statements = 1204,
    insert_comments = 1205,
};

class dump_settings_page final
    : public wizard_page<gui::page_script_settings, gui::button_back | gui::button_next, gui::page_has_help> {
public:
    dump_settings_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;
    void on_command(int id, int notification) override;

private:
    void invert_chbox(int id);
    void store_settings();
};
