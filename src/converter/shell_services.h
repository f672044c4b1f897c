// What the conversion driver asks of the wizard's shell: its log box, its
// error box, its list of the errors of a run and its progress timer. The wizard's shell provides them; the
// console agent builds no shell, so the driver calls them only after
// shell_services::ready().
#pragma once

#include "toolkit/tk_singleton.h"

#include <cstdint>
#include <string>

class shell_services : public tk_singleton<shell_services> {
public:
    // A shell exists and its window is set up.
    static bool ready() { return is_initialized() && instance().is_window_ready(); }

    virtual bool is_window_ready() const = 0;
    // Appends the text to the log box of the current page.
    virtual void write_log(const std::wstring& text) = 0;
    // An error message box.
    virtual void error_box(const std::wstring& text) = 0;
    // Keeps the text among the errors of the run that the finish page lists.
    virtual void add_error(const std::string& text) = 0;
    // Starts the progress timer.
    virtual void set_timer(std::uint32_t milliseconds) = 0;
};
