#include "model/index.h"

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

udb_index make_index(const std::wstring& name, bool unique, bool primary, std::vector<std::wstring> fields,
                     bool constraint = false)
{
    udb_index index(name, unique, primary);
    index.fields = std::move(fields);
    index.unique_constraint = constraint;
    return index;
}

TEST(udb_indexes_test, primary_key_upgrades_plain_index_in_place)
{
    udb_indexes list;
    list.push_back(make_index(L"first", false, false, {L"x"}));
    list.push_back(make_index(L"ix", false, false, {L"a"}));
    list.push_back(make_index(L"IX", true, true, {L"b", L"c"}));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].name, L"IX");
    EXPECT_TRUE(list[1].primary);
    EXPECT_EQ(list[1].fields, (std::vector<std::wstring>{L"b", L"c"}));
}

TEST(udb_indexes_test, primary_key_is_never_replaced)
{
    udb_indexes list;
    list.push_back(make_index(L"pk", true, true, {L"id"}));
    list.push_back(make_index(L"PK", true, false, {L"other"}));
    list.push_back(make_index(L"Pk", false, false, {L"other"}, true));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, L"pk");
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"id"});
}

TEST(udb_indexes_test, unique_constraint_takes_over_unique_index)
{
    udb_indexes list;
    list.push_back(make_index(L"u", true, false, {L"a"}));
    list.push_back(make_index(L"u", false, false, {L"b"}, true));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].unique_constraint);
    EXPECT_FALSE(list[0].unique);
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"b"});
    // Once a constraint, later unique indexes of that name are dropped.
    list.push_back(make_index(L"U", true, false, {L"c"}));
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"b"});
}

TEST(udb_indexes_test, plain_index_merges_only_upwards)
{
    udb_indexes list;
    list.push_back(make_index(L"a", false, false, {L"x"}));
    list.push_back(make_index(L"A", false, false, {L"y"}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"x"});

    list.push_back(make_index(L"a", true, false, {L"z"}));
    EXPECT_TRUE(list[0].unique);
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"z"});

    list.push_back(make_index(L"a", true, false, {L"w"}));
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"z"});
}

TEST(udb_indexes_test, push_back_direct_never_changes_an_entry)
{
    udb_indexes list;
    list.push_back_direct(make_index(L"ix", false, false, {L"a"}));
    list.push_back_direct(make_index(L"IX", true, true, {L"b"}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0].primary);
    EXPECT_EQ(list[0].fields, std::vector<std::wstring>{L"a"});
}

TEST(udb_indexes_test, lookups)
{
    udb_indexes list;
    list.push_back(make_index(L"ix_ab", false, false, {L"a", L"b"}));
    list.push_back(make_index(L"pk", true, true, {L"id"}));

    EXPECT_EQ(list.get_index(L"IX_AB").name, L"ix_ab");
    EXPECT_THROW(list.get_index(L"missing"), tk_mail_assertion);
    EXPECT_FALSE(list.is_acceptable_name(L"PK"));
    EXPECT_TRUE(list.is_acceptable_name(L"pk2"));

    EXPECT_TRUE(list.is_idx_field(L"a", false));
    EXPECT_FALSE(list.is_idx_field(L"A", false));
    EXPECT_FALSE(list.is_idx_field(L"a", true));
    EXPECT_TRUE(list.is_idx_field(L"id", true));
    EXPECT_FALSE(list.is_idx_field(L"Id", false));

    EXPECT_EQ(list.has_index_on_fields({L"A"}), &list[0]);
    EXPECT_EQ(list.has_index_on_fields({L"id"}), &list[1]);
    EXPECT_EQ(list.has_index_on_fields({L"b"}), nullptr);
}

TEST(udb_index_test, starts_with_fields)
{
    udb_index index = make_index(L"ix", false, false, {L"a", L"b"});
    struct {
        std::vector<std::wstring> names;
        bool expected;
    } cases[] = {
        {{}, true}, {{L"A"}, true}, {{L"a", L"B"}, true}, {{L"a", L"b", L"c"}, false}, {{L"b"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(index.starts_with_fields(c.names), c.expected) << c.names.size();
}

}  // namespace
