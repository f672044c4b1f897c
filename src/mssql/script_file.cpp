#include "mssql/script_file.h"

#include "converter/error_handler.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t buffer_size = 1 << 16;

} // namespace

mss_script_file::mss_script_file(const std::wstring& path) : m_path(path)
{
    m_file.reset(std::fopen(tk_unicode_to_ansi(path).c_str(), "wb"));
    if (!m_file) {
        const int error = errno;
        tk_log(2, "Failed to open file");
        fail("open", error);
    }
    std::setvbuf(m_file.get(), nullptr, _IOFBF, buffer_size);
}

void mss_script_file::write(std::string_view bytes)
{
    if (!m_file)
        fail("write", EBADF);
    if (bytes.empty())
        return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        fail("write", errno);
}

void mss_script_file::write_utf8(const std::wstring& text)
{
    write(tk_unicode_to_utf8(text));
}

void mss_script_file::close()
{
    if (!m_file)
        return;
    const bool flushed = std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    const int flush_error = errno;
    const bool closed = std::fclose(m_file.release()) == 0;
    const int close_error = errno;
    if (!flushed)
        fail("write", flush_error);
    if (!closed)
        fail("close", close_error);
}

void mss_script_file::fail(const char* what, int error) const
{
    throw tk_exception(std::string("Cannot ") + what + " the script file '" + tk_unicode_to_utf8(m_path) +
                           "': " + std::strerror(error),
                       1);
}

void mss_report_script_failure(const tk_exception& failure)
{
    if (error_handler::is_initialized())
        error_handler::instance().handle(failure, true);
    else
        tk_log(3, "Error:\n%s", failure.what());
}
