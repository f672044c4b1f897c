#include "model/converter.h"

#include "model/profile.h"

#include <gtest/gtest.h>

namespace {

class test_converter : public udb_converter {
public:
    bool test_query(const std::wstring&) override { return true; }
};

udb_profile generic_settings(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
{
    udb_profile profile;
    for (const auto& [key, value] : pairs)
        profile.set_value(udb_section_generic, key, value);
    return profile;
}

TEST(udb_converter_test, mode_takes_one_digit_of_a_known_mode)
{
    struct {
        const wchar_t* value;
        std::uint32_t expected;
    } cases[] = {{nullptr, 1}, {L"3", 3}, {L"0", 0}, {L"12", 1}, {L"9", 1}, {L"", 1}};
    for (const auto& c : cases) {
        test_converter converter;
        converter.mode = 1;
        udb_profile profile = c.value ? generic_settings({{L"mode", c.value}}) : udb_profile();
        EXPECT_TRUE(converter.load_profile(profile));
        EXPECT_EQ(converter.mode, c.expected) << (c.value ? c.value : L"(none)");
    }
}

TEST(udb_converter_test, flags_are_only_ever_set_by_loading)
{
    test_converter converter;
    udb_profile zero = generic_settings({{L"only definitions", L"0"}, {L"skip indexes", L""}});
    converter.load_profile(zero);
    EXPECT_FALSE(converter.only_definitions);
    EXPECT_FALSE(converter.skip_indexes);

    udb_profile yes = generic_settings({{L"only definitions", L"yes"}, {L"skip indexes", L"1"}});
    converter.load_profile(yes);
    EXPECT_TRUE(converter.only_definitions);
    EXPECT_TRUE(converter.skip_indexes);

    converter.load_profile(zero);
    EXPECT_TRUE(converter.only_definitions);
}

TEST(udb_converter_test, loading_appends_lists_and_takes_names)
{
    udb_profile profile = generic_settings({{L"src", L"sakila"}, {L"dest", L""}});
    profile.set_value(udb_section_tables, L"film", L"");
    profile.set_value(udb_section_tables, L"top", L"SELECT 1");
    profile.set_value(udb_section_queries, L"q", L"SELECT 2");
    profile.set_value(udb_section_views, L"v", L"SELECT 3");

    test_converter converter;
    converter.set_destination_name(L"target");
    converter.load_profile(profile);
    converter.load_profile(profile);
    EXPECT_EQ(converter.get_source_name(), L"sakila");
    EXPECT_EQ(converter.get_destination_name(), L"target");
    EXPECT_EQ(converter.selected,
              (udb_name_list{{L"film", L""}, {L"top", L"SELECT 1"}, {L"film", L""}, {L"top", L"SELECT 1"}}));
    EXPECT_EQ(converter.available_queries.size(), 2u);
    EXPECT_EQ(converter.views.size(), 2u);
}

TEST(udb_converter_test, store_writes_generic_settings_in_order)
{
    test_converter converter;
    converter.set_source_name(L"sakila");
    converter.set_destination_name(L"out.sql");
    converter.mode = 2;
    converter.skip_indexes = true;
    converter.selected = {{L"film", L""}, {L"top", L"SELECT 1"}};

    udb_profile profile;
    EXPECT_TRUE(converter.store_profile(profile));
    EXPECT_EQ(profile.keys[udb_section_generic], (udb_profile_pairs{{L"src", L"sakila"},
                                                                    {L"dest", L"out.sql"},
                                                                    {L"logfile", L""},
                                                                    {L"skip indexes", L"1"},
                                                                    {L"only definitions", L"0"},
                                                                    {L"mode", L"2"}}));
    EXPECT_EQ(profile.get_selected_tables(), converter.selected);

    test_converter loaded;
    loaded.load_profile(profile);
    EXPECT_EQ(loaded.mode, 2u);
    EXPECT_TRUE(loaded.skip_indexes);
    EXPECT_EQ(loaded.selected, converter.selected);
}

}  // namespace
