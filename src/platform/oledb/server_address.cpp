#include "platform/oledb/server_address.h"

#include "platform/compare_string.h"

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

bool names_this_machine(std::wstring_view host)
{
    for (const std::wstring_view local : {L".", L"(local)", L"localhost"}) {
        if (platform::equal_ignoring_ascii_case(host, local))
            return true;
    }
    return false;
}

}  // namespace

std::optional<server_address> parse_server_address(const std::wstring& address)
{
    server_address parts;
    std::wstring rest = trimmed(address);
    if (rest.empty()) {
        parts.host = local_server_host;
        return parts;
    }
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
    if (rest.empty() || looks_like_host_colon_port(rest))
        return std::nullopt;
    parts.host = names_this_machine(rest) ? local_server_host : rest;
    return parts;
}

server_address usable_server_address(const std::wstring& driver, const std::wstring& address)
{
    std::optional<server_address> parts = parse_server_address(address);
    if (!parts)
        throw db_error(driver, {{L"08001", 0,
                                 L"The server address '" + address +
                                     L"' cannot be used: write it as host, host,port or host\\instance."}});
    return std::move(*parts);
}

}  // namespace oledb
