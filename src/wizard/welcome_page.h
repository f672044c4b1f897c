// The first page: the greeting, the conversion scenario (straight into an
// MS SQL server or into a T-SQL script file) and "Load Settings..." for a
// profile saved by an earlier run.
#pragma once

#include "wizard/property_page.h"

#include <cstdint>
#include <string>

class convertor_front_end;

enum welcome_control : int {
    welcome_title = 1337,
    load_settings = 1115,
    migrate_directly = 1329,
    export_script = 1330,
    product_link = 1320,
};

template <class T_CONVERTER, int DLG>
class welcome_page_t : public wizard_page<DLG, gui::button_next, gui::page_has_help | gui::page_hide_header> {
public:
    // extension: the profile files' extension, 3 or 4 characters.
    explicit welcome_page_t(std::wstring extension);

protected:
    void on_command(int id, int notification) override;
    // "Load Settings...": a profile chosen in the open dialog is loaded.
    void on_load();
    // After the profile dialog closed.
    virtual void on_loaded() {}

    std::wstring m_extension;
    // The destination of the mode not chosen: a database name or a script path.
    std::wstring m_other_destination;
};

class welcome_page final : public welcome_page_t<convertor_front_end, gui::page_welcome> {
public:
    explicit welcome_page(std::wstring extension);

    int page_init() override;
    void on_help() override;
    int on_next() override;

protected:
    // A loaded profile's scenario shows at once, so that Next does not take
    // the one the buttons showed before.
    void on_loaded() override;

private:
    // The radio buttons show the converter's scenario.
    void show_scenario();

    bool m_link_attached = false;
};

// The filter of the profile dialogs; an extension not of 3 or 4 characters
// is an internal error of that source line.
std::wstring profile_filter(const std::wstring& extension, std::uint32_t assertion_line);
