// The conversion step: it starts the run on a worker thread, shows its log
// lines and its progress every tick of the shell's timer, and moves on to
// the finish page when the run has finished.
#pragma once

#include "toolkit/tk_thread.h"
#include "wizard/property_page.h"

#include <cstdint>
#include <string>

enum progress_control : int {
    progress_log = 1016,
    current_table_line = 1323,
    progress_bar = 1321,
};

class progress_page final
    : public wizard_page<gui::page_progress, gui::button_back | gui::button_next, gui::page_has_help>,
      public tk_thread {
public:
    progress_page();
    // Ends a run that still goes on: the user is asked nothing more, the run
    // stops at its next record and its thread is joined.
    ~progress_page() override;

    int page_init() override;
    void on_timer() override;
    void on_help() override;
    // After the exit question, a run still going on is asked to stop between
    // records; the tick that sees it finished shows the finish page, which
    // tells what the stopped run left.
    bool on_cancel() override;

    // The share of the run done: every table weighs 100 / total, the current
    // one by its rows done.
    static std::uint32_t percentage(std::uint32_t tables_total, std::uint32_t tables_done, std::uint64_t rows_total,
                                    std::uint64_t rows_done);

protected:
    tk_thread_functor* create_functor() override;
};
