// Reading the values of a caller's buffer by their bindings, for the
// fast-load rowset and for commands: each bound type becomes the engine's
// value of its column or parameter.
#include "platform/oledb/bound_value.h"

#include "platform/code_page.h"
#include "platform/oledb/com_object.h"
#include "platform/oledb/row_buffer.h"

#include <cinttypes>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <memory>
#include <string>

namespace oledb {

namespace {

db_error unreadable(const wchar_t* what)
{
    return db_error(L"OLE DB", {{L"22018", 0, std::wstring(L"A bound value cannot be read: ") + what}},
                    DB_E_ERRORSOCCURRED);
}

std::wstring widened(const char* text)
{
    std::wstring wide;
    MultiByteToWideChar(CP_UTF8, text, wide);
    return wide;
}

template <typename T>
std::wstring integer_text(const void* value)
{
    T v;
    std::memcpy(&v, value, sizeof(T));
    return std::to_wstring(v);
}

std::wstring float_text(double v, int digits)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%.*g", digits, v);
    return widened(text);
}

// An unsigned magnitude with `scale` digits after the point.
std::wstring decimal_text(unsigned __int128 magnitude, int scale, bool negative)
{
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale))
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), L'0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, L'.');
    }
    return negative ? L"-" + digits : digits;
}

std::wstring numeric_text(const void* value)
{
    DB_NUMERIC n;
    std::memcpy(&n, value, sizeof(n));
    unsigned __int128 magnitude = 0;
    for (int i = DB_MAX_NUMERIC_LEN - 1; i >= 0; --i)
        magnitude = (magnitude << 8) | n.val[i];
    return decimal_text(magnitude, n.scale > 0 ? n.scale : 0, n.sign == 0 && magnitude != 0);
}

std::wstring currency_text(const void* value)
{
    std::int64_t v;
    std::memcpy(&v, value, sizeof(v));
    const bool negative = v < 0;
    const auto magnitude =
        negative ? static_cast<unsigned __int128>(-static_cast<__int128>(v)) : static_cast<unsigned __int128>(v);
    return decimal_text(magnitude, 4, negative);
}

// A fraction of a second in nanoseconds, with as many digits as the column keeps.
std::wstring fraction_text(std::uint32_t nanoseconds, int digits)
{
    if (digits <= 0)
        return {};
    char text[16];
    std::snprintf(text, sizeof(text), "%09" PRIu32, nanoseconds % 1000000000u);
    return L"." + widened(text).substr(0, static_cast<std::size_t>(std::min(digits, 9)));
}

std::wstring date_text(int year, unsigned month, unsigned day)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02u-%02u", year, month, day);
    return widened(text);
}

std::wstring time_text(unsigned hour, unsigned minute, unsigned second, std::uint32_t fraction, int digits)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%02u:%02u:%02u", hour, minute, second);
    return widened(text) + fraction_text(fraction, digits);
}

std::wstring guid_text(const void* value)
{
    GUID g;
    std::memcpy(&g, value, sizeof(g));
    char text[40];
    std::snprintf(text, sizeof(text), "%08" PRIX32 "-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return widened(text);
}

// The stream a bound object offers, holding a reference of its own.
com_ref<ISequentialStream> bound_stream(IUnknown* object)
{
    if (!object)
        throw unreadable(L"no stream object");
    ISequentialStream* stream = nullptr;
    if (FAILED(object->QueryInterface(IID_ISequentialStream, reinterpret_cast<void**>(&stream))))
        throw unreadable(L"the object is no ISequentialStream");
    return com_ref<ISequentialStream>(stream);
}

class bound_stream_source final : public db_stream_source {
public:
    explicit bound_stream_source(com_ref<ISequentialStream> stream) : stream_(std::move(stream)) {}
    std::size_t read(void* buffer, std::size_t count) override
    {
        ULONG read = 0;
        const auto asked = static_cast<ULONG>(std::min<std::size_t>(count, std::numeric_limits<ULONG>::max()));
        if (FAILED(stream_->Read(buffer, asked, &read)))
            throw unreadable(L"the stream failed");
        return read;
    }

private:
    com_ref<ISequentialStream> stream_;
};

std::wstring wide_text(const void* data, std::size_t bytes)
{
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    // An empty stream has no bytes to point at.
    if (!text.empty())
        std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    return text;
}

std::wstring narrow_text(const void* data, std::size_t bytes)
{
    std::wstring text;
    MultiByteToWideChar(CP_UTF8, std::string_view(static_cast<const char*>(data), bytes), text);
    return text;
}

// Large values: a long one stays in its stream (its length part tells how
// long it is), a shorter one is read whole.
db_value stream_value(const DBBINDING& b, const void* row, const void* value, const db_column& column)
{
    const std::uint64_t bytes = (b.dwPart & DBPART_LENGTH) ? get<DBLENGTH>(row, b.obLength) : 0;
    const db_stream stream{std::make_shared<bound_stream_source>(bound_stream(get<IUnknown*>(value, 0))), bytes};
    if (bytes >= db_stream_threshold)
        return stream;
    return read_whole(stream, column);
}

std::size_t bound_length(const DBBINDING& b, const void* row, const void* value)
{
    if (b.dwPart & DBPART_LENGTH)
        return static_cast<std::size_t>(std::min<DBLENGTH>(get<DBLENGTH>(row, b.obLength), b.cbMaxLen));
    if (b.wType == DBTYPE_WSTR)
        return wcsnlen(static_cast<const wchar_t*>(value), b.cbMaxLen / sizeof(wchar_t)) * sizeof(wchar_t);
    if (b.wType == DBTYPE_STR)
        return strnlen(static_cast<const char*>(value), b.cbMaxLen);
    return b.cbMaxLen;
}

}  // namespace

bool readable_type(const db_column&, DBTYPE bound)
{
    switch (bound) {
    case DBTYPE_I1:
    case DBTYPE_I2:
    case DBTYPE_I4:
    case DBTYPE_I8:
    case DBTYPE_UI1:
    case DBTYPE_UI2:
    case DBTYPE_UI4:
    case DBTYPE_UI8:
    case DBTYPE_BOOL:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_CY:
    case DBTYPE_NUMERIC:
    case DBTYPE_GUID:
    case DBTYPE_DBDATE:
    case DBTYPE_DBTIME2:
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_WSTR:
    case DBTYPE_STR:
    case DBTYPE_BYTES:
    case DBTYPE_IUNKNOWN: return true;
    default: return false;
    }
}

db_value read_bound_value(const DBBINDING& b, const void* row, const db_column& column)
{
    if (b.dwPart & DBPART_STATUS) {
        const auto status = get<DBSTATUS>(row, b.obStatus);
        if (status != DBSTATUS_S_OK)
            return std::monostate{};  // NULL, or the column's default
    }
    if (!(b.dwPart & DBPART_VALUE))
        return std::monostate{};
    const void* value = static_cast<const std::byte*>(row) + b.obValue;
    const int digits = column.scale;
    switch (b.wType) {
    case DBTYPE_I1: return integer_text<std::int8_t>(value);
    case DBTYPE_I2: return integer_text<std::int16_t>(value);
    case DBTYPE_I4: return integer_text<std::int32_t>(value);
    case DBTYPE_I8: return integer_text<std::int64_t>(value);
    case DBTYPE_UI1: return integer_text<std::uint8_t>(value);
    case DBTYPE_UI2: return integer_text<std::uint16_t>(value);
    case DBTYPE_UI4: return integer_text<std::uint32_t>(value);
    case DBTYPE_UI8: return integer_text<std::uint64_t>(value);
    case DBTYPE_BOOL: return std::wstring(get<VARIANT_BOOL>(value, 0) ? L"1" : L"0");
    case DBTYPE_R4: return float_text(get<float>(value, 0), 9);
    case DBTYPE_R8: return float_text(get<double>(value, 0), 17);
    case DBTYPE_CY: return currency_text(value);
    case DBTYPE_NUMERIC: return numeric_text(value);
    case DBTYPE_GUID: return guid_text(value);
    case DBTYPE_DBDATE: {
        const auto d = get<DBDATE>(value, 0);
        return date_text(d.year, d.month, d.day);
    }
    case DBTYPE_DBTIME2: {
        const auto t = get<DBTIME2>(value, 0);
        return time_text(t.hour, t.minute, t.second, t.fraction, digits);
    }
    case DBTYPE_DBTIMESTAMP: {
        const auto t = get<DBTIMESTAMP>(value, 0);
        return date_text(t.year, t.month, t.day) + L" " + time_text(t.hour, t.minute, t.second, t.fraction, digits);
    }
    case DBTYPE_WSTR: return wide_text(value, bound_length(b, row, value));
    case DBTYPE_STR: return narrow_text(value, bound_length(b, row, value));
    case DBTYPE_BYTES: {
        const auto* first = static_cast<const std::uint8_t*>(value);
        return db_bytes(first, first + bound_length(b, row, value));
    }
    case DBTYPE_IUNKNOWN: return stream_value(b, row, value, column);
    default: throw unreadable(L"the bound type is not supported");
    }
}

db_value read_whole(const db_stream& stream, const db_column& column)
{
    db_bytes bytes;
    bytes.reserve(stream.bytes);
    constexpr std::size_t slice = 64 << 10;
    for (;;) {
        const std::size_t held = bytes.size();
        bytes.resize(held + slice);
        const std::size_t read = stream.read(bytes.data() + held, slice);
        bytes.resize(held + read);
        if (read == 0)
            break;
    }
    if (is_binary_column(column))
        return bytes;
    if (column.type == DBTYPE_STR)
        return narrow_text(bytes.data(), bytes.size());
    return wide_text(bytes.data(), bytes.size());
}

}  // namespace oledb
