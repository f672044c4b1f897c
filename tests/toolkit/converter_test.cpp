#include "temp_folder.h"
#include "toolkit/tk_converter.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_temp_chdir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class tk_converter_test : public ::testing::Test {
protected:
    temp_folder folder;
    tk_logger logger{nullptr, 0, 3, 0};
    tk_converter converter;

    std::string refusal(const std::string& name)
    {
        try {
            converter.set_logfile(name);
        } catch (const tk_exception& failure) {
            EXPECT_EQ(failure.get_code(), 1u);
            EXPECT_FALSE(logger.is_enabled());
            return failure.what();
        }
        return "accepted";
    }
};

TEST_F(tk_converter_test, unusable_log_names_are_refused_with_their_cause)
{
    const std::string read_only = folder.file("locked.log");
    write_file(read_only, "");
    fs::permissions(read_only, fs::perms::owner_read);

    EXPECT_EQ(refusal(folder.path()), "Logfile name specifies an existing path.");
    EXPECT_EQ(refusal(read_only), "Logfile name specifies an existing read-only file.");
    EXPECT_EQ(refusal(folder.file("missing/run.log")),
              "Logfile path does not exist.\nPlease verify the correct path was given.");
    EXPECT_EQ(refusal(""), "accepted");
    EXPECT_FALSE(logger.is_enabled());
}

TEST_F(tk_converter_test, folder_without_write_access_is_refused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write anywhere";
    const std::string locked = folder.file("locked");
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(refusal(locked + "/run.log"),
              "Cannot create log file. Make sure you have sufficient\nprivileges to create files in the directory.");
}

TEST_F(tk_converter_test, accepted_name_switches_the_log_on)
{
    const std::string log_path = folder.file("run.log");
    converter.set_logfile(log_path);
    EXPECT_TRUE(logger.is_enabled());
    EXPECT_EQ(logger.get_file_name(), log_path);
    EXPECT_EQ(converter.get_logfile(), log_path);
    tk_log(3, "line");
    EXPECT_EQ(read_file(log_path), "line\r\n");
}

TEST_F(tk_converter_test, bare_name_is_checked_where_it_is_written)
{
    const tk_temp_chdir into(folder.path());
    if (geteuid() != 0) {  // the superuser may write anywhere
        fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(
            refusal("bare.log"),
            "Cannot create log file. Make sure you have sufficient\nprivileges to create files in the directory.");
        fs::permissions(folder.path(), fs::perms::owner_all);
    }
    converter.set_logfile("bare.log");
    tk_log(3, "here");
    EXPECT_EQ(read_file(folder.file("bare.log")), "here\r\n");
}

TEST(tk_converter_without_logger_test, log_name_is_ignored)
{
    tk_converter converter;
    EXPECT_NO_THROW(converter.set_logfile("/missing/folder/run.log"));
    EXPECT_EQ(converter.get_logfile(), "");
}

}  // namespace
