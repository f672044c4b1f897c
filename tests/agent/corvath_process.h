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

// How the child's standard output is taken: into a file, or through a pipe
// of one page that the test reads, so that the program waits in its next
// write of more than that until the test reads again.
enum class output_capture { file, narrow_pipe };

// corvath started with the arguments in the current directory; finish()
// waits for it to end. A file size limit (bytes) makes every write beyond it
// fail as on a full disk.
class corvath_process {
public:
    explicit corvath_process(const std::vector<std::string>& arguments, std::optional<off_t> file_size_limit = {},
                             output_capture capture = output_capture::file);
    ~corvath_process();
    corvath_process(const corvath_process&) = delete;
    corvath_process& operator=(const corvath_process&) = delete;

    // Reads the piped output until the text came (true) or the output ended.
    bool read_until(const std::string& text);
    // A script the run wrote (--dump) is checked against the SQL Server rules
    // of support/tsql_rules.h; each breach fails the test.
    process_result finish();
    pid_t pid() const { return m_child; }

private:
    std::FILE* m_out;
    std::FILE* m_err;
    int m_pipe = -1;  // the reading end of a narrow pipe
    std::string m_piped;
    pid_t m_child = -1;
    std::string m_script;  // --dest= of a --dump run
};

// Runs corvath with the arguments and waits for it.
process_result run_corvath(const std::vector<std::string>& arguments);
