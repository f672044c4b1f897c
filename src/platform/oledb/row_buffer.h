// Parts of a row buffer, which need not be aligned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oledb {

template <typename T>
void put(void* row, std::uint64_t offset, const T& value)
{
    std::memcpy(static_cast<std::byte*>(row) + offset, &value, sizeof(T));
}

template <typename T>
T get(const void* row, std::uint64_t offset)
{
    T value;
    std::memcpy(&value, static_cast<const std::byte*>(row) + offset, sizeof(T));
    return value;
}

}  // namespace oledb
