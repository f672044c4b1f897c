#include "agent/usage_text.h"

#include <gtest/gtest.h>

TEST(usage_text, names_the_program_and_version_and_ends_without_a_line_feed)
{
    const std::string text = format_usage_text();
    EXPECT_TRUE(text.starts_with("corvath v8.3\nUsage: corvath OPTIONS\n\n   --as_dbo "));
    EXPECT_TRUE(text.ends_with("(for example --dest=\"my database\")"));
    for (const char* option :
         {"--blob2text",  "--dest=...",     "--dump",       "--help",       "--logfile=...", "--mode=...",
          "--mssqlh=...", "--mssqlu=...",   "--mssqlp=...", "--mysqlh=...", "--mysqlu=...",  "--mysqlp=...",
          "--port=...",   "--profile=...",  "--script",     "--silent",     "--skip_idx",    "--src=...",
          "--tab_def",    "--tab_file=...", "--views"})
        EXPECT_NE(text.find(std::string("\n   ") + option), std::string::npos) << option;
}
