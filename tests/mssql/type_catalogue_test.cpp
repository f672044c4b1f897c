// The column editor's catalogues as the build writes them beside the
// program agree with the type mapping: every type a column is shown with
// offers conversions, every offered type has its size words, and those are
// the sizes the mapping writes into the type.
#include "model/column_descriptor.h"
#include "mssql/mss_engine.h"
#include "mssql/type_mapping.h"
#include "toolkit/tk_yaml_config.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

const std::string folder = VELMORA_TYPE_CATALOGUES_DIR;

tk_yaml_config read_catalogue(const char* name)
{
    tk_yaml_config catalogue;
    EXPECT_TRUE(catalogue.load((folder + "/" + name).c_str(), {})) << name;
    return catalogue;
}

// The key lines of a catalogue, also those of keys without items.
std::set<std::wstring> keys_of(const char* name)
{
    std::set<std::wstring> keys;
    std::ifstream file(folder + "/" + name);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == ':')
            keys.insert(std::wstring(line.begin(), line.end() - 1));
    }
    return keys;
}

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Every type name the mapping shows a column with, over the column kinds,
// sizes, subtypes and precisions it tells apart and every engine state.
std::set<std::wstring> shown_types()
{
    mss_engine engine;
    std::set<std::wstring> shown;
    std::vector<VARTYPE> vartypes = {VT_ARRAY | VT_UI1, VT_BLOB, VT_BLOB_OBJECT};
    for (VARTYPE vartype = VT_EMPTY; vartype <= VT_UINT; ++vartype)
        vartypes.push_back(vartype);
    for (const bool unicode : {true, false}) {
        for (const int version : {0, 10}) {
            for (const bool native : {true, false}) {
                engine.unicode = unicode;
                engine.version_code = version;
                engine.connected = native;
                engine.native_client = native;
                for (const VARTYPE vartype : vartypes) {
                    for (const std::int32_t size : {-1, 0, 1, 40, 4000, 4001, 8000, 8001, 65535}) {
                        for (const std::uint32_t subtype : {0u, 1u, 2u, 3u, 8u, 16u, 18u}) {
                            for (const std::int32_t precision : {0, 10, 38, 39}) {
                                t_ftd column(size, L"c", vartype, false, false, ole_variant(), subtype);
                                column.precision = precision;
                                shown.insert(get_mss_native_type1(column, true));
                            }
                        }
                    }
                }
            }
        }
    }
    return shown;
}

TEST(type_catalogues, offer_conversions_for_every_type_a_column_is_shown_with)
{
    const tk_yaml_config map = read_catalogue("mss.map");
    for (const std::wstring& type : shown_types()) {
        const auto offered = map.get_items().find(narrow(type));
        ASSERT_NE(offered, map.get_items().end()) << narrow(type);
        // The column's own type comes first, so that it can keep it.
        EXPECT_EQ(offered->second.front(), type.substr(0, type.find(L'('))) << narrow(type);
    }
}

TEST(type_catalogues, give_each_offered_type_the_sizes_the_mapping_writes)
{
    const tk_yaml_config map = read_catalogue("mss.map");
    const tk_yaml_config sizes = read_catalogue("mss.typ");
    const std::set<std::wstring> size_keys = keys_of("mss.typ");
    for (const auto& [key, offered] : map.get_items()) {
        for (const std::wstring& type : offered) {
            ASSERT_EQ(size_keys.count(type), 1u) << narrow(type);
            const auto words = sizes.get_items().find(narrow(type));
            EXPECT_EQ(words == sizes.get_items().end() ? std::vector<std::wstring>() : words->second,
                      mss_type_size_words(type))
                << narrow(type);
        }
    }
}

TEST(type_catalogues, size_words_follow_the_mapping)
{
    const struct {
        const wchar_t* type;
        std::vector<std::wstring> words;
    } cases[] = {
        {L"nvarchar", {L"LENGTH"}},
        {L"char", {L"LENGTH"}},
        {L"varbinary", {L"LENGTH"}},
        {L"decimal", {L"PRECISION", L"SCALE"}},
        {L"numeric", {L"PRECISION", L"SCALE"}},
        {L"datetime2", {L"PRECISION", L"SCALE"}},
        {L"int", {}},
        {L"ntext", {}},
        {L"datetime", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mss_type_size_words(c.type), c.words) << narrow(c.type);
}

}  // namespace
