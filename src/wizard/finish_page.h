// The last step: whether the run met errors, the list of them, and "Save
// Settings..." to keep the run's settings as a profile.
#pragma once

#include "wizard/property_page.h"

#include <string>

class convertor_front_end;

enum finish_control : int {
    finish_title = 1313,
    finish_text = 1314,
    error_list = 1016,
    save_settings = 1116,
};

template <int DLG>
class gui_finish_page : public wizard_page<DLG, gui::button_finish, gui::page_hide_header> {
public:
    gui_finish_page(std::wstring success_text, std::wstring errors_text);

    int page_init() override;

protected:
    void on_command(int id, int notification) override;
    // The error list gains the focus: the first time it is not left all
    // selected, the focus goes to Finish.
    void on_eb_focus();

    std::wstring m_success_text;
    std::wstring m_errors_text;
    bool m_first_focus = true;
};

template <class T_CONVERTER, int DLG>
class gui_finish_page_t final : public gui_finish_page<DLG> {
public:
    // extension: the profile files' extension, 3 or 4 characters.
    gui_finish_page_t(std::wstring success_text, std::wstring errors_text, std::wstring extension);

private:
    void on_command(int id, int notification) override;
    // "Save Settings...": the settings go to the profile chosen in the save dialog.
    void on_store();

    std::wstring m_extension;
};

extern template class gui_finish_page<gui::page_finish>;
extern template class gui_finish_page_t<convertor_front_end, gui::page_finish>;
