#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_name.h"
#include "toolkit/tk_module_name.h"

#include <gtest/gtest.h>

namespace {

struct split_case {
    const char* path;
    const char* drive;
    const char* folder;
    const char* name;
    const char* ext;
};

TEST(tk_file_name_test, splits_at_either_separator)
{
    const split_case cases[] = {
        {"C:\\dir\\sub\\file.txt", "C:", "\\dir\\sub\\", "file", ".txt"},
        {"/home/user/run.log", "", "/home/user/", "run", ".log"},
        {"dir/sub\\archive.tar.gz", "", "dir/sub\\", "archive.tar", ".gz"},
        {"bare.sql", "", "", "bare", ".sql"},
        {"/etc/.profile", "", "/etc/", ".profile", ""},
        {"/var/dir.d/name", "", "/var/dir.d/", "name", ""},
    };
    for (const split_case& item : cases) {
        const tk_file_name name(item.path);
        EXPECT_EQ(name.get_drive(), item.drive) << item.path;
        EXPECT_EQ(name.get_folder(), item.folder) << item.path;
        EXPECT_EQ(name.get_name(), item.name) << item.path;
        EXPECT_EQ(name.get_ext(), item.ext) << item.path;
        EXPECT_EQ(name.get_path(), std::string(item.drive) + item.folder) << item.path;
    }
}

TEST(tk_file_name_test, wide_name_takes_a_new_extension_and_joins_again)
{
    tk_file_wname name(L"/data/Gr\u00f6\u00dfe.bwk");
    name.set_ext(L"sql");
    EXPECT_EQ(name.get_full_path(), L"/data/Gr\u00f6\u00dfe.sql");
    name.set_ext(L".log");
    name.set_name(L"run");
    EXPECT_EQ(name.get_full_path(), L"/data/run.log");
    name.set_ext(L"");
    EXPECT_EQ(name.get_full_path(), L"/data/run");
}

TEST(tk_file_name_test, empty_path_stands_for_the_program_without_its_name)
{
    const tk_file_name program("");
    const tk_file_name module(tk_get_module_name());
    EXPECT_EQ(program.get_folder(), module.get_folder());
    EXPECT_EQ(program.get_ext(), module.get_ext());
    EXPECT_EQ(program.get_name(), "");
    EXPECT_EQ(tk_get_module_folder(), module.get_path());
    EXPECT_EQ(tk_get_module_folder().back(), '/');
}

TEST(tk_file_name_test, null_and_overlong_paths_are_internal_errors)
{
    EXPECT_THROW(tk_file_name(static_cast<const char*>(nullptr)), tk_mail_assertion);
    EXPECT_THROW(tk_file_name(std::string(5000, 'a')), tk_mail_assertion);
    EXPECT_THROW(tk_file_wname(std::wstring(5000, L'a')), tk_mail_assertion);
}

}  // namespace
