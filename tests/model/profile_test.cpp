#include "model/profile.h"

#include "expect_tk_exception.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace {

class profile_file : public testing::Test {
protected:
    profile_file()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-profile-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern;
    }
    ~profile_file() override { std::filesystem::remove_all(m_folder); }

    std::wstring path() const { return (m_folder / "test.bwk").wstring(); }

    void write(const std::string& contents) const
    {
        std::ofstream(m_folder / "test.bwk", std::ios::binary) << contents;
    }

    std::string contents() const
    {
        std::ifstream in(m_folder / "test.bwk", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_folder;
};

using pairs = udb_profile_pairs;

TEST_F(profile_file, pair_lines_trim_the_key_and_keep_the_value)
{
    write("[Generic settings]\r\nsrc = sakila\r\nmode=1\r\nquery=a=b\r\n");
    udb_profile profile;
    ASSERT_TRUE(profile.load(path()));
    EXPECT_EQ(profile.keys[L"Generic settings"], (pairs{{L"src", L" sakila"}, {L"mode", L"1"}, {L"query", L"a=b"}}));
    EXPECT_EQ(profile.get_value(L"Generic settings", L"src"), L" sakila");
}

TEST_F(profile_file, selected_tables_round_trip)
{
    write("[Selected Tables]\r\nfilm\r\ntop_films=SELECT * FROM film LIMIT 10\r\n");
    udb_profile profile;
    ASSERT_TRUE(profile.load(path()));
    EXPECT_EQ(profile.get_selected_tables(), (pairs{{L"film", L""}, {L"top_films", L"SELECT * FROM film LIMIT 10"}}));
    EXPECT_EQ(profile.get_items(L"Selected Tables"), std::vector<std::wstring>{L"film"});

    ASSERT_TRUE(profile.store(path()));
    EXPECT_EQ(contents(), "[Available Queries]\r\n\r\n"
                          "[Generic settings]\r\n\r\n"
                          "[Selected Tables]\r\nfilm\r\ntop_films=SELECT * FROM film LIMIT 10\r\n\r\n"
                          "[Selected Views]\r\n\r\n"
                          "[Selected Tables]\r\nfilm\r\n");
}

TEST_F(profile_file, store_writes_sections_in_name_order_and_keeps_repeated_keys)
{
    udb_profile profile;
    profile.set_value(L"MySQL settings", L"host", L"127.0.0.1");
    profile.set_value(L"Generic settings", L"mode", L"1");
    profile.set_value(L"Generic settings", L"mode", L"2");
    profile.set_value(L"Generic settings", L"dest", L"");
    profile.add_item(L"Type Mappings", L"database:");
    profile.add_item(L"Type Mappings", L"  - name: t");
    ASSERT_TRUE(profile.store(path()));
    EXPECT_EQ(contents(), "[Available Queries]\r\n\r\n"
                          "[Generic settings]\r\nmode=1\r\nmode=2\r\ndest=\r\n\r\n"
                          "[MySQL settings]\r\nhost=127.0.0.1\r\n\r\n"
                          "[Selected Tables]\r\n\r\n"
                          "[Selected Views]\r\n\r\n"
                          "[Type Mappings]\r\ndatabase:\r\n  - name: t\r\n");

    udb_profile loaded;
    ASSERT_TRUE(loaded.load(path()));
    EXPECT_EQ(loaded.get_value(L"Generic settings", L"mode"), L"1");
    EXPECT_EQ(loaded.keys[L"Generic settings"], profile.keys[L"Generic settings"]);
    EXPECT_EQ(loaded.keys[L"MySQL settings"], profile.keys[L"MySQL settings"]);
    // Indented item lines come back as written.
    EXPECT_EQ(loaded.get_items(L"Type Mappings"), profile.get_items(L"Type Mappings"));
}

TEST_F(profile_file, text_is_utf8_and_lines_of_any_length_round_trip)
{
    const std::wstring long_query = L"SELECT '" + std::wstring(10000, L'\x00e9') + L"' FROM t";
    udb_profile profile;
    profile.set_value(L"Available Queries", L"q\x00fc", long_query);
    ASSERT_TRUE(profile.store(path()));
    EXPECT_NE(contents().find("q\xc3\xbc=SELECT '\xc3\xa9"), std::string::npos);

    udb_profile loaded;
    ASSERT_TRUE(loaded.load(path()));
    EXPECT_EQ(loaded.get_value(L"Available Queries", L"q\x00fc"), long_query);
}

// A value over several lines reads back as one value, not as a short value
// followed by stray keys and items; the file is its owner's alone.
TEST_F(profile_file, multi_line_values_stand_on_one_line_and_the_file_is_private)
{
    write("old contents");
    std::filesystem::permissions(path(), std::filesystem::perms(0644));
    udb_profile profile;
    profile.set_value(L"Selected Views", L"v", L"SELECT a\r\nFROM t\nWHERE b = 1\rORDER BY a");
    profile.set_value(L"Selected Tables", L"q", L"SELECT x\nFROM y");
    profile.set_value(L"MySQL settings", L"password", L"p=w");
    ASSERT_TRUE(profile.store(path()));
    EXPECT_EQ(std::filesystem::status(path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    udb_profile loaded;
    ASSERT_TRUE(loaded.load(path()));
    EXPECT_EQ(loaded.get_selected_views(), (udb_profile_pairs{{L"v", L"SELECT a FROM t WHERE b = 1 ORDER BY a"}}));
    EXPECT_EQ(loaded.get_selected_tables(), (udb_profile_pairs{{L"q", L"SELECT x FROM y"}}));
    EXPECT_TRUE(loaded.get_items(L"Selected Tables").empty());
}

TEST_F(profile_file, names_compare_with_case_and_bare_line_ends_are_accepted)
{
    write("[generic settings]\nsrc=a\n[Generic settings]\nsrc=b\n");
    udb_profile profile;
    ASSERT_TRUE(profile.load(path()));
    EXPECT_EQ(profile.get_value(L"Generic settings", L"src"), L"b");
    EXPECT_EQ(profile.get_value(L"generic settings", L"src"), L"a");
    EXPECT_EQ(profile.get_value(L"Generic settings", L"SRC"), L"");
}

TEST_F(profile_file, lines_before_the_first_section_fail)
{
    for (const char* text : {"src=a\r\n[Generic settings]\r\n", "film\r\n", "\xEF\xBB\xBF\r\nsrc=a\r\n"}) {
        write(text);
        udb_profile profile;
        EXPECT_FALSE(profile.load(path())) << text;
    }
}

// A file cut short before its first section holds no setting at all: it is
// no profile, not one that empties every setting.
TEST_F(profile_file, file_without_a_section_is_no_profile)
{
    for (const char* text : {"", "\r\n  \r\n", "\xEF\xBB\xBF"}) {
        write(text);
        udb_profile profile;
        EXPECT_FALSE(profile.load(path())) << text;
        EXPECT_EQ(profile.load_error, L"it holds no [section], so it is no profile");
    }
    write("[Generic settings]\r\n");
    udb_profile profile;
    EXPECT_TRUE(profile.load(path()));
    EXPECT_FALSE(profile.has_value(L"Generic settings", L"src"));
}

// A byte-order mark is no text before the first section, and a password's
// blanks are part of it, where other values lose those at their end.
TEST_F(profile_file, byte_order_mark_is_skipped_and_passwords_kept_as_written)
{
    write("\xEF\xBB\xBF[MySQL settings]\r\nhost= db \r\npassword= se cret \r\n");
    udb_profile profile;
    ASSERT_TRUE(profile.load(path()));
    EXPECT_EQ(profile.get_value(L"MySQL settings", L"password"), L" se cret ");
    EXPECT_EQ(profile.get_value(L"MySQL settings", L"host"), L" db");
}

TEST_F(profile_file, missing_file_is_reported)
{
    udb_profile profile;
    expect_tk_exception([&] { profile.load(path()); },
                        "Profile does not exist. Please verify the correct path/name was given.", 1);
}

TEST(profile_store, a_failed_write_raises_the_stream_failure)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    udb_profile profile;
    try {
        profile.store(L"/dev/full");
        FAIL() << "no exception";
    } catch (const std::ios_base::failure& failure) {
        EXPECT_STREQ(failure.what(), "ios_base::failbit set");
    }
}

}  // namespace
