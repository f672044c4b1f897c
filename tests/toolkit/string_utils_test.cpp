#include "toolkit/tk_exception.h"
#include "toolkit/tk_string_utils.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(tk_string_utils_test, trim_removes_spaces_only)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"\tx ", "\tx"}, {" x\r\n", "x\r\n"}};
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(tk_trim(text), trimmed) << '[' << text << ']';
        const std::wstring wide(text.begin(), text.end());
        EXPECT_EQ(tk_trim_view(wide), std::wstring(trimmed.begin(), trimmed.end())) << '[' << text << ']';
    }
    EXPECT_EQ(tk_trim(std::wstring(L"  \u00e9 ")), L"\u00e9");
}

TEST(tk_string_utils_test, split_keeps_empty_pieces)
{
    using pieces = std::vector<std::string>;
    EXPECT_EQ(tk_split(",a,", ','), (pieces{"", "a", ""}));
    EXPECT_EQ(tk_split("a,,b", ','), (pieces{"a", "", "b"}));
    EXPECT_EQ(tk_split("a", ','), (pieces{"a"}));
    EXPECT_EQ(tk_split("", ','), pieces{});

    std::vector<std::wstring> wide{L"stale"};
    tk_wstring(L"x;\u00e9;").split(L';', wide);
    EXPECT_EQ(wide, (std::vector<std::wstring>{L"x", L"\u00e9", L""}));
}

TEST(tk_string_utils_test, prefix_and_suffix_tests)
{
    struct affix_case {
        const wchar_t* text;
        const wchar_t* affix;
        bool case_sensitive;
        bool starts;
        bool ends;
    };
    const affix_case cases[] = {
        {L"Select", L"SEL", false, true, false},
        {L"Select", L"SEL", true, false, false},
        {L"Select", L"", true, true, true},
        {L"ab", L"abc", false, false, false},
        {L"\u00c4RGER", L"\u00e4rger", false, true, true},
        {L"Table_ID", L"_id", false, false, true},
        {L"Table_ID", L"_id", true, false, false},
    };
    for (const affix_case& item : cases) {
        EXPECT_EQ(tk_starts_with(item.text, item.affix, item.case_sensitive), item.starts) << item.affix;
        EXPECT_EQ(tk_ends_with(item.text, item.affix, item.case_sensitive), item.ends) << item.affix;
    }
}

TEST(tk_string_utils_test, bin_to_hex_writes_upper_case_pairs)
{
    const std::uint8_t bytes[] = {0x00, 0xAB};
    char narrow[5];
    wchar_t wide[5];
    tk_bin_to_hex(2, bytes, narrow);
    tk_bin_to_hex(2, bytes, wide);
    EXPECT_STREQ(narrow, "00AB");
    EXPECT_STREQ(wide, L"00AB");
    EXPECT_THROW(tk_bin_to_hex(2, bytes, static_cast<char*>(nullptr)), tk_mail_assertion);
    EXPECT_THROW(tk_bin_to_hex(2, bytes, static_cast<wchar_t*>(nullptr)), tk_mail_assertion);
}

TEST(tk_string_utils_test, replace_all_goes_on_after_each_inserted_text)
{
    EXPECT_EQ(tk_string("`a` `b`").replace_all("`", " "), " a   b ");
    EXPECT_EQ(tk_string("aXa").replace_all("a", "aa"), "aaXaa");
    EXPECT_EQ(tk_wstring(L"[t].[u]").replace_all(L"].[", L"]/["), L"[t]/[u]");
}

TEST(tk_string_utils_test, replace_all_with_an_empty_search_text_leaves_the_text)
{
    EXPECT_EQ(tk_string("abc").replace_all("", "x"), "abc");
    EXPECT_EQ(tk_wstring(L"abc").replace_all(L"", L"x"), L"abc");
}

TEST(tk_string_utils_test, to_lower_is_unicode_aware)
{
    EXPECT_EQ(tk_wstring(L"\u00c0BC \u0394").to_lower(), L"\u00e0bc \u03b4");
    EXPECT_EQ(tk_wstring().to_lower(), L"");
}

}  // namespace
