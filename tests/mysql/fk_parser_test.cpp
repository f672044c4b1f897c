#include "mysql/sql_fk_parser.h"

#include <gtest/gtest.h>

namespace {

using names = std::vector<std::wstring>;

struct clause_case {
    const char* line;
    const wchar_t* name;
    names fk_columns;
    const wchar_t* pk_table;
    names pk_columns;
    const wchar_t* rule;
};

// Names the case by its clause in test listings instead of dumping its bytes.
void PrintTo(const clause_case& c, std::ostream* os)
{
    *os << c.line;
}

class mysql_fk_clause : public testing::TestWithParam<clause_case> {};

TEST_P(mysql_fk_clause, yields_one_relationship)
{
    const clause_case& c = GetParam();
    udb_relationships found;
    sql_fk_parser(L"child", c.line).do_parse(found);
    ASSERT_EQ(found.size(), 1u) << c.line;
    const udb_relationship& r = found[0];
    EXPECT_EQ(r.name, c.name);
    EXPECT_EQ(r.name2, L"");
    EXPECT_EQ(r.fk_table, L"child");
    EXPECT_EQ(r.fk_flds, c.fk_columns);
    EXPECT_EQ(r.pk_table, c.pk_table);
    EXPECT_EQ(r.pk_flds, c.pk_columns);
    EXPECT_EQ(r.rule, c.rule);
}

INSTANTIATE_TEST_SUITE_P(
    mysql_server_layouts, mysql_fk_clause,
    testing::Values(
        clause_case{"  CONSTRAINT `fk_order_customer` FOREIGN KEY (`customer_id`) REFERENCES "
                    "`customer` (`id`) ON DELETE CASCADE,",
                    L"fk_order_customer",
                    {L"customer_id"},
                    L"customer",
                    {L"id"},
                    L"ON DELETE CASCADE"},
        clause_case{"  CONSTRAINT `last` FOREIGN KEY (`a`) REFERENCES `p` (`x`) ON DELETE SET NULL "
                    "ON UPDATE CASCADE",
                    L"last",
                    {L"a"},
                    L"p",
                    {L"x"},
                    L"ON DELETE SET NULL ON UPDATE CASCADE"},
        clause_case{"  CONSTRAINT `plain` FOREIGN KEY (`a`) REFERENCES `p` (`x`)", L"plain", {L"a"}, L"p", {L"x"}, L""},
        clause_case{"  CONSTRAINT `pair` FOREIGN KEY (`a`, `b`) REFERENCES `p` (`x`, `y`),",
                    L"pair",
                    {L"a", L"b"},
                    L"p",
                    {L"x", L"y"},
                    L""},
        clause_case{"  constraint `low` foreign key (`a`) references `p` (`x`) on delete cascade",
                    L"low",
                    {L"a"},
                    L"p",
                    {L"x"},
                    L"on delete cascade"},
        // A reference into another database names the table last.
        clause_case{
            "  CONSTRAINT `far` FOREIGN KEY (`a`) REFERENCES `other_db`.`p` (`x`),", L"far", {L"a"}, L"p", {L"x"}, L""},
        // Embedded backticks are doubled by the server; parentheses may stand in names.
        clause_case{"  CONSTRAINT `f``k` FOREIGN KEY (`a``b`, `c(d)`) REFERENCES `we``ird` "
                    "(`id``x`, `e,f`) ON UPDATE RESTRICT",
                    L"f`k",
                    {L"a`b", L"c(d)"},
                    L"we`ird",
                    {L"id`x", L"e,f"},
                    L"ON UPDATE RESTRICT"},
        clause_case{"  CONSTRAINT `Grüße` FOREIGN KEY (`größe`) REFERENCES `maß` (`𝄞`)",
                    L"Grüße",
                    {L"größe"},
                    L"maß",
                    {L"𝄞"},
                    L""}),
    [](const testing::TestParamInfo<clause_case>& info) { return "clause_" + std::to_string(info.index); });

TEST(mysql_fk_parser, reads_every_clause_of_a_statement_and_skips_other_lines)
{
    const char* statement = "CREATE TABLE `purchase_note` (\n"
                            "  `customer_id` int(10) unsigned NOT NULL,\n"
                            "  `note` varchar(100) NOT NULL DEFAULT 'CONSTRAINT x FOREIGN KEY (a) REFERENCES t (b)',\n"
                            "  PRIMARY KEY (`customer_id`),\n"
                            "  KEY `ix_note_line` (`customer_id`,`line_no`),\n"
                            "  CONSTRAINT `fk_one` FOREIGN KEY (`customer_id`) REFERENCES `customer` (`id`),\n"
                            "  CONSTRAINT `fk_two` FOREIGN KEY (`customer_id`, `line_no`) REFERENCES `purchase` "
                            "(`customer_id`, `line_no`)\n"
                            ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
    udb_relationships found;
    sql_fk_parser parser(L"purchase_note", statement);
    // A column whose default speaks of a key holds none.
    EXPECT_TRUE(parser.do_parse(found).empty());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, L"fk_one");
    EXPECT_EQ(found[1].name, L"fk_two");
    EXPECT_EQ(found[1].pk_flds, (names{L"customer_id", L"line_no"}));

    parser.do_parse(found);  // a second parse appends the keys again
    EXPECT_EQ(found.size(), 4u);
}

// Names and texts may hold line breaks, which end no clause.
TEST(mysql_fk_parser, line_breaks_in_names_and_texts_end_no_clause)
{
    const char* statement = "CREATE TABLE `odd\nGO` (\n"
                            "  `note` varchar(10) DEFAULT 'it''s `a\\'\n`',\n"
                            "  CONSTRAINT `fk\nexit` FOREIGN KEY (`col\nGO`) REFERENCES `par\nent` (`id\n`)\n"
                            ") ENGINE=InnoDB";
    udb_relationships found;
    sql_fk_parser(L"odd\nGO", statement).do_parse(found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, L"fk\nexit");
    EXPECT_EQ(found[0].fk_flds, (names{L"col\nGO"}));
    EXPECT_EQ(found[0].pk_table, L"par\nent");
    EXPECT_EQ(found[0].pk_flds, (names{L"id\n"}));
}

TEST(mysql_fk_parser, gives_back_the_clauses_it_cannot_read)
{
    const char* unreadable[] = {
        "CONSTRAINT `x` FOREIGN KEY (`a`) REFERENCES `p`",
        "CONSTRAINT `x` FOREIGN KEY (`a`) REFERENCES `p` (`b`",
        // As a server with ANSI_QUOTES writes it.
        "CONSTRAINT \"fk 1\" FOREIGN KEY (\"a b\") REFERENCES \"p q\" (\"id\"),",
        "FOREIGN KEY (`a`) REFERENCES `p` (`b`)",
    };
    for (const char* clause : unreadable) {
        udb_relationships found;
        const std::vector<std::string> left = sql_fk_parser(L"t", std::string("  ") + clause + "\n").do_parse(found);
        EXPECT_TRUE(found.empty()) << clause;
        EXPECT_EQ(left, (std::vector<std::string>{clause})) << clause;
    }
    udb_relationships found;
    EXPECT_TRUE(sql_fk_parser(L"t", "").do_parse(found).empty());
    EXPECT_TRUE(sql_fk_parser(L"t", "  CONSTRAINT `c` CHECK (`a` > 0)").do_parse(found).empty());
    EXPECT_TRUE(found.empty());
}

}  // namespace
