// Runs the corvath program the way a shell would, for the tests of its exit
// codes and output.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct process_result {
    int exit_code = 0;  // 0-255, as a shell sees it
    std::string out;    // standard output
    std::string err;    // standard error
};

// corvath started with the arguments in the current directory; finish()
// waits for it to end. A file size limit (bytes) makes every write beyond it
// fail as on a full disk.
class corvath_process {
public:
    explicit corvath_process(const std::vector<std::string>& arguments, std::optional<off_t> file_size_limit = {});
    ~corvath_process();
    corvath_process(const corvath_process&) = delete;
    corvath_process& operator=(const corvath_process&) = delete;

    // A script the run wrote (--dump) is checked against the SQL Server rules
    // of support/tsql_rules.h; each breach fails the test.
    process_result finish();
    pid_t pid() const { return m_child; }

private:
    std::FILE* m_out;
    std::FILE* m_err;
    pid_t m_child = -1;
    std::string m_script;  // --dest= of a --dump run
};

// Runs corvath with the arguments and waits for it.
process_result run_corvath(const std::vector<std::string>& arguments);
