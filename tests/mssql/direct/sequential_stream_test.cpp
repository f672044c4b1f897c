#include "mssql/direct/sequential_stream.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>

namespace {

// The stream ends through Release; the fixture holds its one reference.
class sequential_stream_test : public testing::Test {
protected:
    ~sequential_stream_test() override { EXPECT_EQ(stream->Release(), 0u); }

    CSeqStream* stream = new CSeqStream;
};

std::array<std::uint8_t, 20> twenty_bytes()
{
    std::array<std::uint8_t, 20> bytes{};
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

TEST_F(sequential_stream_test, empty_stream_reads_nothing)
{
    std::uint8_t buffer[10];
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, 10, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Read(nullptr, 10, &read), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->Read(buffer, 0, &read), S_OK);
}

TEST_F(sequential_stream_test, reads_in_pieces_to_the_end)
{
    const auto bytes = twenty_bytes();
    ULONG written = 0;
    ASSERT_EQ(stream->Write(bytes.data(), 20, &written), S_OK);
    EXPECT_EQ(written, 20u);
    std::array<std::uint8_t, 8> buffer{};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_OK);
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_OK);
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_FALSE);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(buffer[3], 20);
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
}

TEST_F(sequential_stream_test, second_write_appends_even_after_reading)
{
    const auto bytes = twenty_bytes();
    ASSERT_EQ(stream->Write(bytes.data(), 10, nullptr), S_OK);
    std::array<std::uint8_t, 4> buffer{};
    ASSERT_EQ(stream->Read(buffer.data(), 4, nullptr), S_OK);
    ASSERT_EQ(stream->Write(bytes.data() + 10, 10, nullptr), S_OK);
    EXPECT_EQ(stream->GetLength(), 20u);
    EXPECT_TRUE(stream->EqualsData(bytes.data()));
}

TEST_F(sequential_stream_test, write_refuses_null_and_takes_nothing)
{
    ULONG written = 7;
    EXPECT_EQ(stream->Write(nullptr, 3, &written), STG_E_INVALIDPOINTER);
    EXPECT_EQ(written, 7u);
    const std::uint8_t byte = 1;
    EXPECT_EQ(stream->Write(&byte, 0, &written), S_OK);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(stream->GetLength(), 0u);
    EXPECT_EQ(stream->GetData(), nullptr);
}

TEST_F(sequential_stream_test, position_stays_within_the_data)
{
    const auto bytes = twenty_bytes();
    ASSERT_EQ(stream->Write(bytes.data(), 20, nullptr), S_OK);
    EXPECT_FALSE(stream->SetPosition(21));
    EXPECT_TRUE(stream->SetPosition(18));
    std::array<std::uint8_t, 8> buffer{};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_FALSE);
    EXPECT_EQ(read, 2u);
    EXPECT_TRUE(stream->ClearData());
    EXPECT_EQ(stream->GetLength(), 0u);
    EXPECT_EQ(stream->Read(buffer.data(), 8, &read), S_FALSE);
}

TEST_F(sequential_stream_test, answers_only_its_two_interfaces)
{
    void* found = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStream, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
    ASSERT_EQ(stream->QueryInterface(IID_ISequentialStream, &found), S_OK);
    EXPECT_EQ(found, static_cast<ISequentialStream*>(stream));
    EXPECT_EQ(stream->Release(), 1u);
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(stream->Release(), 1u);
}

}  // namespace
