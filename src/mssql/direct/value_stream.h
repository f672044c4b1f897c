// An ISequentialStream over a large value that a record holds, read in place:
// a bulk load takes a long text or binary value without a copy of its own,
// and a text held in UTF-8 is given as wide characters one slice at a time,
// never decoded whole. It refers to the value and does not copy it: the fast
// load reads it while the row is inserted, before the record changes.
#pragma once

#include "platform/oledb/com_object.h"
#include "platform/oledb/sequential_stream.h"

#include <cstdint>
#include <string>
#include <string_view>

class value_stream final : public oledb::com_object<value_stream, ISequentialStream> {
public:
    enum class form { bytes, wide_text };

    // `value` as it is, or UTF-8 text given as wchar_t characters.
    value_stream(std::string_view value, form as);
    value_stream(const value_stream&) = delete;
    value_stream& operator=(const value_stream&) = delete;

    IUnknown* interface_for(REFIID riid);
    // S_FALSE when fewer bytes than asked remain.
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
    // The stream is read only.
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;

    // The bytes the stream gives in all.
    std::uint64_t length() const { return m_length; }

private:
    void decode_next_slice();

    std::string_view m_value;
    form m_form;
    std::size_t m_position = 0;  // in m_value
    std::uint64_t m_length = 0;
    // The wide characters of the slice being read, and how many of their
    // bytes were given.
    std::wstring m_decoded;
    std::size_t m_decoded_offset = 0;
};
