#include "agent/corvath_process.h"

#include "support/tsql_rules.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An unnamed temporary file that receives one output stream of the child.
std::FILE* capture_file()
{
    std::FILE* file = std::tmpfile();
    if (!file)
        throw std::runtime_error("cannot create a temporary file");
    return file;
}

std::string contents(std::FILE* file)
{
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, read);
    return text;
}

}  // namespace

corvath_process::corvath_process(const std::vector<std::string>& arguments, std::optional<off_t> file_size_limit,
                                 output_capture capture)
    : m_out(capture_file()), m_err(capture_file())
{
    if (std::find(arguments.begin(), arguments.end(), "--dump") != arguments.end())
        for (const std::string& argument : arguments)
            if (argument.starts_with("--dest="))
                m_script = argument.substr(7);
    std::vector<std::string> texts{CORVATH_PROGRAM};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    int ends[2] = {-1, -1};
    if (capture == output_capture::narrow_pipe) {
        if (::pipe(ends) != 0)
            throw std::runtime_error("cannot make a pipe");
        ::fcntl(ends[0], F_SETPIPE_SZ, 4096);
        m_pipe = ends[0];
    }
    m_child = fork();
    if (m_child < 0)
        throw std::runtime_error("fork failed");
    if (m_child == 0) {
        dup2(m_pipe >= 0 ? ends[1] : fileno(m_out), STDOUT_FILENO);
        dup2(fileno(m_err), STDERR_FILENO);
        if (m_pipe >= 0) {
            ::close(ends[0]);
            ::close(ends[1]);
        }
        if (file_size_limit) {
            // A write beyond the limit then fails with EFBIG instead of
            // ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(*file_size_limit), static_cast<rlim_t>(*file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (m_pipe >= 0)
        ::close(ends[1]);
}

corvath_process::~corvath_process()
{
    if (m_pipe >= 0)
        ::close(m_pipe);
    if (m_child > 0)
        waitpid(m_child, nullptr, 0);
    std::fclose(m_out);
    std::fclose(m_err);
}

bool corvath_process::read_until(const std::string& text)
{
    char buffer[512];
    while (m_piped.find(text) == std::string::npos) {
        const ssize_t read = ::read(m_pipe, buffer, sizeof buffer);
        if (read <= 0)
            return false;
        m_piped.append(buffer, static_cast<std::size_t>(read));
    }
    return true;
}

process_result corvath_process::finish()
{
    if (m_pipe >= 0)
        read_until(std::string(1, '\0'));
    int status = 0;
    if (waitpid(m_child, &status, 0) != m_child)
        throw std::runtime_error("waitpid failed");
    m_child = -1;
    if (!WIFEXITED(status))
        throw std::runtime_error("corvath ended by a signal");
    std::error_code error;
    if (!m_script.empty() && std::filesystem::is_regular_file(m_script, error)) {
        std::ifstream script(m_script, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(script), std::istreambuf_iterator<char>()};
        for (const std::string& breach : tsql::rule_breaches(text))
            ADD_FAILURE() << m_script << ": SQL Server would refuse it: " << breach;
    }
    return {WEXITSTATUS(status), m_pipe >= 0 ? m_piped : contents(m_out), contents(m_err)};
}

process_result run_corvath(const std::vector<std::string>& arguments)
{
    return corvath_process(arguments).finish();
}
