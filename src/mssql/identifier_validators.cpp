#include "mssql/identifier_validators.h"

#include "model/schema.h"
#include "mssql/client_commands.h"
#include "platform/utf8_locale.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <array>
#include <wctype.h>

namespace {

bool is_letter(wchar_t c)
{
    const locale_t locale = platform::utf8_ctype_locale();
    return locale ? iswalpha_l(static_cast<wint_t>(c), locale) != 0 : iswalpha(static_cast<wint_t>(c)) != 0;
}

}  // namespace

mss_validator::mss_validator() : udb_validator(0) {}

bool mss_validator::is_acceptable(const std::wstring& name)
{
    tk_log(1, L"mss_validator::is_acceptable(%ls)", name.c_str());
    if (!udb_validator::is_acceptable(name))
        return false;
    tk_log(1, "udb_validator::is_acceptable has been passed");
    if (name.empty())
        throw tk_mail_assertion("mss_vali", 115);
    if (!mss_is_client_safe_name(name)) {
        tk_log(1, "The name holds what a client reads as a command");
        return false;
    }
    if (name.front() == L'[' && name.back() == L']') {
        tk_log(1, "Names enclosed in [...] are always acceptable");
        return true;
    }
    return is_letter(name.front()) || name.front() == L'_';
}

std::wstring mss_validator::get_safe_name(const std::wstring& name)
{
    tk_log(1, L"mss_validator::get_safe_name(%ls)", name.c_str());
    static const std::array<const wchar_t*, 6> prefixes = {L"_", L"1", L"_", L"2", L"_", L"3"};
    std::wstring candidate = mss_client_safe_name(name);
    for (std::size_t turn = 0; is_duplicated(candidate); ++turn) {
        tk_log(2, "Duplicate table name was found");
        candidate = prefixes[turn % prefixes.size()] + candidate;
    }
    return candidate;
}

mss_fn_validator::mss_fn_validator(const udb_schema& schema)
{
    tk_log(2, "mss_fn_validator::ctor1");
    for (const t_ftd* column : schema)
        if (column && is_acceptable(column->name))
            add_existing_name(column->name);
}

mss_tn_validator::mss_tn_validator(const std::vector<std::wstring>& first_names,
                                   const std::vector<std::wstring>& second_names)
{
    tk_log(1, "mss_tn_validator::ctor");
    for (const auto& name : first_names)
        add_existing_name(name);
    for (const auto& name : second_names)
        add_existing_name(name);
}
