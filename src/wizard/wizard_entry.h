// The wizard program: the process's services, the shell and the pages, run
// as one modal sheet. A command line names a profile to run at once: it is
// loaded, both ends are connected and the destination prepared before the
// sheet opens with only the progress and finish pages.
#pragma once

#include <string>

// The profile path of a command line: without blanks at its ends and without
// one pair of quotes around it.
std::wstring profile_path_of(const std::string& command_line);

// Checks that the window system can be used; ends the process with -1 when
// it cannot. A QApplication must exist.
void gui_initialize();

// The exit code: 0 when the wizard ended without a run or after a run that
// carried everything across; -1 when the start failed (a profile that does
// not load, a connection, the destination) or a run met errors, left
// anything behind or was stopped.
int run_wizard(const std::string& command_line);
