#include "converter/view_order.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct order_case {
    const char* label;
    udb_views views;
    std::vector<std::wstring> expected;
};

std::vector<std::wstring> names_of(const udb_views& views)
{
    std::vector<std::wstring> names;
    for (const auto& view : views)
        names.push_back(view.first);
    return names;
}

TEST(order_views_by_reads, each_view_follows_the_views_it_reads_and_keeps_the_given_order_otherwise)
{
    const std::vector<order_case> cases = {
        {"independent views keep their order", {{L"b", L"select 1 from t"}, {L"a", L"select 2 from t"}}, {L"b", L"a"}},
        {"a view over a later one goes after it",
         {{L"a_top", L"select `id` AS `id` from `z_base`"},
          {L"m", L"select 1 from t"},
          {L"z_base", L"select `id` AS `id` from `item`"}},
         {L"m", L"z_base", L"a_top"}},
        {"a chain read bottom up",
         {{L"v1", L"select * from v2"}, {L"v2", L"select * from v3"}, {L"v3", L"select * from t"}},
         {L"v3", L"v2", L"v1"}},
        {"names compare ignoring case",
         {{L"top", L"select * from `BASE`"}, {L"base", L"select * from t"}},
         {L"base", L"top"}},
        {"a longer name holding the view's name is another name",
         {{L"top", L"select * from base_2, base2"}, {L"base", L"select * from t"}},
         {L"top", L"base"}},
        {"views that read each other keep their order",
         {{L"x", L"select * from y"}, {L"y", L"select * from x"}},
         {L"x", L"y"}},
    };
    for (const order_case& tested : cases)
        EXPECT_EQ(names_of(order_views_by_reads(tested.views)), tested.expected) << tested.label;
}

}  // namespace
