// The console agent's error handler: it prints what it reports on standard
// output and ends the process on fatal and internal errors.
#pragma once

#include "toolkit/error_handler.h"

#include <functional>

class console_error_handler final : public error_handler {
public:
    using error_handler::error_handler;

    // Level 2 prints "Internal error: " and the text and exits with -1.
    // Otherwise prints "Error:" and the text unless quiet; level 1 then exits
    // with -1, level 0 returns. `outer` makes no difference on the console.
    void handle(const tk_exception& exception, bool outer) override;

    // Called just before the process ends on a fatal or internal error, so
    // that the program can still say what a run left behind.
    std::function<void()> before_exit;

private:
    [[noreturn]] void end_process();
};
