#include "model/recordset.h"

#include "expect_tk_exception.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

udb_index make_index(const std::wstring& name, bool unique, bool primary, std::vector<std::wstring> fields = {})
{
    udb_index index(name, unique, primary);
    index.fields = std::move(fields);
    return index;
}

TEST(udb_recordset_test, primary_key_always_becomes_the_row_key)
{
    udb_recordset recordset(L"t");
    recordset.add_index(make_index(L"plain", false, false));
    EXPECT_EQ(recordset.key_index, -1);
    recordset.add_index(make_index(L"u1", true, false));
    EXPECT_EQ(recordset.key_index, 1);
    recordset.add_index(make_index(L"u2", true, false));
    EXPECT_EQ(recordset.key_index, 1);
    recordset.add_index(make_index(L"pk", true, true));
    EXPECT_EQ(recordset.key_index, 3);
    recordset.add_index(make_index(L"u3", true, false));
    EXPECT_EQ(recordset.key_index, 3);
    EXPECT_EQ(recordset.indexes.size(), 5u);
}

TEST(udb_recordset_test, index_of_a_known_name_changes_nothing)
{
    udb_recordset recordset(L"t");
    recordset.add_index(make_index(L"ix", false, false, {L"a"}));
    recordset.add_index(make_index(L"IX", true, true, {L"b"}));
    ASSERT_EQ(recordset.indexes.size(), 1u);
    EXPECT_FALSE(recordset.indexes[0].primary);
    EXPECT_EQ(recordset.key_index, -1);
}

TEST(udb_recordset_test, key_record_copies_the_key_fields)
{
    udb_recordset recordset(L"t");
    udb_record row;
    row.push_back(new udb_field(L"ID", 4, ole_variant(std::int32_t(7))));
    row.push_back(new udb_field(L"name", 10, ole_variant(std::wstring(L"x"))));

    expect_tk_exception([&] { recordset.get_key(row); }, "There's no primary/unique key", 1);

    recordset.add_index(make_index(L"pk", true, true, {L"id"}));
    std::unique_ptr<udb_record> key(recordset.get_key(row));
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->size(), 1u);
    EXPECT_NE((*key)[0], row[0]);
    EXPECT_EQ((*key)[0]->name, L"ID");
    EXPECT_EQ((*key)[0]->to_long(), 7);

    recordset.indexes[0].fields.push_back(L"missing");
    EXPECT_EQ(recordset.get_key(row), nullptr);
}

class key_filter : public testing::Test {
protected:
    key_filter() : recordset(L"t")
    {
        add(L"ID", VT_I4);
        add(L"Name", VT_BSTR);
        add(L"data", VT_ARRAY | VT_UI1);
        add(L"we\"ird", VT_I4);
        add(L"a]b", VT_I4);
    }

    void add(const std::wstring& name, VARTYPE vartype)
    {
        recordset.schema.push_back(new t_ftd(0, name, vartype, false, false, ole_variant()));
    }

    udb_recordset recordset;
};

TEST_F(key_filter, builds_the_condition)
{
    struct {
        const wchar_t* key;
        const wchar_t* condition;
    } cases[] = {
        {L"", L""},
        {L"<id>5</id><name>a&amp;b</name>", L"[ID]=5 and [Name]='a&b' "},
        {L"<name>x</name><id>1</id>", L"[Name]='x'  and [ID]=1"},
        {L"<name>&amp;lt;&lt;&gt;</name>", L"[Name]='&lt;<>' "},
        {L"<DATA>0x&amp;41</DATA>", L"[data]=0x&amp;41"},
        // An apostrophe in a value cannot end the literal early.
        {L"<name>O'Brien</name>", L"[Name]='O''Brien' "},
        {L"<name>' or ''='</name>", L"[Name]=''' or ''''=''' "},
        // A name cannot end its quoting early either.
        {L"<we\"ird>1</we\"ird>", L"[we\"ird]=1"},
        {L"<a]b>1</a]b>", L"[a]]b]=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(recordset.get_filter_subquery(c.key), c.condition) << c.key;
}

TEST_F(key_filter, unknown_column_is_refused)
{
    expect_tk_exception([&] { recordset.get_filter_subquery(L"<id>1</id><other>2</other>"); },
                        "The structure of data source does not conform to the destination table.", 0);
}

}  // namespace
