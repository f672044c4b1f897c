// How the console agent stops on a wrong command line: the message on the
// standard error stream (unless silent) and exit code -1.
#pragma once

#include <string>

class convertor_front_end;

// Logs the text, prints it with a line end unless the run is silent, and ends
// the process with -1.
[[noreturn]] void usage_and_exit(const std::string& text);

bool is_silent(const convertor_front_end& converter);
