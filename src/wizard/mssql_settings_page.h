// The MS SQL connection: server, authentication, login and an optional
// database. Next connects on the page's worker thread while the waiting
// dialog animates; only a connection lets the wizard go on.
#pragma once

#include "toolkit/tk_thread.h"
#include "wizard/connection_animation.h"
#include "wizard/property_page.h"
#include "wizard/settings_controls.h"

#include <string>

class convertor_front_end;

template <class T_CONVERTER>
class mss_settings_page
    : public wizard_page<gui::page_mssql_settings, gui::button_back | gui::button_next, gui::page_has_help> {
public:
    mss_settings_page();

    int page_init() override;
    void on_command(int id, int notification) override;

protected:
    void store_settings();
    void choose_authentication(bool windows);

    std::wstring m_database;
};

// Holds the waiting dialog in a base before tk_thread, so the worker is
// joined before the dialog it runs goes.
struct mssql_connection_holder {
    // The connection: to the destination database when the converter names
    // one, else to the server.
    connection_animation m_animation{std::wstring(), connect_destination};

    static void connect_destination();
};

class mssql_settings_page final : public mss_settings_page<convertor_front_end>,
                                  private mssql_connection_holder,
                                  public tk_thread {
public:
    mssql_settings_page();

    int page_init() override;
    void on_help() override;
    int on_next() override;
    int on_back() override;

protected:
    tk_thread_functor* create_functor() override { return &m_animation; }
};
