#include "agent/corvath_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace {

// An unnamed temporary file that receives one output stream of the child.
class capture_file {
public:
    capture_file() : m_file(std::tmpfile()) {
        if (!m_file) throw std::runtime_error("cannot create a temporary file");
    }
    ~capture_file() { std::fclose(m_file); }
    capture_file(const capture_file&) = delete;
    capture_file& operator=(const capture_file&) = delete;

    int descriptor() const { return fileno(m_file); }
    std::string contents() const {
        std::string text;
        std::rewind(m_file);
        char buffer[4096];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;) text.append(buffer, read);
        return text;
    }

private:
    std::FILE* m_file;
};

}  // namespace

process_result run_corvath(const std::vector<std::string>& arguments) {
    std::vector<std::string> texts{CORVATH_PROGRAM};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    capture_file out, err;
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        dup2(out.descriptor(), STDOUT_FILENO);
        dup2(err.descriptor(), STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");
    if (!WIFEXITED(status)) throw std::runtime_error("corvath ended by a signal");
    return {WEXITSTATUS(status), out.contents(), err.contents()};
}
