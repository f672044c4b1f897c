#include "toolkit/tk_log.h"

#include "platform/code_page.h"
#include "platform/local_time.h"
#include "platform/utf8_locale.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_module_name.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Bounds of one wide line: its formatted characters and its UTF-8 bytes.
constexpr std::size_t wide_line_characters = 10240;
constexpr std::size_t wide_line_bytes = 10240;

std::string default_file_name()
{
    tk_file_name name(tk_get_module_name());
    name.set_ext(".log");
    return name.get_full_path();
}

// Cuts UTF-8 text to at most the given bytes without splitting a character.
void cut_utf8(std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

}  // namespace

std::atomic<int> tk_log_detail::lowest_accepted_level = std::numeric_limits<int>::max();

bool tk_log_detail::accepts(int level)
{
    return tk_singleton<tk_logger>::is_initialized() && tk_singleton<tk_logger>::ref().accepts(level);
}

tk_logger::tk_logger(const char* file_name, std::uint8_t enabled, std::uint32_t threshold, std::uint8_t timestamps)
    : m_file_name(file_name ? file_name : default_file_name()), m_threshold(static_cast<int>(threshold)),
      m_enabled(enabled != 0), m_timestamps(timestamps != 0)
{
    if (m_enabled)
        truncate_once();
    publish_threshold();
}

// Whatever logger ends, the registration ends with it.
tk_logger::~tk_logger()
{
    tk_log_detail::lowest_accepted_level.store(std::numeric_limits<int>::max(), std::memory_order_relaxed);
}

void tk_logger::publish_threshold()
{
    if (!is_initialized() || &ref() != this)
        return;
    int lowest = std::numeric_limits<int>::max();
    // Until the file was emptied, a line of any level must come through to empty it.
    if (is_enabled())
        lowest = m_truncated.load(std::memory_order_acquire) ? m_threshold : std::numeric_limits<int>::min();
    tk_log_detail::lowest_accepted_level.store(lowest, std::memory_order_relaxed);
}

void tk_logger::set_logfile(const char* file_name)
{
    if (!file_name)
        throw tk_mail_assertion("..\\TK/tk_log", 82);
    m_file_name = file_name;
    m_enabled.store(true, std::memory_order_release);
    publish_threshold();
}

void tk_logger::truncate_once()
{
    std::lock_guard<std::mutex> lock(m_truncation_mutex);
    if (m_truncated.load(std::memory_order_relaxed))
        return;
    file_handle emptied(std::fopen(m_file_name.c_str(), "wb"));
    if (!emptied || std::fclose(emptied.release()) != 0)
        note_failure(errno);
    m_truncated.store(true, std::memory_order_release);
    publish_threshold();
}

bool tk_logger::accepts(int level)
{
    if (!is_enabled())
        return false;
    if (!m_truncated.load(std::memory_order_acquire))
        truncate_once();
    return level >= m_threshold;
}

void tk_logger::note_failure(int error)
{
    if (m_failed.exchange(true, std::memory_order_acq_rel))
        return;
    std::fprintf(stderr, "Cannot write the log file '%s': %s\n", m_file_name.c_str(), std::strerror(error));
    std::fflush(stderr);
}

tk_logger::file_handle tk_logger::open_line()
{
    file_handle file(std::fopen(m_file_name.c_str(), "ab"));
    if (!file)
        note_failure(errno);
    if (file && m_timestamps) {
        const platform::local_clock_time now = platform::get_local_time();
        std::fprintf(file.get(), "%02d:%02d:%02d ", now.hour, now.minute, now.second);
    }
    return file;
}

void tk_logger::end_line(file_handle file)
{
    if (m_add_line_end)
        std::fputs("\r\n", file.get());
    // A full device shows at the latest when the buffered line is flushed.
    const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    const int error = errno;
    if (std::fclose(file.release()) != 0 || !written)
        note_failure(written ? errno : error);
}

void tk_logger::write_line(const char* format, va_list arguments)
{
    file_handle file = open_line();
    if (!file)
        return;
    {
        // Wide arguments of a narrow line become UTF-8 whatever the process locale.
        platform::scoped_utf8_locale utf8;
        std::vfprintf(file.get(), format, arguments);
    }
    end_line(std::move(file));
}

void tk_logger::write_line(const wchar_t* format, va_list arguments)
{
    std::vector<wchar_t> line(wide_line_characters, L'\0');
    {
        platform::scoped_utf8_locale utf8;
        // A line too long for the buffer is cut (vswprintf then reports failure).
        std::vswprintf(line.data(), line.size(), format, arguments);
    }
    line.back() = L'\0';
    std::string bytes;
    WideCharToMultiByte(CP_UTF8, std::wstring_view(line.data()), bytes);
    cut_utf8(bytes, wide_line_bytes);

    file_handle file = open_line();
    if (!file)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    end_line(std::move(file));
}

void tk_log_detail::write(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    tk_singleton<tk_logger>::ref().write_line(format, arguments);
    va_end(arguments);
}

void tk_log_detail::write(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    tk_singleton<tk_logger>::ref().write_line(format, arguments);
    va_end(arguments);
}
