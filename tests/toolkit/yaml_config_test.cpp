#include "temp_folder.h"
#include "toolkit/tk_yaml_config.h"

#include <gtest/gtest.h>

namespace {

using items = std::vector<std::wstring>;

class tk_yaml_config_test : public ::testing::Test {
protected:
    temp_folder folder;
    std::string list_file = folder.file("mss.typ");
    tk_yaml_config config;

    bool load(const std::string& contents, const std::set<std::wstring>& filter = {})
    {
        write_file(list_file, contents);
        return config.load(list_file.c_str(), filter);
    }
};

TEST_F(tk_yaml_config_test, keys_take_the_dash_lines_that_follow)
{
    ASSERT_TRUE(load("types:\n- int\n-bigint\n  -  text  \n\nnot an item\n\tx:\r\n- n\xC3\xA4me\r\n"));
    const tk_yaml_config::item_map expected{{"types", items{L"int", L"bigint", L"text"}}, {"\tx", items{L"n\u00e4me"}}};
    EXPECT_EQ(config.get_items(), expected);
}

TEST_F(tk_yaml_config_test, items_before_any_key_and_keys_ending_in_a_space)
{
    ASSERT_TRUE(load("- early\nkey :\n- late\n"));
    const tk_yaml_config::item_map expected{{"", items{L"early"}}, {"key ", items{L"late"}}};
    EXPECT_EQ(config.get_items(), expected);
}

TEST_F(tk_yaml_config_test, filter_drops_exact_matches_only)
{
    ASSERT_TRUE(load("types:\n- text\n- Text\n- ntext\n", {L"text"}));
    EXPECT_EQ(config.get_items().at("types"), (items{L"Text", L"ntext"}));
}

TEST_F(tk_yaml_config_test, missing_file_gives_false_and_nothing)
{
    EXPECT_FALSE(config.load(folder.file("absent.map").c_str(), {}));
    EXPECT_TRUE(config.get_items().empty());
}

}  // namespace
