#include "model/converter.h"

#include "model/profile.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

namespace {

// Any value other than empty or "0" sets the flag; nothing clears it.
void load_flag(const std::wstring& value, bool& flag)
{
    if (!value.empty() && value != L"0")
        flag = true;
}

const wchar_t* flag_text(bool flag)
{
    return flag ? L"1" : L"0";
}

void append_pairs(const udb_profile_pairs& from, udb_name_list& to)
{
    to.insert(to.end(), from.begin(), from.end());
}

void store_pairs(udb_profile& profile, const wchar_t* section, const udb_name_list& pairs, const wchar_t* trace)
{
    for (const auto& [name, text] : pairs) {
        tk_log(2, trace, name.c_str(), text.c_str());
        profile.set_value(section, name, text);
    }
}

}  // namespace

udb_converter::udb_converter()
{
    tk_log(2, "udb_converter::ctor");
}

void udb_converter::set_mode(std::uint32_t mode)
{
    tk_log(1, "udb_converter::set_mode(%d)", static_cast<int>(mode));
    this->mode = mode;
}

bool udb_converter::load_profile(udb_profile& profile)
{
    tk_log(2, "udb_converter::load_profile");
    for (const auto& [name, query] : profile.get_selected_tables()) {
        tk_log(2, query.empty() ? L"Loading table '%ls'" : L"Loading query '%ls'", name.c_str());
        selected.emplace_back(name, query);
    }
    append_pairs(profile.get_queries(), available_queries);
    append_pairs(profile.get_selected_views(), views);

    auto generic = [&](const wchar_t* key) { return profile.get_value(udb_section_generic, key); };
    if (std::wstring source = generic(L"src"); !source.empty()) {
        tk_log(2, L"source='%ls'", source.c_str());
        set_source_name(source);
    }
    if (std::wstring destination = generic(L"dest"); !destination.empty()) {
        tk_log(2, L"dest='%ls'", destination.c_str());
        set_destination_name(destination);
    }
    if (std::wstring logfile = generic(L"logfile"); !logfile.empty())
        set_logfile(tk_unicode_to_ansi(logfile));
    load_flag(generic(L"only definitions"), only_definitions);
    // Like the command line, only the digits of the known modes are taken.
    if (std::wstring value = generic(L"mode"); value.size() == 1 && value[0] >= L'0' && value[0] <= L'4')
        mode = static_cast<std::uint32_t>(value[0] - L'0');
    load_flag(generic(L"skip indexes"), skip_indexes);
    return true;
}

bool udb_converter::store_profile(udb_profile& profile) const
{
    tk_log(2, "udb_converter::store_profile");
    store_pairs(profile, udb_section_queries, available_queries, L"Available Query: (%ls,%ls)");
    store_pairs(profile, udb_section_tables, selected, L"Selected Query: (%ls,%ls)");
    store_pairs(profile, udb_section_views, views, L"Selected View: (%ls,%ls)");

    profile.set_value(udb_section_generic, L"src", get_source_name());
    profile.set_value(udb_section_generic, L"dest", get_destination_name());
    profile.set_value(udb_section_generic, L"logfile", tk_ansi_to_unicode(get_logfile()));
    profile.set_value(udb_section_generic, L"skip indexes", flag_text(skip_indexes));
    profile.set_value(udb_section_generic, L"only definitions", flag_text(only_definitions));
    profile.set_value(udb_section_generic, L"mode", std::wstring(1, static_cast<wchar_t>(L'0' + mode)));
    return true;
}
