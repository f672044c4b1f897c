// The wizard's form of the error handler: an internal error is shown in the
// internal-error dialog and ends the program; an error is shown in an error
// box; an error after which the run can go on asks to continue or abort.
// Every report is kept for the finish page. It may be called from any
// thread; its dialogs show on the window thread.
#pragma once

#include "toolkit/error_handler.h"

class wizard_error_handler : public error_handler {
public:
    using error_handler::error_handler;

    void handle(const tk_exception& exception, bool outer) override;

protected:
    // Ends the process with -1 after an internal error.
    [[noreturn]] virtual void end_process();
};
