// Runs one command and reports its wall time and peak resident memory:
//   velmora_measure COMMAND [ARGUMENTS...]
// prints "seconds=<wall time> cpu=<user + system time> peak_kib=<maximum
// resident set size>" on the standard error stream and exits with the
// command's exit code.
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COMMAND [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::perror(argv[1]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::perror("wait4");
        return 2;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    std::fprintf(stderr, "seconds=%.3f cpu=%.3f peak_kib=%ld\n", wall.count(),
                 seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
