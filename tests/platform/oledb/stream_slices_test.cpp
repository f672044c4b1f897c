#include "platform/oledb/stream_slices.h"

#include "platform/oledb/utf16.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using oledb::db_column;
using oledb::db_stream;
using oledb::odbc_char;
using oledb::odbc_string;

// Gives its bytes at most `step` at a time, so that reads end inside characters.
class chunked_source final : public oledb::db_stream_source {
public:
    chunked_source(std::vector<unsigned char> bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    std::size_t read(void* buffer, std::size_t count) override
    {
        const std::size_t given = std::min({count, step_, bytes_.size() - position_});
        if (given != 0)
            std::memcpy(buffer, bytes_.data() + position_, given);
        position_ += given;
        return given;
    }

private:
    std::vector<unsigned char> bytes_;
    std::size_t step_;
    std::size_t position_ = 0;
};

db_stream stream_of(const void* data, std::size_t size, std::size_t step)
{
    const auto* first = static_cast<const unsigned char*>(data);
    return {std::make_shared<chunked_source>(std::vector<unsigned char>(first, first + size), step), size};
}

db_column column_of(DBTYPE type)
{
    db_column column;
    column.type = type;
    column.size = ~std::uint64_t{0};
    return column;
}

// Every slice handed on, and the value they make together.
struct slices {
    std::vector<std::size_t> sizes;
    std::vector<unsigned char> value;
    bool cut_pair = false;  // a slice ended inside a surrogate pair

    void take(const void* data, std::size_t bytes, bool text)
    {
        sizes.push_back(bytes);
        const auto* first = static_cast<const unsigned char*>(data);
        value.insert(value.end(), first, first + bytes);
        if (text && bytes >= sizeof(odbc_char)) {
            odbc_char last = 0;
            std::memcpy(&last, first + bytes - sizeof(odbc_char), sizeof(last));
            cut_pair = cut_pair || (last >= 0xD800 && last <= 0xDBFF);
        }
    }
    odbc_string utf16() const
    {
        return odbc_string(reinterpret_cast<const odbc_char*>(value.data()), value.size() / sizeof(odbc_char));
    }
};

slices send(const db_stream& stream, DBTYPE type)
{
    slices got;
    const bool text = type != DBTYPE_BYTES;
    oledb::send_in_slices(stream, column_of(type),
                          [&](const void* data, std::size_t bytes) { got.take(data, bytes, text); });
    return got;
}

// A text of about a megabyte: NUL, two-, three- and four-byte characters.
std::wstring long_text()
{
    const std::wstring piece{L'a', L'\0', L'\u00E9', L'\u20AC', static_cast<wchar_t>(0x1F600), L'z', L'\n'};
    std::wstring text;
    while (text.size() < (1u << 20) / 4)
        text += piece;
    return text;
}

TEST(stream_slices, wide_text_goes_as_utf16_never_cut_inside_a_character)
{
    const std::wstring text = long_text();
    const slices got = send(stream_of(text.data(), text.size() * sizeof(wchar_t), 1001), DBTYPE_WSTR);
    EXPECT_GT(got.sizes.size(), 1u) << "a long value goes in several slices";
    EXPECT_TRUE(got.utf16() == oledb::to_utf16(text));
    EXPECT_FALSE(got.cut_pair);
    for (const std::size_t size : got.sizes)
        EXPECT_EQ(size % sizeof(odbc_char), 0u);
}

TEST(stream_slices, utf8_text_goes_as_utf16_never_cut_inside_a_character)
{
    const std::wstring text = long_text();
    const std::string utf8 = oledb::to_utf8(text);
    const slices got = send(stream_of(utf8.data(), utf8.size(), 1001), DBTYPE_STR);
    EXPECT_GT(got.sizes.size(), 1u);
    EXPECT_TRUE(got.utf16() == oledb::to_utf16(text));
    EXPECT_FALSE(got.cut_pair);
}

TEST(stream_slices, bytes_go_as_they_are)
{
    std::vector<unsigned char> bytes(700000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 % 251);
    const slices got = send(stream_of(bytes.data(), bytes.size(), 4097), DBTYPE_BYTES);
    EXPECT_TRUE(got.value == bytes);
}

TEST(stream_slices, an_empty_value_is_sent_once_with_no_bytes)
{
    const slices got = send(stream_of(nullptr, 0, 1), DBTYPE_WSTR);
    EXPECT_EQ(got.sizes, std::vector<std::size_t>{0});
}

}  // namespace
