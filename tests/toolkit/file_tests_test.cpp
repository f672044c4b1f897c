#include "platform/clipboard.h"
#include "platform/file_access.h"
#include "temp_folder.h"
#include "toolkit/tk_clipboard.h"
#include "toolkit/tk_dll_version.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_send_bug.h"
#include "toolkit/tk_temp_chdir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class tk_file_tests_test : public ::testing::Test {
protected:
    temp_folder folder;
    std::string file = folder.file("data.txt");
    std::string read_only = folder.file("locked.txt");

    void SetUp() override
    {
        write_file(file, "contents");
        write_file(read_only, "contents");
        fs::permissions(read_only, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
};

TEST_F(tk_file_tests_test, modes_tell_files_read_only_files_and_folders_apart)
{
    struct mode_case {
        std::string name;
        bool exists;
        bool writable;
    };
    const mode_case cases[] = {
        {file, true, true},
        {read_only, true, false},
        {folder.path(), false, false},
        {folder.file("missing.txt"), false, false},
    };
    for (const mode_case& item : cases) {
        EXPECT_EQ(tk_is_file_exist1(item.name, tk_file_exists), item.exists) << item.name;
        EXPECT_EQ(tk_is_file_exist1(item.name, tk_file_writable), item.writable) << item.name;
        const std::wstring wide(item.name.begin(), item.name.end());
        EXPECT_EQ(tk_is_file_exist2(wide, tk_file_exists), item.exists) << item.name;
    }
}

TEST_F(tk_file_tests_test, other_modes_create_or_empty_the_file)
{
    EXPECT_TRUE(tk_is_file_exist1(file, 0));
    EXPECT_EQ(read_file(file), "");
    EXPECT_TRUE(tk_is_file_exist1(folder.file("new.txt"), 0));
    EXPECT_TRUE(fs::exists(folder.file("new.txt")));
    try {
        tk_is_file_exist1(folder.file("missing/new.txt"), 0);
        FAIL();
    } catch (const tk_exception_ex& failure) {
        EXPECT_EQ(failure.get_code(), 1u);
        EXPECT_STREQ(failure.what(), "The system cannot find the file specified.\r\n");
    }
}

TEST_F(tk_file_tests_test, path_test_leaves_the_current_directory)
{
    const fs::path before = fs::current_path();
    EXPECT_TRUE(tk_is_path_exist(folder.path()));
    EXPECT_TRUE(tk_is_path_exist(std::wstring(L"/")));
    EXPECT_TRUE(tk_is_path_exist(std::string()));  // the program's folder
    EXPECT_FALSE(tk_is_path_exist(file));
    EXPECT_FALSE(tk_is_path_exist(folder.file("missing")));
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(tk_file_tests_test, access_check_follows_the_permissions)
{
    EXPECT_TRUE(tk_check_access(folder.path(), GENERIC_WRITE));
    EXPECT_TRUE(tk_check_access(std::wstring(L"/"), GENERIC_READ));
    EXPECT_FALSE(tk_check_access(folder.file("missing"), GENERIC_READ));
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write anywhere";
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(tk_check_access(folder.path(), GENERIC_WRITE));
}

TEST_F(tk_file_tests_test, temp_chdir_changes_and_restores)
{
    const fs::path before = fs::current_path();
    {
        const tk_temp_chdir change(folder.path());
        EXPECT_TRUE(change.is_changed());
        EXPECT_EQ(fs::current_path(), fs::path(folder.path()));
    }
    EXPECT_EQ(fs::current_path(), before);
    {
        const tk_temp_chdir change(folder.file("missing"));
        EXPECT_FALSE(change.is_changed());
    }
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(tk_file_tests_test, system_services_that_are_not_there_fail_quietly)
{
    const std::string log_path = folder.file("trace.log");
    tk_logger logger(log_path.c_str(), 1, 2, 0);
    const fs::path before = fs::current_path();

    EXPECT_EQ(get_dll_version(L"libc.so.6"), 0);  // no DllGetVersion
    EXPECT_EQ(get_dll_version(L"comctl32.dll"), 0);
    tk_send_bug("Velmora 1.0", "Internal error");
    tk_copy_to_clipboard2(L"error text");

    std::wstring pasted;
    platform::set_clipboard_writer([&](const std::wstring& text) {
        pasted = text;
        return true;
    });
    tk_copy_to_clipboard2(L"copied");
    platform::set_clipboard_writer(nullptr);

    EXPECT_EQ(pasted, L"copied");
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(read_file(log_path), "get_dll_version failed to obtain DllGetVersion\r\n"
                                   "get_dll_version failed to load DLL\r\n"
                                   "tk_send_bug(Velmora 1.0|Internal error)\r\n"
                                   "tk_temp_chdir::ctor\r\n"
                                   "tk_temp_chdir::initialize(.)\r\n"
                                   "Failed to locate MAPI32.DLL\r\n"
                                   "tk_temp_chdir::dtor\r\n"
                                   "tk_temp_chdir::dtor - at the END\r\n"
                                   "tk_copy_to_clipboard2(error text)\r\n"
                                   "GetLastError() returns 0000058A\r\n"
                                   "tk_copy_to_clipboard2(copied)\r\n"
                                   "OpenClipboard succeeded\r\n");
}

}  // namespace
