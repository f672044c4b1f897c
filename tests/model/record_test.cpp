#include "model/record.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A field whose value is SQL NULL, which no reader builds directly.
class null_field : public udb_field {
public:
    null_field(const std::wstring& name, std::uint32_t size) : udb_field(name, size, ole_variant())
    {
        m_value.vt = VT_NULL;
    }
};

// Counts its destructions, to show that a record deletes each field once.
class counted_field : public udb_field {
public:
    explicit counted_field(int& destroyed) : udb_field(L"f", 1, ole_variant()), m_destroyed(destroyed) {}
    ~counted_field() override { ++m_destroyed; }

private:
    int& m_destroyed;
};

TEST(udb_field_test, size_comes_from_the_value_where_it_has_one)
{
    udb_field blob(L"b", 16, ole_variant(std::vector<BYTE>(1000, 7)));
    udb_field text(L"t", 255, ole_variant(std::wstring(L"abc")));
    udb_field number(L"n", 4, ole_variant(std::int32_t(12345678)));
    null_field null(L"z", 10);
    EXPECT_EQ(blob.get_size(), 1000u);
    EXPECT_EQ(text.get_size(), 3u);
    EXPECT_EQ(number.get_size(), 4u);
    EXPECT_EQ(null.get_size(), 10u);
    EXPECT_EQ(text.get_type(), VT_BSTR);
}

TEST(udb_field_test, copy_keeps_value_size_name_and_flags)
{
    udb_field field(L"Name", 20, ole_variant(std::wstring(L"value")), true, false);
    udb_field copy(field);
    EXPECT_EQ(copy.to_wstring(), L"value");
    EXPECT_EQ(copy.size, 20u);
    EXPECT_EQ(copy.name, L"Name");
    EXPECT_TRUE(copy.flag1);
    EXPECT_FALSE(copy.flag2);
}

TEST(udb_record_test, lookup_ignores_case_and_takes_the_first)
{
    udb_record record;
    record.push_back(new udb_field(L"name", 10, ole_variant(std::wstring(L"first"))));
    record.push_back(new udb_field(L"NAME", 10, ole_variant(std::wstring(L"second"))));
    EXPECT_TRUE(record.find_field(L"Name"));
    EXPECT_FALSE(record.find_field(L"other"));
    EXPECT_EQ(record.get_field(L"NAME")->to_wstring(), L"first");
    EXPECT_EQ(record.get_field(L"other"), nullptr);
}

TEST(udb_record_test, total_size_skips_empty_values_and_slots)
{
    udb_record record;
    record.push_back(new udb_field(L"t", 255, ole_variant(std::wstring(L"abc"))));
    record.push_back(new udb_field(L"e", 10, ole_variant()));
    record.push_back(new null_field(L"z", 10));
    record.push_back(nullptr);
    record.push_back(new udb_field(L"i", 4, ole_variant(std::int32_t(1))));
    EXPECT_EQ(record.get_total_size(), 3 + 10 + 4);
}

TEST(udb_record_test, destroys_each_field_once)
{
    int destroyed = 0;
    {
        udb_record record;
        record.push_back(new counted_field(destroyed));
        record.push_back(new counted_field(destroyed));
    }
    EXPECT_EQ(destroyed, 2);
}

}  // namespace
