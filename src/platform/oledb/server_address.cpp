#include "platform/oledb/server_address.h"

#include <algorithm>
#include <cwctype>

namespace oledb {

namespace {

bool all_digits(const std::wstring& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

bool is_port(const std::wstring& text)
{
    if (!all_digits(text) || text.size() > 5)
        return false;
    const unsigned long number = std::stoul(text);
    return number >= 1 && number <= 65535;
}

// host:port; an IPv6 address has more than one colon.
bool looks_like_host_colon_port(const std::wstring& host)
{
    const std::size_t colon = host.find(L':');
    return colon != std::wstring::npos && host.find(L':', colon + 1) == std::wstring::npos &&
           all_digits(host.substr(colon + 1));
}

std::wstring trimmed(const std::wstring& text)
{
    const auto blank = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

}  // namespace

std::optional<server_address> parse_server_address(const std::wstring& address)
{
    server_address parts;
    std::wstring rest = trimmed(address);
    if (const std::size_t comma = rest.find(L','); comma != std::wstring::npos) {
        parts.port = trimmed(rest.substr(comma + 1));
        rest = trimmed(rest.substr(0, comma));
        if (!is_port(parts.port))
            return std::nullopt;
    }
    if (const std::size_t backslash = rest.find(L'\\'); backslash != std::wstring::npos) {
        parts.instance = trimmed(rest.substr(backslash + 1));
        rest = trimmed(rest.substr(0, backslash));
        if (parts.instance.empty())
            return std::nullopt;
    }
    parts.host = rest;
    if (parts.host.empty() || looks_like_host_colon_port(parts.host))
        return std::nullopt;
    return parts;
}

}  // namespace oledb
