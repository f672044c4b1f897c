#include "model/schema.h"

#include <gtest/gtest.h>

namespace {

t_ftd column(VARTYPE vartype, std::int32_t size, const std::wstring& name = L"c")
{
    return t_ftd(size, name, vartype, false, false, ole_variant());
}

constexpr VARTYPE bytes = VT_ARRAY | VT_UI1;

TEST(t_ftd_test, equality_compares_types_and_text_sizes)
{
    EXPECT_TRUE(column(VT_DECIMAL, 10) == column(VT_CY, 8));
    EXPECT_TRUE(column(VT_CY, 8) == column(VT_DECIMAL, 10));
    EXPECT_FALSE(column(VT_BSTR, 50) == column(VT_BSTR, 60));
    EXPECT_TRUE(column(VT_I4, 4, L"a") == column(VT_I4, 8, L"b"));
    EXPECT_FALSE(column(VT_I4, 4) == column(VT_I8, 4));
}

TEST(t_ftd_test, conformance_of_source_to_destination)
{
    struct {
        VARTYPE src;
        std::int32_t src_size;
        VARTYPE dest;
        std::int32_t dest_size;
        bool expected;
    } cases[] = {
        {VT_BSTR, 100, VT_BSTR, 0, true},
        {VT_BSTR, 100, VT_BSTR, 100, true},
        {VT_BSTR, 100, VT_BSTR, 200, true},
        {VT_BSTR, 100, VT_BSTR, 65535, true},
        {VT_BSTR, 100, VT_BSTR, 99, false},
        {VT_BSTR, 70000, VT_BSTR, 65535, true},
        {VT_BSTR, 19, VT_DATE, 0, true},
        {VT_BSTR, 20, VT_DATE, 0, false},
        {VT_I8, 8, VT_R8, 8, true},
        {VT_BOOL, 1, VT_UI1, 1, true},
        {VT_INT, 4, VT_I4, 4, false},
        {VT_INT, 4, VT_INT, 4, true},
        {VT_I4, 4, VT_INT, 4, true},
        {VT_BSTR, 10, VT_I4, 4, false},
        {bytes, 10, VT_BSTR, 0, false},
        {VT_BLOB, 10, VT_LPWSTR, 0, false},
        {VT_I4, 4, VT_BSTR, 2, true},
        {VT_I4, 4, VT_BLOB, 1, true},
        {VT_BSTR, 10, bytes, 5, false},
        {VT_BSTR, 10, bytes, 0, true},
        {bytes, 10, VT_BLOB, 10, true},
        {VT_DATE, 8, VT_DATE, 8, true},
        {VT_I4, 4, VT_DATE, 8, false},
        {VT_I4, 4, VT_VARIANT, 0, false},
        {VT_I4, 4, VT_ARRAY | VT_BSTR, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(column(c.src, c.src_size).conform_to(column(c.dest, c.dest_size)), c.expected)
            << c.src << "/" << c.src_size << " -> " << c.dest << "/" << c.dest_size;
    }
}

class schema_of_three : public testing::Test {
protected:
    schema_of_three() : source(true), reordered(true), narrow(true)
    {
        for (auto [vartype, size, name] : {std::tuple{VT_I4, 4, L"id"}, {VT_BSTR, 50, L"name"}, {VT_DATE, 8, L"born"}})
            source.push_back(new t_ftd(column(vartype, size, name)));
        for (int i : {2, 0, 1})
            reordered.push_back(new t_ftd(*source[i]));
        for (const t_ftd* c : source)
            narrow.push_back(new t_ftd(*c));
        narrow[1]->size = 10;
    }

    udb_schema source;
    udb_schema reordered;
    udb_schema narrow;
};

TEST_F(schema_of_three, conformance_by_name_and_by_position)
{
    EXPECT_TRUE(source.conform_to(reordered, true));
    EXPECT_FALSE(source.conform_to(reordered, false));
    EXPECT_FALSE(source.conform_to(narrow, true));

    udb_schema four(source);
    four.push_back(new t_ftd(column(VT_I4, 4, L"extra")));
    EXPECT_FALSE(source.conform_to(four, false));
    EXPECT_TRUE(udb_schema(true).conform_to(udb_schema(false), false));

    reordered[0]->name = L"other";
    EXPECT_FALSE(source.conform_to(reordered, true));
}

TEST_F(schema_of_three, lookups_ignore_case)
{
    EXPECT_TRUE(source.find_field(L"NAME"));
    EXPECT_EQ(source.get_field1(L"Name"), source[1]);
    EXPECT_EQ(source.get_field2(L"ID"), source[0]);
    EXPECT_EQ(source.get_field1(L"missing"), nullptr);
    EXPECT_EQ(source.get_field_idx(L"BORN"), 2);
    EXPECT_EQ(source.get_field_idx(L"missing"), -1);
    EXPECT_EQ(source.get_field_size(L"name"), 50);
    EXPECT_EQ(source.get_field_size(L"missing"), -1);
    EXPECT_EQ(source.get_field_type(L"born"), VT_DATE);
    EXPECT_EQ(source.get_field_type(L"missing"), VT_NULL);
}

TEST_F(schema_of_three, ownership)
{
    // A list over descriptors that live elsewhere frees nothing, in any order.
    auto view = std::make_unique<udb_schema>(false);
    view->insert(view->end(), source.begin(), source.end());
    view->reset();
    EXPECT_TRUE(view->empty());
    view->insert(view->end(), source.begin(), source.end());
    view.reset();
    EXPECT_EQ(source[2]->name, L"born");

    // A copy owns copies, so it outlives the original and both free their own.
    udb_schema copy(false);
    {
        udb_schema original(std::move(reordered));
        EXPECT_TRUE(reordered.empty());
        copy = original;
        EXPECT_NE(copy[0], original[0]);
    }
    EXPECT_EQ(copy[0]->name, L"born");
    EXPECT_EQ(copy.identity_seed, 1u);

    source.reset();
    EXPECT_TRUE(source.empty());
}

}  // namespace
