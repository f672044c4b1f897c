// Runs the corvath program the way a shell would, for the tests of its exit
// codes and output.
#pragma once

#include <string>
#include <vector>

struct process_result {
    int exit_code = 0;  // 0-255, as a shell sees it
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs corvath with the arguments in the current directory and waits for it.
process_result run_corvath(const std::vector<std::string>& arguments);
