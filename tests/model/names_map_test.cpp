#include "model/names_map.h"

#include <gtest/gtest.h>

namespace {

TEST(udb_names_map_test, replaces_whole_words_only)
{
    struct {
        const wchar_t* text;
        udb_name_pairs map;
        const wchar_t* prefix;
        const wchar_t* suffix;
        const wchar_t* expected;
    } cases[] = {
        // An underscore is a word boundary; letters and digits are not.
        {L"select col, mycol, my_col from t", {{L"col", L"c2"}}, L"", L"", L"select c2, mycol, my_c2 from t"},
        {L"select COL, col1 from t", {{L"col", L"c2"}}, L"", L"", L"select c2, col1 from t"},
        // The destination contains the source: each occurrence is replaced once.
        {L"a + a", {{L"a", L"a_b"}}, L"", L"", L"a_b + a_b"},
        {L"select * from orders", {{L"orders", L"orders2"}}, L"[", L"]", L"select * from [orders2]"},
        // A destination that is already quoted is not quoted again.
        {L"from orders", {{L"orders", L"[dbo].[orders]"}}, L"[", L"]", L"from [dbo].[orders]"},
        {L"", {{L"a", L"b"}}, L"", L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(udb_names_map::do_global_replace2(c.text, c.map, c.prefix, c.suffix), c.expected) << c.text;
    }
}

TEST(udb_names_map_test, replace1_applies_tables_then_fields)
{
    udb_names_map names;
    names.add_tn_mapping(L"order", L"order1");
    names.add_fn_map(L"order", {{L"key", L"key1"}});
    EXPECT_EQ(names.do_global_replace1(L"select key from order", L"", L""), L"select key1 from order1");
}

TEST(udb_names_map_test, name_lookups)
{
    udb_names_map names;
    names.add_tn_mapping(L"Orders", L"orders_2");
    names.add_fn_map(L"Orders", {{L"Key", L"key_2"}});

    EXPECT_EQ(names.get_tn_mapped_name(L"orders"), L"orders_2");
    EXPECT_EQ(names.get_tn_mapped_name(L"orders", true), L"orders");
    EXPECT_EQ(names.get_tn_mapped_name(L"customers"), L"customers");

    EXPECT_EQ(names.get_fn_mapped_name(L"Orders", L"Key"), L"key_2");
    EXPECT_EQ(names.get_fn_mapped_name(L"Orders", L"other"), L"other");
    EXPECT_EQ(names.get_fn_mapped_name(L"missing", L"Key"), L"Key");

    EXPECT_EQ(names.get_fn_orig_name(L"Orders", L"KEY_2"), L"Key");
    EXPECT_EQ(names.get_fn_orig_name(L"Orders", L"KEY_2", true), L"KEY_2");
    EXPECT_EQ(names.get_fn_orig_name(L"orders", L"key_2"), L"key_2");
}

}  // namespace
