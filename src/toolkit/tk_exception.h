// The toolkit folder: the services every folder above it uses: the log
// (tk_log.h), the exceptions and their levels (this file), the process's
// error handler (error_handler.h) with its map from error numbers to
// messages, process-wide objects (tk_singleton.h), text conversion and
// string helpers, file names and tests, the settings store (tk_registry.h),
// worker threads (tk_thread.h), the clipboard and the bug-report mail. It
// includes only the platform folder; most names start with tk_. Nothing
// here knows a database.
//
// This file: the program's exceptions. Handlers near the user catch the
// specific classes first, then tk_exception, then std::exception.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The levels at which the error handler reports an exception (its code).
// Recoverable: reported, and the user may go on or abort.
inline constexpr std::uint32_t tk_level_recoverable = 0;
// Fatal: an error that stops what was being done.
inline constexpr std::uint32_t tk_level_fatal = 1;
// Internal: an internal error that ends the program.
inline constexpr std::uint32_t tk_level_internal = 2;

// A message text, an error number and a code.
// - The error number selects the message in the error handler's code map: the
//   Windows error of tk_exception_ex, 0x400000 plus the MySQL error number,
//   0x80000 plus the low 16 bits of an OLE DB HRESULT; 0 otherwise.
// - The code is one of the levels above.
class tk_exception : public std::exception {
public:
    // An empty text becomes "Unknown exception".
    tk_exception(const std::string& text, std::uint32_t code);
    // The text in the ANSI code page; it stays empty when it cannot be converted.
    tk_exception(const std::wstring& text, std::uint32_t code);
    explicit tk_exception(std::uint32_t code);

    const char* what() const noexcept override;
    std::uint32_t get_error_number() const { return m_error_number; }
    std::uint32_t get_code() const { return m_code; }

protected:
    void set_text(std::string text) { m_text = std::move(text); }
    void set_error_number(std::uint32_t error_number) { m_error_number = error_number; }

private:
    std::string m_text;
    std::uint32_t m_error_number = 0;
    std::uint32_t m_code;
};

// Its text is the system message of the thread's last error, after a prefix;
// its error number is that error.
class tk_exception_ex : public tk_exception {
public:
    tk_exception_ex();  // code 1
    tk_exception_ex(const std::string& prefix, std::uint32_t code);
};

// An internal consistency check failed. The text carries the source file and
// line only as hexadecimal digits, for a maintainer to decode; the code is 2.
class tk_mail_assertion : public tk_exception {
public:
    tk_mail_assertion(const char* source_file, std::uint32_t line);
};

// Ends a run without a report. Deliberately not a tk_exception, so that the
// handlers for those let it pass.
class tk_final_exception : public std::exception {
public:
    tk_final_exception();
};
