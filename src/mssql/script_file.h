#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// The output file of a T-SQL script. Every failure (open, write, close)
// raises a tk_exception of level 1 that names the file and the system's reason.
class mss_script_file {
public:
    // Creates or empties the file.
    explicit mss_script_file(const std::wstring& path);

    void write(std::string_view bytes);
    void write_utf8(const std::wstring& text);
    // Flushes and closes; later writes are refused.
    void close();

    const std::wstring& path() const { return m_path; }

private:
    struct file_closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    [[noreturn]] void fail(const char* what, int error) const;

    std::wstring m_path;
    std::unique_ptr<std::FILE, file_closer> m_file;
};

class tk_exception;

// For a failure met where nothing can be raised (a destructor): reported
// through the error handler, or logged when there is none.
void mss_report_script_failure(const tk_exception& failure);
