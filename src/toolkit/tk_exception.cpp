#include "toolkit/tk_exception.h"

#include "platform/code_page.h"
#include "platform/last_error.h"
#include "platform/system_message.h"
#include "toolkit/tk_log.h"

#include <cstdio>

namespace {

const char* const unknown_exception = "Unknown exception";

constexpr std::uint32_t exception_ex_default_code = 1;
constexpr std::uint32_t internal_error_code = 2;

// The source text of an assertion is "file\line", cut to this many characters.
constexpr std::size_t assertion_text_size = 276;

std::string ansi_text(const std::wstring& text)
{
    std::string narrow;
    if (!WideCharToMultiByte(CP_ACP, text, narrow))
        narrow.clear();
    return narrow;
}

}  // namespace

tk_exception::tk_exception(const std::string& text, std::uint32_t code)
    : m_text(text.empty() ? unknown_exception : text), m_code(code)
{}

tk_exception::tk_exception(const std::wstring& text, std::uint32_t code) : m_text(ansi_text(text)), m_code(code) {}

tk_exception::tk_exception(std::uint32_t code) : m_text(unknown_exception), m_code(code) {}

const char* tk_exception::what() const noexcept
{
    return m_text.c_str();
}

tk_exception_ex::tk_exception_ex() : tk_exception_ex(std::string(), exception_ex_default_code) {}

tk_exception_ex::tk_exception_ex(const std::string& prefix, std::uint32_t code) : tk_exception(code)
{
    const std::uint32_t error = GetLastError();
    set_error_number(error);
    std::string message;
    if (!FormatMessageA(error, message))
        return;
    set_text(prefix + message);
    tk_log(2, "GetLastError: %s", message.c_str());
}

tk_mail_assertion::tk_mail_assertion(const char* source_file, std::uint32_t line) : tk_exception(internal_error_code)
{
    tk_log(2, "make_err_meggase(%s, %d)", source_file, static_cast<int>(line));
    char source[assertion_text_size];
    std::snprintf(source, sizeof source, "%s\\%d", source_file, static_cast<int>(line));
    tk_log(2, "result=%s", source);
    std::string text = "Internal error: \ncode=";
    for (const char* character = source; *character; ++character) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(*character));
        text += digits;
    }
    set_text(text);
    tk_log(2, "tk_mail_assertion::ctor(%s)", source_file);
}

tk_final_exception::tk_final_exception()
{
    tk_log(2, "tk_final_exception::ctor");
}
