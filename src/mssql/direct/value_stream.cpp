#include "mssql/direct/value_stream.h"

#include "platform/code_page.h"

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

// Decodes the next slice of the text that ends on a whole character; the
// text is well formed, as the record holds only such text in UTF-8.
void value_stream::decode_next_slice()
{
    constexpr std::size_t slice = 64 << 10;
    const std::string_view next = m_value.substr(m_position, slice);
    const std::size_t whole = next.size() == m_value.size() - m_position ? next.size() : whole_utf8_length(next);
    MultiByteToWideChar(CP_UTF8, next.substr(0, whole), m_decoded);
    m_position += whole;
    m_decoded_offset = 0;
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
        while (given < count) {
            const std::size_t decoded_bytes = m_decoded.size() * sizeof(wchar_t);
            if (m_decoded_offset == decoded_bytes) {
                if (m_position == m_value.size())
                    break;
                decode_next_slice();
                continue;
            }
            const std::size_t part = std::min<std::size_t>(count - given, decoded_bytes - m_decoded_offset);
            std::memcpy(out + given, reinterpret_cast<const unsigned char*>(m_decoded.data()) + m_decoded_offset, part);
            m_decoded_offset += part;
            given += static_cast<ULONG>(part);
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
