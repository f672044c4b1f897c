#include "mssql/direct/value_stream.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Everything a stream gives, read `count` bytes at a time.
std::vector<unsigned char> read_all(value_stream& stream, ULONG count)
{
    std::vector<unsigned char> all;
    std::vector<unsigned char> buffer(count);
    for (;;) {
        ULONG read = 0;
        const HRESULT hr = stream.Read(buffer.data(), count, &read);
        all.insert(all.end(), buffer.begin(), buffer.begin() + read);
        if (hr == S_FALSE)
            return all;
        EXPECT_EQ(hr, S_OK);
    }
}

std::wstring as_wide(const std::vector<unsigned char>& bytes)
{
    EXPECT_EQ(bytes.size() % sizeof(wchar_t), 0u);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

// NUL, two-, three- and four-byte characters, as the record holds them.
const std::string text("a\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", 12);
const std::wstring wide{L'a', L'\0', L'\u00E9', L'\u20AC', static_cast<wchar_t>(0x1F600), L'z'};

TEST(value_stream, gives_utf8_text_as_wide_characters_whatever_the_read_size)
{
    for (const ULONG count : {1u, 3u, 4u, 7u, 64u}) {
        auto* stream = new value_stream(text, value_stream::form::wide_text);
        EXPECT_EQ(stream->length(), wide.size() * sizeof(wchar_t));
        EXPECT_EQ(as_wide(read_all(*stream, count)), wide) << count << " bytes a read";
        EXPECT_EQ(stream->Release(), 0u);
    }
}

TEST(value_stream, gives_bytes_as_they_are)
{
    auto* stream = new value_stream(text, value_stream::form::bytes);
    EXPECT_EQ(stream->length(), text.size());
    const std::vector<unsigned char> read = read_all(*stream, 5);
    EXPECT_EQ(std::string(read.begin(), read.end()), text);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(value_stream, is_read_only_and_empty_values_give_nothing)
{
    unsigned char buffer[4];
    ULONG read = 9;
    auto* bytes = new value_stream({}, value_stream::form::bytes);
    EXPECT_EQ(bytes->Read(buffer, sizeof(buffer), &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(bytes->Release(), 0u);
    auto* stream = new value_stream({}, value_stream::form::wide_text);
    EXPECT_EQ(stream->length(), 0u);
    read = 9;
    EXPECT_EQ(stream->Read(buffer, sizeof(buffer), &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    ULONG written = 9;
    EXPECT_TRUE(FAILED(stream->Write(buffer, sizeof(buffer), &written)));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(stream->Release(), 0u);
}

}  // namespace
