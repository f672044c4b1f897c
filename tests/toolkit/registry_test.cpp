#include "platform/last_error.h"
#include "temp_folder.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_registry.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char* const key_path = "Software\\Quarnel\\Velmora";

class tk_registry_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv(platform::registry_file_variable, store_file.c_str(), 1);
        ASSERT_EQ(settings.create(HKEY_CURRENT_USER, key_path, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &disposition),
                  ERROR_SUCCESS);
    }
    void TearDown() override { unsetenv(platform::registry_file_variable); }

    void expect_strings(const char* narrow_name, const std::string& narrow_expected, const wchar_t* wide_name,
                        const std::wstring& wide_expected)
    {
        std::string narrow = "stale";
        std::wstring wide = L"stale";
        EXPECT_TRUE(settings.exchange(narrow_name, narrow, false));
        EXPECT_TRUE(settings.exchange(wide_name, wide, false));
        EXPECT_EQ(narrow, narrow_expected);
        EXPECT_EQ(wide, wide_expected);
    }

    temp_folder folder;
    std::string store_file = folder.file("config/velmora/registry");
    tk_serializer settings{key_path};
    std::uint32_t disposition = 0;
};

TEST_F(tk_registry_test, values_round_trip_and_missing_ones_keep_the_defaults)
{
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    bool flag = true;
    std::string narrow = "default";
    std::wstring wide = L"default";
    EXPECT_FALSE(settings.exchange("flag", flag, false));
    EXPECT_FALSE(settings.exchange("narrow", narrow, false));
    EXPECT_FALSE(settings.exchange(L"wide", wide, false));
    EXPECT_TRUE(flag);
    EXPECT_EQ(narrow, "default");
    EXPECT_EQ(wide, L"default");

    std::string password = "p\xC3\xA4ss \"w\\rd\"\n";
    std::wstring table = L"Gr\u00f6\u00dfe \U0001F600";
    bool no = false;
    EXPECT_TRUE(settings.exchange("narrow", password, true));
    EXPECT_TRUE(settings.exchange(L"wide", table, true));
    EXPECT_TRUE(settings.exchange("flag", no, true));

    expect_strings("NARROW", password, L"wide", table);
    EXPECT_TRUE(settings.exchange("flag", flag, false));
    EXPECT_FALSE(flag);
}

TEST_F(tk_registry_test, any_non_zero_dword_loads_as_true)
{
    ASSERT_EQ(settings.set_value(std::uint32_t{7}, "flag"), ERROR_SUCCESS);
    bool flag = false;
    EXPECT_TRUE(settings.exchange("flag", flag, false));
    EXPECT_TRUE(flag);
}

TEST_F(tk_registry_test, empty_strings_are_stored_with_their_terminator)
{
    std::string narrow;
    std::wstring wide;
    ASSERT_TRUE(settings.exchange("narrow", narrow, true));
    ASSERT_TRUE(settings.exchange(L"wide", wide, true));

    std::uint32_t size = 0;
    EXPECT_EQ(settings.get_value(static_cast<char*>(nullptr), "narrow", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(settings.get_value(static_cast<wchar_t*>(nullptr), L"wide", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(wchar_t));

    expect_strings("narrow", "", L"wide", L"");
}

TEST_F(tk_registry_test, string_stored_without_terminator_is_read_within_bounds)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_path, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "raw", REG_SZ, "abc", 3), ERROR_SUCCESS);
    const wchar_t wide_raw[] = {L'x', L'y'};
    ASSERT_EQ(RegSetValueExW(key, L"wide raw", REG_SZ, wide_raw, sizeof wide_raw), ERROR_SUCCESS);
    RegCloseKey(key);

    std::uint32_t size = 0;
    EXPECT_EQ(settings.get_value(static_cast<char*>(nullptr), "raw", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    expect_strings("raw", "abc", L"wide raw", L"xy");
}

TEST_F(tk_registry_test, values_reach_a_second_process)
{
    bool flag = true;
    std::string narrow = "h\xC3\xB6st";
    std::wstring wide = L"\U0001F600 db";
    ASSERT_TRUE(settings.exchange("flag", flag, true));
    ASSERT_TRUE(settings.exchange("narrow", narrow, true));
    ASSERT_TRUE(settings.exchange(L"wide", wide, true));

    const std::string command = std::string(REGISTRY_READER) + " 'Software\\Quarnel\\Velmora'";
    std::FILE* reader = popen(command.c_str(), "r");
    ASSERT_NE(reader, nullptr);
    char output[256] = {};
    const std::size_t length = std::fread(output, 1, sizeof output - 1, reader);
    EXPECT_EQ(pclose(reader), 0);
    EXPECT_EQ(std::string(output, length), "1|h\xC3\xB6st|\xF0\x9F\x98\x80 db");

    struct stat status {};
    ASSERT_EQ(stat(store_file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(tk_registry_test, reopening_finds_the_existing_key)
{
    EXPECT_EQ(settings.create(HKEY_CURRENT_USER, "software\\quarnel\\velmora", nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
}

TEST(tk_registry_without_key_test, exchange_fails_both_ways_and_writes_need_a_key)
{
    tk_serializer settings(key_path);
    bool flag = true;
    std::wstring wide = L"kept";
    EXPECT_FALSE(settings.exchange("flag", flag, true));
    EXPECT_FALSE(settings.exchange("flag", flag, false));
    EXPECT_FALSE(settings.exchange(L"wide", wide, false));
    EXPECT_TRUE(flag);
    EXPECT_EQ(wide, L"kept");
    EXPECT_THROW(settings.set_value(std::uint32_t{1}, "flag"), tk_mail_assertion);
    EXPECT_THROW(settings.create(nullptr, key_path, nullptr, 0, 0, nullptr, nullptr), tk_mail_assertion);
}

}  // namespace
