// Foreign keys of the destination: the statement, the unique key the parent
// needs, and the report of a key that cannot be made.
#include "direct_path_fixture.h"
#include "model/relationship.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

class foreign_keys : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        server->add_schema_rows(oledb::schema_kind::tables,
                                {fake::table_row(L"dbo", L"orders"), fake::table_row(L"dbo", L"customers")});
        server->define_table(L"[dbo].[customers]", {{fake::int_column(L"id"), fake::int_column(L"region")}, {}});
        connect();
        database = open_database();
    }

    static udb_relationship key(const wchar_t* name, std::vector<std::wstring> pk_fields,
                                const wchar_t* rule = L"ON DELETE CASCADE ON UPDATE NO ACTION")
    {
        std::vector<std::wstring> fk_fields;
        for (const std::wstring& field : pk_fields)
            fk_fields.push_back(L"cust_" + field);
        return udb_relationship(name, L"", L"orders", L"customers", fk_fields, pk_fields, rule);
    }

    void parent_key_exists()
    {
        server->answer_prefix(L"SELECT COUNT(*) FROM sys.indexes i WHERE i.object_id = OBJECT_ID(N'[dbo].[customers]')",
                              {{fake::int_column(L"n")}, {text_row({L"1"})}});
    }

    std::vector<std::wstring> create(const udb_relationships& keys)
    {
        mark();
        database->create_relationships(keys);
        return sent();
    }

    std::unique_ptr<mss_database> database;
};

TEST_F(foreign_keys, key_on_a_parent_with_its_unique_key)
{
    parent_key_exists();
    udb_relationships keys;
    keys.push_back(key(L"fk_cust", {L"id"}));
    const std::vector<std::wstring> statements = create(keys);
    ASSERT_EQ(statements.size(), 2u);
    EXPECT_EQ(statements[1], L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk_cust] FOREIGN KEY ([cust_id]) "
                             L"REFERENCES [dbo].[customers]([id]) ON DELETE CASCADE ON UPDATE NO ACTION");
    EXPECT_TRUE(errors.reports.empty());
}

// Only an unfiltered primary key or unique index on exactly the referenced
// columns can carry a foreign key; without one the helper index is made.
TEST_F(foreign_keys, parent_without_exact_unique_key_gets_one)
{
    udb_relationships keys;
    keys.push_back(key(L"fk_cust", {L"id", L"region"}, L" ON DELETE CASCADE ON UPDATE NO ACTION "));
    const std::vector<std::wstring> statements = create(keys);
    const std::wstring& question = statements.front();
    EXPECT_TRUE(contains(question, L"i.is_unique = 1 AND i.has_filter = 0"));
    EXPECT_TRUE(contains(question, L"ic.is_included_column = 0) = 2"));
    EXPECT_TRUE(contains(question, L"c.name IN (N'id', N'region')) = 2"));
    ASSERT_GE(statements.size(), 2u);
    EXPECT_EQ(statements[statements.size() - 2],
              L"CREATE UNIQUE INDEX [UIDX_id_region] ON [dbo].[customers]([id], [region])");
    EXPECT_EQ(statements.back(), L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk_cust] FOREIGN KEY ([cust_id], "
                                 L"[cust_region]) REFERENCES [dbo].[customers]([id], [region])  ON DELETE CASCADE ON "
                                 L"UPDATE NO ACTION ");
}

TEST_F(foreign_keys, rule_is_appended_only_when_valid)
{
    parent_key_exists();
    udb_relationships keys;
    keys.push_back(key(L"", {L"id"}, L"ON DELETE RESTRICT ON UPDATE CASCADE"));
    keys.push_back(key(L"fk2", {L"id"}, L"ON DELETE CASCADE"));
    const std::vector<std::wstring> statements = create(keys);
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_EQ(statements[1],
              L"ALTER TABLE [dbo].[orders] ADD FOREIGN KEY ([cust_id]) REFERENCES [dbo].[customers]([id])");
    EXPECT_EQ(statements[3], L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk2] FOREIGN KEY ([cust_id]) REFERENCES "
                             L"[dbo].[customers]([id]) ON DELETE CASCADE");
}

// The driver keeps renamed columns under the table's source name.
TEST_F(foreign_keys, renamed_tables_and_columns_are_used)
{
    database->names_map.add_tn_mapping(L"orders", L"[dbo].[orders2]");
    database->names_map.add_fn_map(L"orders", {{L"cust_id", L"customer"}});
    database->tables.push_back(L"dbo.orders2");
    parent_key_exists();
    udb_relationships keys;
    keys.push_back(key(L"fk", {L"id"}, L""));
    EXPECT_EQ(create(keys).back(), L"ALTER TABLE [dbo].[orders2] ADD CONSTRAINT [fk] FOREIGN KEY ([customer]) "
                                   L"REFERENCES [dbo].[customers]([id])");
}

TEST_F(foreign_keys, append_mode_makes_no_key)
{
    database->mode = udb_mode_append;
    log_capture log;
    udb_relationships keys;
    keys.push_back(key(L"fk", {L"id"}));
    EXPECT_TRUE(create(keys).empty());
    EXPECT_NE(log.text().find("Foreign keys are not converted in append mode"), std::string::npos);
}

TEST_F(foreign_keys, each_failing_key_is_reported_and_the_next_follows)
{
    parent_key_exists();
    server->fail_prefix(L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk_orphans]",
                        fake::sql_error(547, L"The ALTER TABLE statement conflicted with the FOREIGN KEY constraint."));
    udb_relationships keys;
    keys.push_back(udb_relationship(L"fk_lost", L"", L"orders", L"nowhere", {L"a"}, {L"b"}, L""));
    keys.push_back(key(L"fk_orphans", {L"id"}));
    keys.push_back(udb_relationship(L"", L"", L"lost_child", L"customers", {L"a"}, {L"id"}, L""));
    keys.push_back(key(L"fk_ok", {L"id"}));
    log_capture log;
    const std::vector<std::wstring> statements = create(keys);
    EXPECT_TRUE(contains(statements.back(), L"[fk_ok]"));
    EXPECT_NE(log.text().find("Error while creating FK:\nTable 'nowhere' not exists\n"), std::string::npos)
        << log.text();
    ASSERT_EQ(errors.reports.size(), 3u);
    EXPECT_EQ(errors.reports[0].context, "Foreign key 'fk_lost'");
    EXPECT_EQ(
        errors.reports[0].text,
        "Can't create foreign key. Contact to support@quarnel.example for the solution.\nTable 'nowhere' not exists");
    EXPECT_EQ(errors.reports[0].code, 0u);
    EXPECT_FALSE(errors.reports[0].outer);
    EXPECT_EQ(errors.reports[1].context, "Foreign key 'fk_orphans'");
    EXPECT_EQ(errors.reports[1].text.rfind("There are orphaned records", 0), 0u);
    EXPECT_TRUE(
        errors.reports[1].text.ends_with("\nThe ALTER TABLE statement conflicted with the FOREIGN KEY constraint."))
        << errors.reports[1].text;
    EXPECT_EQ(errors.reports[2].context, "lost_child");
    EXPECT_EQ(errors.failed_objects(), 3u);
}

// The run makes a table whose source name has no owner in dbo; a login
// other than sa has a default schema of its own, which holds none of them.
TEST_F(foreign_keys, tables_of_the_run_are_found_in_dbo_whatever_the_login)
{
    engine.user = L"migrator";
    parent_key_exists();
    udb_relationships keys;
    keys.push_back(key(L"fk_cust", {L"id"}, L""));
    const std::vector<std::wstring> statements = create(keys);
    EXPECT_TRUE(errors.reports.empty());
    ASSERT_FALSE(statements.empty());
    EXPECT_EQ(statements.back(), L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk_cust] FOREIGN KEY ([cust_id]) "
                                 L"REFERENCES [dbo].[customers]([id])");
}

TEST_F(foreign_keys, user_who_ends_the_run_stops_the_keys)
{
    errors.abort = true;
    udb_relationships keys;
    keys.push_back(udb_relationship(L"fk_lost", L"", L"orders", L"nowhere", {L"a"}, {L"b"}, L""));
    keys.push_back(key(L"fk_ok", {L"id"}));
    EXPECT_THROW(create(keys), tk_final_exception);
    EXPECT_EQ(errors.reports.size(), 1u);
}

// A run asked to stop makes no further foreign key.
TEST_F(foreign_keys, stop_between_keys_ends_the_keys)
{
    parent_key_exists();
    int asked = 0;
    database->stop_requested = [&] { return ++asked > 1; };
    udb_relationships keys;
    keys.push_back(key(L"fk_first", {L"id"}));
    keys.push_back(key(L"fk_second", {L"id"}));
    EXPECT_THROW(create(keys), tk_final_exception);
    const std::vector<std::wstring> statements = sent();
    EXPECT_TRUE(contains(statements.back(), L"[fk_first]"));
    for (const std::wstring& statement : statements)
        EXPECT_FALSE(contains(statement, L"[fk_second]"));
}

}  // namespace
