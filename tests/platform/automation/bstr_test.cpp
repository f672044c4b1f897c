#include "platform/automation/bstr.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(bstr, keeps_embedded_zeros_and_its_length)
{
    const std::wstring text(L"a\0b\0c", 5);
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(SysStringLen(copy), 5u);
    EXPECT_EQ(SysStringByteLen(copy), 5u * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(copy, SysStringLen(copy)), text);
    EXPECT_EQ(copy[5], L'\0');
    SysFreeString(copy);
}

TEST(bstr, alloc_string_stops_at_the_first_zero)
{
    BSTR copy = SysAllocString(L"ab\0cd");
    EXPECT_EQ(SysStringLen(copy), 2u);
    EXPECT_EQ(std::wstring(copy), L"ab");
    SysFreeString(copy);
}

TEST(bstr, null_and_empty_texts)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);

    BSTR empty = SysAllocString(L"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);

    BSTR blank = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(std::wstring(blank, 3), std::wstring(3, L'\0'));
    SysFreeString(blank);
}

TEST(bstr, realloc_keeps_or_replaces_the_characters)
{
    BSTR text = SysAllocString(L"abcdef");
    ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 3));
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(std::wstring(text), L"abc");

    ASSERT_TRUE(SysReAllocStringLen(&text, L"xy\0z", 4));
    EXPECT_EQ(std::wstring(text, SysStringLen(text)), std::wstring(L"xy\0z", 4));
    EXPECT_EQ(text[4], L'\0');
    SysFreeString(text);

    BSTR none = nullptr;
    ASSERT_TRUE(SysReAllocStringLen(&none, nullptr, 2));
    EXPECT_EQ(std::wstring(none, 2), std::wstring(2, L'\0'));
    SysFreeString(none);
}

}  // namespace
