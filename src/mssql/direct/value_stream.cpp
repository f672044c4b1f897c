#include "mssql/direct/value_stream.h"

#include <algorithm>
#include <cstring>

value_stream::value_stream(std::string_view value, form as) : m_value(value), m_form(as)
{
    if (m_form == form::bytes) {
        m_length = value.size();
        return;
    }
    // One character for each byte that does not continue a sequence.
    std::uint64_t characters = 0;
    for (const char c : value)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    m_length = characters * sizeof(wchar_t);
}

IUnknown* value_stream::interface_for(REFIID riid)
{
    return riid == IID_IUnknown || riid == IID_ISequentialStream ? this : nullptr;
}

// The text is well formed: the record holds only such text in UTF-8.
std::size_t value_stream::next_character(wchar_t& character) const
{
    const auto* text = reinterpret_cast<const unsigned char*>(m_value.data()) + m_position;
    const unsigned char first = text[0];
    const std::size_t size = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
    if (m_position + size > m_value.size()) {
        character = static_cast<wchar_t>(0xFFFD);
        return m_value.size() - m_position;
    }
    std::uint32_t code = size == 1 ? first : first & (0xFF >> (size + 1));
    for (std::size_t i = 1; i < size; ++i)
        code = (code << 6) | (text[i] & 0x3F);
    character = static_cast<wchar_t>(code);
    return size;
}

HRESULT value_stream::Read(void* buffer, ULONG count, ULONG* read)
{
    if (read)
        *read = 0;
    if (!buffer)
        return STG_E_INVALIDPOINTER;
    auto* out = static_cast<unsigned char*>(buffer);
    ULONG given = 0;
    if (m_form == form::bytes) {
        given = static_cast<ULONG>(std::min<std::size_t>(count, m_value.size() - m_position));
        // An empty value may have no bytes to point at.
        if (given != 0)
            std::memcpy(out, m_value.data() + m_position, given);
        m_position += given;
    } else {
        const std::size_t pending = std::min<std::size_t>(count, m_pending_size);
        std::memcpy(out, m_pending, pending);
        std::memmove(m_pending, m_pending + pending, m_pending_size - pending);
        m_pending_size -= pending;
        given = static_cast<ULONG>(pending);
        while (given < count && m_position < m_value.size()) {
            wchar_t character = 0;
            m_position += next_character(character);
            if (count - given >= sizeof(wchar_t)) {
                std::memcpy(out + given, &character, sizeof(wchar_t));
                given += sizeof(wchar_t);
            } else {
                const std::size_t part = count - given;
                std::memcpy(out + given, &character, part);
                std::memcpy(m_pending, reinterpret_cast<const unsigned char*>(&character) + part,
                            sizeof(wchar_t) - part);
                m_pending_size = sizeof(wchar_t) - part;
                given = count;
            }
        }
    }
    if (read)
        *read = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT value_stream::Write(const void*, ULONG, ULONG* written)
{
    if (written)
        *written = 0;
    return E_NOTIMPL;
}
