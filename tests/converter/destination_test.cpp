#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "toolkit/temp_folder.h"
#include "toolkit/tk_module_name.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::wstring wide(const std::string& path)
{
    return std::filesystem::path(path).wstring();
}

std::string check_failure(const std::string& path)
{
    try {
        common_check_dest(wide(path));
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 1u);
        return e.what();
    }
    return "";
}

TEST(common_check_dest, refuses_folders_read_only_files_and_missing_folders)
{
    temp_folder folder;
    EXPECT_EQ(check_failure(folder.path()), "Destination name should specify a file, not folder.");
    const std::string read_only = folder.file("locked.sql");
    write_file(read_only, "x");
    chmod(read_only.c_str(), 0444);
    EXPECT_EQ(check_failure(read_only), "Destination name specifies an existing read-only file.");
    EXPECT_EQ(check_failure(folder.file("missing/out.sql")),
              "Destination path does not exist.\nPlease verify the correct path was given.");
    EXPECT_EQ(check_failure(folder.file("new.sql")), "");
    EXPECT_FALSE(std::filesystem::exists(folder.file("new.sql")));
}

TEST(common_check_dest, refuses_a_folder_without_write_access)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    temp_folder folder;
    std::filesystem::create_directory(folder.file("closed"));
    chmod(folder.file("closed").c_str(), 0555);
    EXPECT_EQ(check_failure(folder.file("closed/out.sql")),
              "Cannot create or write into the destination file.\nRun the program as Administrator or change folder.");
}

TEST(make_dest_file_name, proposes_the_base_name_in_the_current_folder)
{
    EXPECT_EQ(make_dest_file_name(L"/data/dumps/old.sql", L"shop", L"sql", false), L"/data/dumps/shop.sql");
    EXPECT_EQ(make_dest_file_name(L"/data/dumps/old.sql", L"shop", L".sql", false), L"/data/dumps/shop.sql");
    EXPECT_EQ(make_dest_file_name(L"/data/dumps/old.sql", L"shop", L"sql", true), L"shop");
    std::filesystem::path beside_program = std::filesystem::path(tk_get_module_wname()).parent_path() / "shop.sql";
    EXPECT_EQ(make_dest_file_name(L"old.sql", L"shop", L"sql", false), beside_program.wstring());
}

// A link, a pipe or a device at the destination is refused and stays; an
// earlier script stays too: only a complete new script replaces it.
TEST(check_dest, script_mode_removes_nothing_and_refuses_what_is_not_a_file)
{
    console_error_handler handler;
    temp_folder folder;
    brantwick_convertor converter(convertor_form::console);
    converter.direct = false;
    const std::string script = folder.file("old.sql");
    write_file(script, "old");
    converter.set_destination_name(wide(script));
    converter.check_dest();
    EXPECT_EQ(read_file(script), "old");

    const std::string pipe = folder.file("pipe.sql");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const std::string link = folder.file("link.sql");
    std::filesystem::create_symlink(script, link);
    const std::string dangling = folder.file("dangling.sql");
    std::filesystem::create_symlink(folder.file("nowhere.sql"), dangling);
    for (const std::string& other : {pipe, link, dangling, std::string("/dev/null")}) {
        converter.set_destination_name(wide(other));
        try {
            converter.check_dest();
            ADD_FAILURE() << other;
        } catch (const tk_exception& e) {
            EXPECT_STREQ(e.what(), "Destination name specifies an existing link, device or pipe, not a regular file.");
        }
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(other))) << other;
    }
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    converter.set_destination_name(wide(folder.path()));
    EXPECT_THROW(converter.check_dest(), tk_exception);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path()));
}

}  // namespace
