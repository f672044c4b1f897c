#include "variant/ole_guid_extractor.h"

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::wstring guid = L"00112233-4455-6677-8899-AABBCCDDEEFF";

struct guid_case {
    const char* name;
    std::wstring text;
    bool valid;
    int start;
};

TEST(ole_guid_extractor, recognises_the_three_forms)
{
    const guid_case cases[] = {
        {"bare", guid, true, 0},
        {"lower case", L"00112233-4455-6677-8899-aabbccddeeff", true, 0},
        {"braced", L"{" + guid + L"}", true, 1},
        {"blanks around", L"   {" + guid + L"}  ", true, 1},
        {"after the word", L"guid={" + guid + L"}", true, 6},
        {"after the upper-case word", L"GUID: {" + guid + L"}", true, 7},
        {"after the word without closing brace", L"guid={" + guid, true, 6},
        {"letter g", L"00112233-4455-6677-8899-AABBCCDDEEFG", false, 0},
        {"dash misplaced", L"001122334-455-6677-8899-AABBCCDDEEFF", false, 0},
        {"no dashes", L"00112233x4455x6677x8899xAABBCCDDEEFF", false, 0},
        {"braced with bad digit", L"{00112233-4455-6677-8899-AABBCCDDEEF!}", false, 1},
        {"too short", guid.substr(0, 35), false, -1},
        {"GUID cut at the end", L"guid={" + guid.substr(0, 35), false, -1},
        {"word with bad digits", L"guid={" + std::wstring(36, L'x') + L"}", false, 6},
        {"no word", L"id=[{" + guid + L"}]", false, -1},
        {"no brace after the word", L"guid=(" + guid + L")", false, -1},
        {"too long after trimming", L"guid={" + guid + L"}1234567", false, -1},
        {"too long", std::wstring(91, L' '), false, -1},
    };
    for (const guid_case& c : cases) {
        const ole_guid_extractor extractor(c.text);
        EXPECT_EQ(extractor.is_valid(), c.valid) << c.name;
        EXPECT_EQ(extractor.get_start(), c.start) << c.name;
        if (c.valid) {
            EXPECT_EQ(extractor.get_wstr().size(), 36u) << c.name;
            EXPECT_EQ(extractor.get_guid_wstr().size(), 32u) << c.name;
        } else {
            EXPECT_EQ(extractor.get_wstr(), L"") << c.name;
            EXPECT_EQ(extractor.get_str(), "") << c.name;
            EXPECT_EQ(extractor.get_guid_wstr(), L"") << c.name;
        }
    }
}

TEST(ole_guid_extractor, yields_text_digits_and_bytes)
{
    const ole_guid_extractor braced(std::string("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    EXPECT_EQ(braced.get_wstr(), guid);
    EXPECT_EQ(braced.get_str(), "00112233-4455-6677-8899-AABBCCDDEEFF");
    EXPECT_EQ(braced.get_guid_wstr(), L"00112233445566778899AABBCCDDEEFF");

    const ole_guid_extractor worded(L"guid={" + guid + L"}");
    EXPECT_EQ(worded.get_wstr(), guid);

    std::uint8_t bytes[16] = {};
    ole_guid_extractor(guid).get_bytes(bytes);
    const std::uint8_t expected[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                       0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(std::basic_string<std::uint8_t>(bytes, 16), std::basic_string<std::uint8_t>(expected, 16));

    ole_guid_extractor(std::wstring(L"00112233-4455-6677-8899-aabbccddeeff")).get_bytes(bytes);
    EXPECT_EQ(bytes[15], 0xFF);

    try {
        ole_guid_extractor(std::wstring(L"not a guid")).get_bytes(bytes);
        FAIL() << "an invalid text has no bytes";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.get_code(), 2u);
    }
}

}  // namespace
