#include "model/relationship.h"

#include "model/sequence.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

TEST(udb_relationships_test, find_compares_name_and_both_tables_ignoring_case)
{
    udb_relationships list;
    EXPECT_TRUE(list.is_acceptable_name(L"anything"));
    list.push_back(
        udb_relationship(L"fk_a", L"note", L"Child", L"PARENT", {L"parent_id"}, {L"id"}, L"ON DELETE CASCADE"));

    EXPECT_TRUE(list.find(L"FK_A", L"parent", L"child"));
    EXPECT_FALSE(list.find(L"FK_A", L"child", L"parent"));
    EXPECT_FALSE(list.is_acceptable_name(L"Fk_A"));

    const udb_relationship& found = list.get(L"FK_A", L"parent", L"child");
    EXPECT_EQ(found.rule, L"ON DELETE CASCADE");
    EXPECT_EQ(found.fk_flds, std::vector<std::wstring>{L"parent_id"});
    EXPECT_EQ(found.pk_flds, std::vector<std::wstring>{L"id"});
    EXPECT_TRUE(found.name2.empty());
    EXPECT_EQ(&list.get_index(L"fk_a"), &found);

    EXPECT_THROW(list.get(L"fk_a", L"child", L"parent"), tk_mail_assertion);
    EXPECT_THROW(list.get_index(L"fk_b"), tk_mail_assertion);
}

TEST(udb_sequence_test, keeps_start_and_increment_apart)
{
    udb_sequence sequence(L"seq", 1, 5, 1, 100, true);
    EXPECT_EQ(sequence.start, 1);
    EXPECT_EQ(sequence.increment, 5);
    EXPECT_EQ(sequence.minimum, 1);
    EXPECT_EQ(sequence.maximum, 100);
    EXPECT_TRUE(sequence.cycle);
}

}  // namespace
