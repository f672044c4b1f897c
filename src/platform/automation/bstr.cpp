#include "platform/automation/bstr.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

// Layout: a 32-bit byte count, then the characters, then a zero character.
// The handed-out pointer is the first character.
namespace {

constexpr std::size_t prefix_size = sizeof(std::uint32_t);
constexpr std::size_t max_length = (std::numeric_limits<std::uint32_t>::max() / sizeof(OLECHAR)) - 1;

std::uint32_t* prefix_of(BSTR text)
{
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - prefix_size);
}

}  // namespace

BSTR SysAllocString(LPCOLESTR text)
{
    if (text == nullptr)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length)
{
    if (length > max_length)
        return nullptr;
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(prefix_size + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    const auto byte_count = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byte_count, prefix_size);
    auto* chars = reinterpret_cast<BSTR>(block + prefix_size);
    if (text != nullptr)
        std::wmemcpy(chars, text, length);
    else
        std::wmemset(chars, L'\0', length);
    chars[length] = L'\0';
    return chars;
}

bool SysReAllocStringLen(BSTR* text, LPCOLESTR source, UINT length)
{
    if (source != nullptr || *text == nullptr) {
        BSTR copy = SysAllocStringLen(source, length);
        if (copy == nullptr)
            return false;
        SysFreeString(*text);
        *text = copy;
        return true;
    }
    if (length > max_length)
        return false;
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    // realloc keeps the characters and, for a shorter text, usually the place.
    auto* block = static_cast<char*>(std::realloc(prefix_of(*text), prefix_size + bytes + sizeof(OLECHAR)));
    if (block == nullptr)
        return false;
    const auto byte_count = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byte_count, prefix_size);
    *text = reinterpret_cast<BSTR>(block + prefix_size);
    (*text)[length] = L'\0';
    return true;
}

UINT SysStringByteLen(BSTR text)
{
    return text == nullptr ? 0 : *prefix_of(text);
}

UINT SysStringLen(BSTR text)
{
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

void SysFreeString(BSTR text)
{
    if (text != nullptr)
        std::free(prefix_of(text));
}
