#include "mysql/session_modes.h"

#include <gtest/gtest.h>

namespace {

TEST(mysql_reading_modes, leave_out_what_changes_how_the_server_writes_and_reads)
{
    struct {
        const char* modes;
        const char* kept;
    } cases[] = {
        {"", ""},
        {"STRICT_TRANS_TABLES,NO_ENGINE_SUBSTITUTION", "STRICT_TRANS_TABLES,NO_ENGINE_SUBSTITUTION"},
        {"ANSI_QUOTES", ""},
        {"REAL_AS_FLOAT,PIPES_AS_CONCAT,ANSI_QUOTES,IGNORE_SPACE,ANSI", "REAL_AS_FLOAT,IGNORE_SPACE"},
        {"STRICT_ALL_TABLES,NO_BACKSLASH_ESCAPES,NO_ZERO_DATE", "STRICT_ALL_TABLES,NO_ZERO_DATE"},
        {"PIPES_AS_CONCAT,ANSI_QUOTES,IGNORE_SPACE,ORACLE,NO_KEY_OPTIONS,NO_TABLE_OPTIONS,NO_FIELD_OPTIONS,"
         "NO_AUTO_CREATE_USER,SIMULTANEOUS_ASSIGNMENT",
         "IGNORE_SPACE,NO_AUTO_CREATE_USER,SIMULTANEOUS_ASSIGNMENT"},
        {"EMPTY_STRING_IS_NULL,NO_ZERO_IN_DATE", "NO_ZERO_IN_DATE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sql_reading_modes(c.modes), c.kept) << c.modes;
}

}  // namespace
