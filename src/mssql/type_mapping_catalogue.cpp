// The catalogues of the column type editor (mss.map, mss.typ), drawn from
// the type mapping.
#include "mssql/type_mapping.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <set>

namespace {

using type_list = std::vector<std::wstring>;

// Types whose values convert into one another; a column may take any type
// of its own family or a character type.
const type_list characters = {L"nvarchar", L"varchar", L"nchar", L"char"};
const type_list texts = {L"nvarchar", L"varchar", L"nchar", L"char", L"ntext", L"text", L"xml"};
const type_list exact_numbers = {L"bit",     L"tinyint", L"smallint",   L"int",  L"bigint", L"numeric",
                                 L"decimal", L"money",   L"smallmoney", L"real", L"float"};
const type_list approximate_numbers = {L"real", L"float", L"numeric", L"decimal"};
const type_list dates = {L"datetime", L"datetime2", L"smalldatetime", L"date", L"time", L"datetimeoffset"};
const type_list binaries = {L"varbinary", L"binary", L"image"};

struct family {
    type_list members;  // the keys of the family
    std::vector<const type_list*> offered;
};

// Keys include the "(max)" forms that get_mss_native_type1 gives columns too
// long for a sized type.
const std::vector<family>& families()
{
    static const std::vector<family> all = {
        {{L"bit", L"tinyint", L"smallint", L"int", L"bigint", L"numeric", L"decimal", L"money", L"smallmoney"},
         {&exact_numbers, &characters}},
        {{L"real", L"float"}, {&approximate_numbers, &characters}},
        {dates, {&dates, &characters}},
        {{L"nvarchar", L"varchar", L"nchar", L"char", L"ntext", L"text", L"xml", L"nvarchar(max)", L"varchar(max)"},
         {&texts}},
        {{L"varbinary", L"binary", L"image", L"varbinary(max)"}, {&binaries}},
        {{L"uniqueidentifier"}, {&characters}},
        // Spatial values arrive in the form only their own type reads.
        {{L"geometry"}, {}},
        {{L"geography"}, {}},
    };
    return all;
}

std::wstring without_size(const std::wstring& type)
{
    return type.substr(0, type.find(L'('));
}

void add_once(type_list& list, const std::wstring& type)
{
    if (std::find(list.begin(), list.end(), type) == list.end())
        list.push_back(type);
}

std::string catalogue_text(const std::vector<std::pair<std::wstring, type_list>>& entries)
{
    std::string text = "# Made from the program's type mapping when it is built.\n";
    for (const auto& [key, items] : entries) {
        text += tk_unicode_to_utf8(key) + ":\n";
        for (const std::wstring& item : items)
            text += "- " + tk_unicode_to_utf8(item) + "\n";
    }
    return text;
}

}  // namespace

std::vector<std::pair<std::wstring, std::vector<std::wstring>>> mss_type_conversions()
{
    std::vector<std::pair<std::wstring, type_list>> conversions;
    for (const family& types : families()) {
        for (const std::wstring& key : types.members) {
            type_list offered{without_size(key)};
            for (const type_list* list : types.offered) {
                for (const std::wstring& type : *list)
                    add_once(offered, type);
            }
            conversions.emplace_back(key, std::move(offered));
        }
    }
    return conversions;
}

std::vector<std::wstring> mss_type_size_words(const std::wstring& type)
{
    mss_native_type bare;
    bare.type = type;
    const std::wstring plain = get_mss_native_type2(bare);
    auto changes = [&](std::uint64_t length, std::uint32_t scale, std::uint32_t prec) {
        mss_native_type sized = bare;
        sized.length = length;
        sized.scale = scale;
        sized.prec = prec;
        return get_mss_native_type2(sized) != plain;
    };
    std::vector<std::wstring> words;
    if (changes(10, 0, 0))
        words.emplace_back(L"LENGTH");
    if (changes(0, 0, 10))
        words.emplace_back(L"PRECISION");
    if (changes(0, 2, 0))
        words.emplace_back(L"SCALE");
    return words;
}

std::string mss_type_map_text()
{
    return catalogue_text(mss_type_conversions());
}

std::string mss_type_sizes_text()
{
    std::set<std::wstring> offered;
    for (const auto& [key, items] : mss_type_conversions())
        offered.insert(items.begin(), items.end());
    std::vector<std::pair<std::wstring, type_list>> sizes;
    for (const std::wstring& type : offered)
        sizes.emplace_back(type, mss_type_size_words(type));
    return catalogue_text(sizes);
}
