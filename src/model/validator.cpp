#include "model/validator.h"

#include "model/name_compare.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int last_counter = 99999;

bool contains_name(const std::vector<std::wstring>& list, const std::wstring& name)
{
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& entry) { return udb_same_name(entry, name); });
}

std::wstring numbered(const std::wstring& base, int counter)
{
    wchar_t digits[16];
    std::swprintf(digits, sizeof digits / sizeof digits[0], L"%05d", counter);
    return base + digits;
}

}  // namespace

udb_validator::udb_validator(std::uint32_t max_length) : max_length(max_length)
{
    tk_log(2, "udb_validator::ctor");
}

bool udb_validator::is_acceptable(const std::wstring& name)
{
    tk_log(2, L"udb_validator::is_acceptable(%ls)", name.c_str());
    if (max_length != 0 && name.size() > max_length) {
        tk_log(1, "The name is too long");
        return false;
    }
    if (contains_name(restricted_words, name)) {
        tk_log(2, "The name is restricted");
        return false;
    }
    for (wchar_t illegal : illegal_chars) {
        if (name.find(illegal) != std::wstring::npos) {
            tk_log(2, L"The name contains illegal: %lc", static_cast<wint_t>(illegal));
            return false;
        }
    }
    return true;
}

bool udb_validator::is_duplicated(const std::wstring& name)
{
    if (!contains_name(used_names, name))
        return false;
    tk_log(2, "Name is duplicated");
    return true;
}

bool udb_validator::is_free(const std::wstring& name)
{
    return is_acceptable(name) && !is_duplicated(name);
}

std::wstring udb_validator::get_safe_name(const std::wstring& name)
{
    tk_log(1, L"udb_validator::get_safe_name(%ls)", name.c_str());
    tk_wstring safe(name);
    safe.to_lower();
    if (max_length != 0 && safe.size() > max_length)
        safe.resize(max_length - 1);
    for (wchar_t illegal : illegal_chars)
        std::replace(safe.begin(), safe.end(), illegal, L'_');
    if (is_free(safe))
        return safe;

    std::wstring base = safe;
    if (max_length != 0 && base.size() + 5 > max_length)
        base.resize(max_length >= 6 ? max_length - 6 : 0);
    for (int counter = 0; counter <= last_counter; ++counter) {
        std::wstring candidate = numbered(base, counter);
        if (is_free(candidate))
            return candidate;
    }
    throw tk_mail_assertion("udb_vali", 55);
}

void udb_validator::add_existing_name(const std::wstring& name)
{
    tk_log(1, L"udb_validator::add_existing_name(%ls)", name.c_str());
    used_names.push_back(name);
}

void udb_validator::add_mapped_pair(const std::wstring& source, const std::wstring& generated)
{
    mapped_pairs[source] = generated;
}
