#include "toolkit/tk_text_conversion.h"

#include "platform/code_page.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t conversion_failure_code = 0;

template <class String>
void cut_at_first_zero(String& text)
{
    text.resize(std::min(text.size(), text.find(typename String::value_type(0))));
}

void to_unicode(std::uint32_t code_page, std::string_view text, std::wstring& result)
{
    if (!MultiByteToWideChar(code_page, text, result))
        throw tk_exception_ex("Cannot convert to UNICODE string: ", conversion_failure_code);
    cut_at_first_zero(result);
}

std::wstring to_unicode(std::uint32_t code_page, const std::string& text)
{
    std::wstring result;
    to_unicode(code_page, text, result);
    return result;
}

std::string from_unicode(std::uint32_t code_page, const std::wstring& text, const char* failure)
{
    std::string result;
    if (!WideCharToMultiByte(code_page, text, result))
        throw tk_exception_ex(failure, conversion_failure_code);
    cut_at_first_zero(result);
    return result;
}

// The ANSI form of a wide text, or false; never throws.
bool to_ansi(const wchar_t* text, std::string& result)
{
    return text && WideCharToMultiByte(CP_ACP, text, result);
}

}  // namespace

std::wstring tk_ansi_to_unicode(const std::string& text)
{
    return to_unicode(CP_ACP, text);
}

std::wstring tk_utf8_to_unicode(const std::string& text)
{
    return to_unicode(CP_UTF8, text);
}

void tk_utf8_to_unicode(std::string_view text, std::wstring& result)
{
    to_unicode(CP_UTF8, text, result);
}

std::string tk_unicode_to_ansi(const std::wstring& text, std::uint32_t code_page)
{
    return from_unicode(code_page == tk_ansi_code_page ? CP_ACP : code_page, text, "Cannot convert to ANSI string: ");
}

std::string tk_unicode_to_utf8(const std::wstring& text)
{
    return from_unicode(CP_UTF8, text, "Cannot convert to UTF8 string: ");
}

bool tk_ansi_to_unicode1(const char* text, std::unique_ptr<wchar_t[]>& buffer)
{
    std::wstring wide;
    if (!text || !MultiByteToWideChar(CP_ACP, text, wide))
        return false;
    buffer = std::make_unique<wchar_t[]>(wide.size() + 1);
    std::copy(wide.begin(), wide.end(), buffer.get());
    return true;
}

bool tk_unicode_to_ansi2(const wchar_t* text, std::unique_ptr<char[]>& buffer)
{
    tk_log(1, "tk_unicode_to_ansi2");
    std::string narrow;
    if (!to_ansi(text, narrow))
        return false;
    tk_log(1, "n_ansi=%d, n_unicode=%d", static_cast<int>(narrow.size() + 1), static_cast<int>(std::wcslen(text)));
    buffer = std::make_unique<char[]>(narrow.size() + 1);
    std::memcpy(buffer.get(), narrow.c_str(), narrow.size() + 1);
    return true;
}

bool tk_unicode_to_ansi3(const wchar_t* text, std::string& result)
{
    const bool converted = to_ansi(text, result);
    tk_log(1, converted ? "tk_unicode_to_ansi3 - return true" : "tk_unicode_to_ansi3 - return false");
    return converted;
}

bool tk_unicode_to_ansi1(const wchar_t* text, char* buffer, std::size_t buffer_size)
{
    std::string narrow;
    if (!buffer || !to_ansi(text, narrow) || narrow.size() >= buffer_size)
        return false;
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return true;
}

std::wstring tk_file_name_to_unicode(const std::string& name)
{
    return platform::decode_file_name(name);
}

std::string tk_unicode_to_file_name(const std::wstring& name)
{
    return platform::encode_file_name(name);
}
