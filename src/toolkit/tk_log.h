// The one log file of a process. Lines at levels 1 (data details) and 2 (entry
// traces) and 3 (the conversion log) are written when the level reaches the
// threshold. Each line is its own open-append-close, ending in CR LF, so the
// file can be read, moved or deleted between two lines.
#pragma once

#include "toolkit/tk_singleton.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

class tk_logger : public tk_singleton<tk_logger> {
public:
    // A null file name means the program's path with the extension ".log".
    // Enabled at construction, the file is emptied at once.
    tk_logger(const char* file_name, std::uint8_t enabled, std::uint32_t threshold, std::uint8_t timestamps);
    ~tk_logger() override;

    // Switches logging on to the file; leaves the threshold alone and does not
    // empty the file again once a line was written in this process.
    void set_logfile(const char* file_name);

    const std::string& get_file_name() const { return m_file_name; }
    bool is_enabled() const { return m_enabled.load(std::memory_order_acquire); }
    // A line could not be written. The first failure is reported on the
    // standard error stream; the log is then incomplete, which the program's
    // exit code must show.
    bool has_failed() const { return m_failed.load(std::memory_order_acquire); }

    // For tk_log: whether a line of that level is to be written. The first call
    // after logging was switched on empties the file, whatever the level.
    bool accepts(int level);
    void write_line(const char* format, va_list arguments);
    void write_line(const wchar_t* format, va_list arguments);

private:
    struct file_closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using file_handle = std::unique_ptr<std::FILE, file_closer>;

    void truncate_once();
    // Makes the registered logger's lowest written level the cached one.
    void publish_threshold();
    file_handle open_line();
    // Ends the line and closes the file, noting a failure.
    void end_line(file_handle file);
    void note_failure(int error);

    std::string m_file_name;
    int m_threshold;
    bool m_add_line_end = true;
    std::atomic<bool> m_enabled;
    std::atomic<bool> m_truncated = false;
    std::atomic<bool> m_failed = false;
    bool m_timestamps;
    std::mutex m_truncation_mutex;
};

namespace tk_log_detail {
// The lowest level any logger may write; above every level while nothing is
// logged, so that a disabled line costs one relaxed load and a comparison.
extern std::atomic<int> lowest_accepted_level;
bool accepts(int level);
void write(const char* format, ...) __attribute__((format(printf, 1, 2)));
void write(const wchar_t* format, ...);
}  // namespace tk_log_detail

// Whether a line of that level reaches the file, for lines whose arguments
// are costly to build.
inline bool tk_log_accepts(int level)
{
    return level >= tk_log_detail::lowest_accepted_level.load(std::memory_order_relaxed) &&
           tk_log_detail::accepts(level);
}

// tk_log(level, format, ...): one line; wide formats take wide arguments as
// %ls and are written as UTF-8. The arguments are not even evaluated for a
// line below the threshold: many lines sit on the path of every value.
#define tk_log(level, ...) (tk_log_accepts(level) ? tk_log_detail::write(__VA_ARGS__) : void())
