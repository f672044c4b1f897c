#include "temp_folder.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_module_name.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace {

class tk_log_test : public ::testing::Test {
protected:
    temp_folder folder;
    std::string log_path = folder.file("run.log");
};

TEST_F(tk_log_test, logger_as_the_programs_build_it_touches_no_file)
{
    tk_logger logger(nullptr, 0, 3, 0);
    EXPECT_EQ(logger.get_file_name(), tk_get_module_name() + ".log");
    tk_log(3, "conversion started");
    EXPECT_FALSE(std::filesystem::exists(logger.get_file_name()));
}

TEST_F(tk_log_test, first_line_after_switching_on_empties_the_file_whatever_its_level)
{
    write_file(log_path, "old contents\r\n");
    tk_logger logger(nullptr, 0, 3, 0);
    logger.set_logfile(log_path.c_str());

    tk_log(1, "detail %d", 1);
    tk_log(2, "trace");
    EXPECT_EQ(read_file(log_path), "");

    tk_log(3, "Table '%s': %d records", "orders", 42);
    tk_log(3, L"wide %ls", L"line");
    EXPECT_EQ(read_file(log_path), "Table 'orders': 42 records\r\nwide line\r\n");
}

TEST_F(tk_log_test, a_new_file_name_is_appended_to_without_emptying)
{
    tk_logger logger(nullptr, 0, 3, 0);
    logger.set_logfile(log_path.c_str());
    tk_log(3, "first");

    const std::string second = folder.file("second.log");
    write_file(second, "kept\r\n");
    logger.set_logfile(second.c_str());
    tk_log(3, "appended");
    EXPECT_EQ(read_file(second), "kept\r\nappended\r\n");
    EXPECT_EQ(read_file(log_path), "first\r\n");
}

TEST_F(tk_log_test, logger_built_enabled_empties_its_file_at_once)
{
    write_file(log_path, "old");
    tk_logger logger(log_path.c_str(), 1, 1, 0);
    EXPECT_EQ(read_file(log_path), "");
    tk_log(1, "detail");
    EXPECT_EQ(read_file(log_path), "detail\r\n");
}

// A line that is not written builds nothing: its arguments are not evaluated.
TEST_F(tk_log_test, arguments_are_evaluated_for_written_lines_only)
{
    int evaluated = 0;
    const auto argument = [&] { return ++evaluated; };
    tk_log(3, "no logger %d", argument());
    {
        tk_logger logger(log_path.c_str(), 1, 2, 0);
        tk_log(1, "below the threshold %d", argument());
        EXPECT_EQ(evaluated, 0);
        tk_log(2, "at the threshold %d", argument());
        EXPECT_EQ(evaluated, 1);
    }
    tk_log(3, "logger ended %d", argument());
    EXPECT_EQ(evaluated, 1);
    EXPECT_EQ(read_file(log_path), "at the threshold 1\r\n");
}

TEST_F(tk_log_test, wide_and_mixed_lines_are_utf8_whatever_the_process_locale)
{
    tk_logger logger(log_path.c_str(), 1, 3, 0);
    tk_log(3, L"Tabelle %ls", L"Gr\u00f6\u00dfe \U0001F600");
    tk_log(3, "narrow with wide %ls", L"\u00e9t\u00e9");
    tk_log(3, L"wide with narrow %s", "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(read_file(log_path), "Tabelle Gr\xC3\xB6\xC3\x9F"
                                   "e \xF0\x9F\x98\x80\r\n"
                                   "narrow with wide \xC3\xA9t\xC3\xA9\r\n"
                                   "wide with narrow \xC3\xA9t\xC3\xA9\r\n");
}

TEST_F(tk_log_test, overlong_wide_line_is_cut_at_a_character_boundary)
{
    tk_logger logger(log_path.c_str(), 1, 3, 0);
    const std::wstring long_text(20000, L'\u00e9');  // two UTF-8 bytes each
    tk_log(3, L"%ls", long_text.c_str());
    const std::string contents = read_file(log_path);
    ASSERT_EQ(contents.size(), 10240u + 2u);
    EXPECT_EQ(contents.substr(10238), "\xC3\xA9\r\n");
}

TEST_F(tk_log_test, timestamps_prefix_each_line)
{
    tk_logger logger(log_path.c_str(), 1, 3, 1);
    tk_log(3, "stamped");
    tk_log(3, L"stamped");
    EXPECT_TRUE(std::regex_match(read_file(log_path), std::regex("(\\d\\d:\\d\\d:\\d\\d stamped\r\n){2}")));
}

TEST_F(tk_log_test, lines_without_a_logger_or_in_an_unwritable_place_are_dropped)
{
    tk_log(3, "no logger");
    tk_logger logger((folder.path() + "/missing/run.log").c_str(), 1, 3, 0);
    tk_log(3, "nowhere to go");
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/missing"));
}

TEST_F(tk_log_test, null_file_name_is_an_internal_error)
{
    tk_logger logger(log_path.c_str(), 0, 3, 0);
    try {
        logger.set_logfile(nullptr);
        FAIL();
    } catch (const tk_mail_assertion& assertion) {
        EXPECT_EQ(assertion.get_code(), 2u);
    }
    EXPECT_FALSE(logger.is_enabled());
}

}  // namespace
