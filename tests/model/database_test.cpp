#include "model/database.h"

#include "model/recordset.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

// Records the statements and index calls that the base operations make.
class recording_database : public udb_database {
public:
    recording_database(bool case_sensitive, std::vector<std::wstring> names) : udb_database(L"db", 1, case_sensitive)
    {
        tables = std::move(names);
    }

    using udb_database::create_table;
    udb_recordset* create_table(const std::wstring& table, const udb_schema&, const udb_indexes&) override
    {
        return new udb_recordset(this, table, true);
    }
    udb_recordset* get_query(const std::wstring& name, const std::wstring& text, std::uint32_t) override
    {
        return new udb_recordset(this, name, text, true);
    }
    udb_recordset* get_table(const std::wstring& table, std::uint32_t) override
    {
        return new udb_recordset(this, table, true);
    }
    udb_recordset* query(const std::wstring& statement) override
    {
        statements.push_back(statement);
        return new udb_recordset(L"result");
    }
    bool test_query(const std::wstring&) override { return true; }
    void create_index(const std::wstring&, const udb_schema&, const udb_index& index) override
    {
        created.push_back(index.name);
    }

    std::vector<std::wstring> statements;
    std::vector<std::wstring> created;
};

// Keeps the base query, which no side may leave unimplemented.
class bare_database : public recording_database {
public:
    bare_database() : recording_database(false, {}) {}
    udb_recordset* query(const std::wstring& statement) override { return udb_database::query(statement); }
};

TEST(udb_database_test, table_names_compare_by_the_case_flag)
{
    recording_database ignoring(false, {L"orders"});
    EXPECT_TRUE(ignoring.is_table_exist(L"Orders"));

    recording_database exact(true, {L"orders", L"Orders"});
    EXPECT_TRUE(exact.is_table_exist(L"Orders"));
    EXPECT_FALSE(exact.is_table_exist(L"ORDERS"));
    EXPECT_FALSE(recording_database(true, {}).is_table_exist(L"x"));
}

TEST(udb_database_test, delete_tab_removes_only_the_first_equal_name)
{
    recording_database database(false, {L"a", L"T", L"b", L"t"});
    EXPECT_TRUE(database.delete_tab(L"t"));
    EXPECT_EQ(database.get_table_names(), (std::vector<std::wstring>{L"a", L"b", L"t"}));
    EXPECT_FALSE(database.delete_tab(L"missing"));
    EXPECT_EQ(database.tables.size(), 3u);
}

TEST(udb_database_test, generic_operations)
{
    recording_database database(false, {});
    database.empty_table(L"t");
    EXPECT_EQ(database.statements, std::vector<std::wstring>{L"delete from t"});

    udb_schema schema(true);
    udb_indexes indexes;
    database.create_indexes(L"t", schema, indexes);
    EXPECT_TRUE(database.created.empty());
    indexes.push_back(udb_index(L"a", false, false));
    indexes.push_back(udb_index(L"b", true, false));
    database.create_indexes(L"t", schema, indexes);
    EXPECT_EQ(database.created, (std::vector<std::wstring>{L"a", L"b"}));

    std::vector<std::wstring> schemas{L"dbo"};
    database.get_schema_info(schemas);
    EXPECT_TRUE(schemas.empty());

    EXPECT_THROW(database.create_table(L"t", L"partition"), tk_mail_assertion);
    EXPECT_THROW(bare_database().query(L"select 1"), tk_mail_assertion);
}

}  // namespace
