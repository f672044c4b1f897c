#include "platform/registry_file.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

namespace store = platform::registry_file;

namespace {

TEST(registry_file_test, format_and_parse_round_trip_awkward_texts)
{
    const store::hive keys{
        {"Software\\Quarnel\\Velmora",
         {{"flag", REG_DWORD, 0xDEADBEEF, "", true},
          {"pass\"word", REG_SZ, 0, "a\\b \"q\"\n\r\t\x01 \xC3\xA4 ;[x]", true},
          {"raw", REG_SZ, 0, "no terminator", false}}},
        {"Software\\Other", {}},
    };
    const store::hive parsed = store::parse(store::format(keys));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].path, keys[0].path);
    ASSERT_EQ(parsed[0].values.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const store::value& expected = keys[0].values[i];
        const store::value& actual = parsed[0].values[i];
        EXPECT_EQ(actual.name, expected.name);
        EXPECT_EQ(actual.type, expected.type);
        EXPECT_EQ(actual.number, expected.number);
        EXPECT_EQ(actual.text, expected.text);
        EXPECT_EQ(actual.terminated, expected.terminated);
    }
    EXPECT_EQ(parsed[1].path, "Software\\Other");
}

TEST(registry_file_test, lines_that_do_not_parse_are_skipped)
{
    const store::hive parsed = store::parse("\"orphan\"=dword:1\r\n"
                                            "[Key]\r\n"
                                            "; comment\r\n"
                                            "\"good\"=dword:0000002a\r\n"
                                            "\"bad number\"=dword:xyz\r\n"
                                            "\"open quote=\"x\r\n"
                                            "garbage\r\n"
                                            "\"text\"=\"fine\"\r\n");
    ASSERT_EQ(parsed.size(), 1u);
    ASSERT_EQ(parsed[0].values.size(), 2u);
    EXPECT_EQ(parsed[0].values[0].number, 42u);
    EXPECT_EQ(parsed[0].values[1].text, "fine");
}

}  // namespace
