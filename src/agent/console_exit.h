// How the console agent stops on a wrong command line: the message on the
// standard error stream (unless silent) and exit code -1.
#pragma once

#include <string>

class brantwick_convertor;

// Logs the text, prints it with a line end unless the run is silent, and ends
// the process with -1.
[[noreturn]] void usage_and_exit(const std::string& text);

bool is_silent(const brantwick_convertor& converter);
