#include "converter/console_error_handler.h"

#include "toolkit/tk_log.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

void console_error_handler::end_process()
{
    if (before_exit) {
        // Once only: what it prints may itself fail fatally.
        auto last_words = std::exchange(before_exit, nullptr);
        last_words();
    }
    std::fflush(stdout);
    std::exit(-1);
}

void console_error_handler::handle(const tk_exception& exception, bool /*outer*/)
{
    tk_log(2, "error_handler::handle");
    if (exception.get_code() == tk_level_internal) {
        tk_log(3, "Internal error:\n%s", exception.what());
        std::string text = exception.what();
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::printf("Internal error: %s\n", text.c_str());
        end_process();
    }
    std::string text = make_report_text(exception);
    if (!quiet)
        std::printf("Error:\n%s\n", text.c_str());
    if (exception.get_code() == tk_level_fatal) {
        tk_log(1, "Got 1-level error");
        end_process();
    }
    tk_log(1, "Got 0-level error");
    std::fflush(stdout);
}
