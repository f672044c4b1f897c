// The MySQL connection: local or remote server, login and port. Next stores
// them into the converter and connects; only a connection lets the wizard go on.
#pragma once

#include "wizard/connection_animation.h"
#include "wizard/property_page.h"
#include "wizard/settings_controls.h"

class convertor_front_end;

template <class T_CONVERTER, int HELP, int AUTH_HELP>
class sql_settings_page2
    : public wizard_page<gui::page_mysql_settings, gui::button_back | gui::button_next, gui::page_has_help> {
public:
    sql_settings_page2();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;
    void on_command(int id, int notification) override;

protected:
    void store_settings();
    // Remote access: the host and port fields take input.
    void enable_remote(bool enable);

private:
    // The connection runs on its own thread while the waiting dialog
    // shows, so that the window answers however long the server takes.
    connection_animation m_animation;
    // Declared after the dialog, so that it is joined before the dialog goes.
    animation_thread m_connection{m_animation};
};

class mysql_settings_page final
    : public sql_settings_page2<convertor_front_end, gui::help_mysql_settings, gui::help_mysql_authentication> {};
