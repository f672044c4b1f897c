// The error handler's own dialogs: the internal-error dialog (114), shown
// before the program ends, which mails or copies the error text, and the
// continue-or-abort dialog (115), which can also silence later reports.
#pragma once

#include "wizard/gui_ids.h"
#include "wizard/id_dialog.h"

#include <string>

enum error_dialog_control : int {
    error_text_control = 1320,
    copy_button = 1108,
    send_bug_button = 1112,
    do_not_show_check = 1222,
};

// Results: 1 OK, 1108 copied, 1112 mailed. Esc and the close box leave it open.
template <int DLG>
class dlg_error_ex final : public id_dialog {
public:
    explicit dlg_error_ex(std::wstring text);

private:
    void on_init() override;
    void on_command(int id, int notification) override;

    std::wstring m_text;
};

// Results: 1 Abort, 2 Continue (also Esc and the close box).
template <int DLG>
class dlg_error_continue final : public id_dialog {
public:
    explicit dlg_error_continue(std::wstring text);

    bool do_not_show_again() const { return m_do_not_show; }

private:
    void on_init() override;
    void on_command(int id, int notification) override;

    std::wstring m_text;
    bool m_do_not_show = false;
};

extern template class dlg_error_ex<gui::dlg_internal_error>;
extern template class dlg_error_continue<gui::dlg_continue_or_abort>;
