#include "model/names_map.h"

#include "platform/utf8_locale.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <cwctype>

namespace {

bool is_alnum(wchar_t c)
{
    locale_t utf8 = platform::utf8_ctype_locale();
    return utf8 != locale_t(0) ? iswalnum_l(static_cast<wint_t>(c), utf8) != 0
                               : std::iswalnum(static_cast<wint_t>(c)) != 0;
}

std::wstring lowered(const std::wstring& text)
{
    tk_wstring result(text);
    result.to_lower();
    return result;
}

std::wstring wrapped(const std::wstring& name, const std::wstring& prefix, const std::wstring& suffix)
{
    std::wstring result = name;
    if (!prefix.empty() && !tk_starts_with(name, prefix, true))
        result.insert(0, prefix);
    if (!suffix.empty() && !tk_ends_with(name, suffix, true))
        result += suffix;
    return result;
}

// An occurrence is a whole word when no letter or digit touches it; an
// underscore therefore counts as a boundary.
bool is_whole_word(const std::wstring& text, std::size_t pos, std::size_t length)
{
    if (pos > 0 && is_alnum(text[pos - 1]))
        return false;
    std::size_t after = pos + length;
    return after >= text.size() || !is_alnum(text[after]);
}

std::wstring replace_words(const std::wstring& text, const std::wstring& source, const std::wstring& replacement)
{
    std::wstring result = text;
    std::wstring lower_text = lowered(text);
    const std::wstring needle = lowered(source);
    const std::wstring lower_replacement = lowered(replacement);
    std::size_t pos = lower_text.find(needle);
    while (pos != std::wstring::npos) {
        if (!is_whole_word(lower_text, pos, needle.size())) {
            pos = lower_text.find(needle, pos + needle.size());
            continue;
        }
        result.replace(pos, needle.size(), replacement);
        lower_text.replace(pos, needle.size(), lower_replacement);
        pos = lower_text.find(needle, pos + replacement.size());
    }
    return result;
}

}  // namespace

void udb_names_map::add_tn_mapping(const std::wstring& source, const std::wstring& destination)
{
    tables[source] = destination;
}

void udb_names_map::add_fn_map(const std::wstring& table, const udb_name_pairs& map)
{
    fields[table] = map;
}

std::wstring udb_names_map::get_tn_mapped_name(const std::wstring& name, bool case_sensitive) const
{
    tk_log(1, L"udb_names_map::get_tn_mapped_name(%ls)", name.c_str());
    for (const auto& [source, destination] : tables) {
        if (tk_same_text(source, name, case_sensitive)) {
            tk_log(1, L"Got mapped name: %ls", destination.c_str());
            return destination;
        }
    }
    return name;
}

std::wstring udb_names_map::get_fn_mapped_name(const std::wstring& table, const std::wstring& field) const
{
    auto map = fields.find(table);
    if (map == fields.end()) {
        tk_log(1, L"Table '%ls' not found", table.c_str());
        return field;
    }
    auto pair = map->second.find(field);
    return pair == map->second.end() ? field : pair->second;
}

std::wstring udb_names_map::get_fn_orig_name(const std::wstring& table, const std::wstring& field,
                                             bool case_sensitive) const
{
    auto map = fields.find(table);
    if (map == fields.end()) {
        tk_log(1, L"Table '%ls' not found", table.c_str());
        return field;
    }
    for (const auto& [source, destination] : map->second) {
        if (tk_same_text(destination, field, case_sensitive))
            return source;
    }
    return field;
}

std::wstring udb_names_map::do_global_replace2(const std::wstring& text, const udb_name_pairs& map,
                                               const std::wstring& prefix, const std::wstring& suffix)
{
    tk_log(2, L"udb_names_map::do_global_replace2(%ls)", text.c_str());
    std::wstring result = text;
    for (const auto& [source, destination] : map) {
        if (!source.empty())
            result = replace_words(result, source, wrapped(destination, prefix, suffix));
    }
    return result;
}

std::wstring udb_names_map::do_global_replace1(const std::wstring& text, const std::wstring& prefix,
                                               const std::wstring& suffix) const
{
    tk_log(2, L"udb_names_map::do_global_replace1(%ls)", text.c_str());
    std::wstring result = do_global_replace2(text, tables, prefix, suffix);
    for (const auto& [table, map] : fields)
        result = do_global_replace2(result, map, prefix, suffix);
    return result;
}
