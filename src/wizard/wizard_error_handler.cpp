#include "wizard/wizard_error_handler.h"

#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/error_dialogs.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_thread.h"
#include "wizard/wizard_shell.h"

#include <cstdio>
#include <cstdlib>

void wizard_error_handler::handle(const tk_exception& exception, bool outer)
{
    tk_log(2, "error_handler::handle");
    if (exception.get_code() == tk_level_internal) {
        tk_log(3, "Internal error:\n%s", exception.what());
        const std::wstring text = tk_ansi_to_unicode(exception.what());
        gui::call([&] {
            dlg_error_ex<gui::dlg_internal_error> dialog(text);
            dialog.run_modal();
        });
        end_process();
    }
    const std::string text = make_report_text(exception);
    if (wizard_shell::is_initialized())
        wizard_shell::ref().add_error(text);
    if (exception.get_code() == tk_level_fatal) {
        tk_log(1, "Got 1-level error");
        if (!quiet) {
            tk_log(1, "Step 1");
            wizard_shell::error(tk_ansi_to_unicode(text));
        }
        tk_log(1, "Step 2");
        return;
    }
    tk_log(1, "Got 0-level error");
    if (quiet)
        return;
    int result = gui::id_ok;
    bool do_not_show = false;
    // A wizard that is closing cannot ask any more: the run is aborted.
    const bool asked = gui::call([&] {
        dlg_error_continue<gui::dlg_continue_or_abort> dialog(tk_ansi_to_unicode(text));
        result = dialog.run_modal();
        do_not_show = dialog.do_not_show_again();
    });
    if (!asked)
        result = gui::id_ok;
    if (!outer && result == gui::id_ok)
        throw tk_final_exception();
    quiet = do_not_show;
}

void wizard_error_handler::end_process()
{
    std::fflush(nullptr);
    std::_Exit(-1);
}
