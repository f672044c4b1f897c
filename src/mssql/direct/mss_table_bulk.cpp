// One record written by bulk load: each destination column takes the
// record's field of that name, written in the form of the column's binding.
#include "model/custom_conversion.h"
#include "mssql/date_range.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/sequential_stream.h"
#include "mssql/direct/value_stream.h"
#include "mssql/literals.h"
#include "mssql/odb_exception.h"
#include "mssql/text_fit.h"
#include "mssql/value_changes.h"
#include "platform/code_page.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_date.h"
#include "variant/ole_exceptions.h"
#include "variant/ole_guid_extractor.h"

#include <cinttypes>
#include <cstring>
#include <limits>

namespace {

using bound_column = CDynamicAccessorEx::column;

// The value as `type`; the conversion's exception when it cannot be.
ole_variant as_type(const ole_variant& value, VARTYPE type)
{
    ole_variant converted(value);
    if (converted.get_type() != type)
        converted.change_type(type);
    return converted;
}

// The bytes of a binary value, or of any other value's text in the ANSI code page.
std::uint32_t bytes_of(const ole_variant& value, const BYTE*& bytes, std::string& text_bytes, ole_variant& holder)
{
    if (value.get_type() == ole_vt_bytes || value.get_type() == VT_BLOB || value.get_type() == VT_BSTR)
        return value.get_bytes1(bytes, text_bytes);
    holder = ole_variant(value.to_wstring());
    return holder.get_bytes1(bytes, text_bytes);
}

// The nanoseconds of a calendar value's milliseconds word, which older
// readers filled with up to five digits of the fraction.
std::uint32_t fraction_of(WORD milliseconds)
{
    if (milliseconds > 9999)
        return milliseconds * 10000u;
    if (milliseconds >= 1000)
        return milliseconds * 100000u;
    return milliseconds * 1000000u;
}

// The calendar form of a date value or of a date text, with its microseconds.
struct calendar {
    SYSTEMTIME time{};
    std::uint32_t microseconds = 0;

    explicit calendar(const ole_variant& value)
    {
        const ole_date parsed(value.to_wstring());
        microseconds = parsed.get_microseconds();
        if (value.get_type() == VT_DATE)
            value.get_systemtime(time);  // also a year that no text form reads back
        else
            time = parsed.get_time();
    }

    std::uint32_t fraction() const
    {
        return microseconds != 0 ? microseconds * 1000u : fraction_of(time.wMilliseconds);
    }
};

// A date MS SQL Server accepts, by the rule every path shares.
void safe_date(SYSTEMTIME& time, const udb_field& value, const t_ftd& column)
{
    switch (mss_fit_date(time, &column)) {
    case mss_date_fit::zero_date: tk_log(2, "Null date has been found"); break;
    case mss_date_fit::unheld: throw mss_unheld_value(column, value.to_wstring());
    case mss_date_fit::held:
    case mss_date_fit::past_last_year: break;
    }
}

// Currency from a decimal: the value times 10,000, rounded half to even.
CY currency_of(const DECIMAL& value)
{
    unsigned __int128 magnitude = (static_cast<unsigned __int128>(value.Hi32) << 64) | value.Lo64;
    const auto power = [](int exponent) {
        unsigned __int128 result = 1;
        while (exponent-- > 0)
            result *= 10;
        return result;
    };
    if (value.scale <= 4) {
        magnitude *= power(4 - value.scale);
    } else {
        const unsigned __int128 divisor = power(value.scale - 4);
        const unsigned __int128 rest = magnitude % divisor;
        magnitude /= divisor;
        if (2 * rest > divisor || (2 * rest == divisor && (magnitude & 1) != 0))
            ++magnitude;
    }
    const bool negative = (value.sign & DECIMAL_NEG) != 0;
    const auto limit = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit)
        throw ole_cast_exception();
    CY result;
    result.int64 =
        negative ? static_cast<std::int64_t>(-static_cast<__int128>(magnitude)) : static_cast<std::int64_t>(magnitude);
    return result;
}

DB_NUMERIC numeric_of(const DECIMAL& value)
{
    DB_NUMERIC numeric{};
    numeric.precision = 38;
    numeric.scale = static_cast<std::int8_t>(value.scale);
    numeric.sign = (value.sign & DECIMAL_NEG) != 0 ? 0 : 1;
    std::memcpy(numeric.val, &value.Lo64, sizeof(value.Lo64));
    std::memcpy(numeric.val + sizeof(value.Lo64), &value.Hi32, sizeof(value.Hi32));
    return numeric;
}

// A number kept as its exact text, up to 38 digits: the 128-bit magnitude
// holds what the 96-bit decimal cannot.
DB_NUMERIC numeric_of(const std::wstring& text, const t_ftd& column)
{
    if (!mss_is_decimal_text(text))
        throw mss_unheld_value(column, text);
    DB_NUMERIC numeric{};
    numeric.precision = 38;
    numeric.sign = text.starts_with(L'-') ? 0 : 1;
    unsigned __int128 magnitude = 0;
    std::size_t digits = 0;
    bool point = false;
    for (wchar_t c : text) {
        if (c == L'.') {
            point = true;
        } else if (c != L'-') {
            magnitude = magnitude * 10 + static_cast<unsigned>(c - L'0');
            digits += magnitude != 0 ? 1 : 0;
            numeric.scale = static_cast<std::int8_t>(numeric.scale + (point ? 1 : 0));
        }
        if (digits > 38)
            throw mss_unheld_value(column, text);
    }
    std::memcpy(numeric.val, &magnitude, sizeof(magnitude));
    return numeric;
}

// The ANSI form of a text, by its length: a zero character is part of the value.
std::string ansi_text(const std::wstring& text)
{
    std::string result;
    if (!WideCharToMultiByte(CP_ACP, text, result))
        throw tk_exception_ex("Cannot convert to ANSI string: ", 0);
    return result;
}

// A text that its column takes but the row buffer does not: never cut.
[[noreturn]] void throw_over_buffer(const t_ftd& column, std::size_t length, std::size_t room)
{
    throw tk_exception(L"The value of column '" + column.name + L"' takes " + std::to_wstring(length) +
                           L" places of the bulk-load buffer, which has " + std::to_wstring(room),
                       0);
}

template <typename T>
void bind_as(mss_fast_load& load, T number, DBORDINAL ordinal)
{
    load.bind_data2(&number, sizeof(number), ordinal);
}

void bind_integer(mss_fast_load& load, DBTYPE type, std::int64_t number, DBORDINAL ordinal)
{
    switch (type) {
    case DBTYPE_I1:
    case DBTYPE_I2: tk_log(1, "Got VT_I1/2: %d", static_cast<std::int16_t>(number)); break;
    case DBTYPE_UI1: tk_log(1, "Got VT_UI1: %d", static_cast<std::uint8_t>(number)); break;
    case DBTYPE_UI2:
    case DBTYPE_I4: tk_log(1, "Got VT_UI2/I4: %d", static_cast<std::int32_t>(number)); break;
    default: tk_log(1, "Got VT_I8: %" PRId64, number); break;
    }
    switch (type) {
    case DBTYPE_I1: bind_as(load, static_cast<std::int8_t>(number), ordinal); break;
    case DBTYPE_UI1: bind_as(load, static_cast<std::uint8_t>(number), ordinal); break;
    case DBTYPE_I2: bind_as(load, static_cast<std::int16_t>(number), ordinal); break;
    case DBTYPE_UI2: bind_as(load, static_cast<std::uint16_t>(number), ordinal); break;
    case DBTYPE_I4: bind_as(load, static_cast<std::int32_t>(number), ordinal); break;
    case DBTYPE_UI4: bind_as(load, static_cast<std::uint32_t>(number), ordinal); break;
    default: bind_as(load, number, ordinal); break;
    }
}

// A stream that reads the record's value in place, when the record holds it
// in a form the stream can give: its bytes, or its text in UTF-8 (given as
// wchar_t characters to a column bound as DBTYPE_WSTR). Null when it must be
// copied instead.
value_stream* in_place_stream(const udb_field& value, DBTYPE column_type)
{
    std::string_view held;
    value_stream::form form = value_stream::form::bytes;
    if (udb_is_binary_type(value.get_type())) {
        if (value.get_type() != ole_vt_bytes && value.get_type() != VT_BLOB)
            return nullptr;
        const BYTE* bytes = nullptr;
        std::string unused;
        const std::uint32_t count = value.get_bytes1(bytes, unused);
        held = std::string_view(reinterpret_cast<const char*>(bytes), bytes ? count : 0);
    } else {
        const std::string* utf8 = value.attached_utf8();
        if (!utf8 || udb_custom_conversion::is_acceptable2(value))
            return nullptr;
        held = *utf8;
        if (column_type == DBTYPE_WSTR)
            form = value_stream::form::wide_text;
    }
    return new value_stream(held, form);
}

// Numbers read from text are parsed first; other values convert directly.
ole_variant numeric(const ole_variant& value, VARTYPE parsed_type)
{
    return value.get_type() == VT_BSTR ? as_type(value, parsed_type) : value;
}

}  // namespace

void mss_table::fast_append(udb_record& record)
{
    tk_log(2, "mss_table::fast_append");
    if (!fast_load.is_opened())
        open_fast_load();
    tk_log(1, "Record has %d fields", static_cast<int>(record.size()));
    for (std::size_t i = 0; i < schema.size() && !record.empty(); ++i)
        bind_field(i, source_field(record, *schema[i]));
    bulk_appends.push_back(appends);
    const std::uint64_t inserted = fast_load.rows_inserted();
    try {
        fast_load.insert_data();
    } catch (const odb_exception&) {
        if (fast_load.rows_inserted() == inserted)
            bulk_appends.pop_back();
        collect_refusals(appends);
        throw;
    }
    collect_refusals();
    tk_log(2, "mss_table::fast_append - END");
}

void mss_table::open_fast_load()
{
    DBID id{};
    id.eKind = DBKIND_NAME;
    id.uName.pwszName = table.data();
    plans = mss_plan_table(schema, column_origin);
    if (FAILED(fast_load.open_table(session.get(), &id, schema))) {
        tk_log(2, "Failed to open table for fast_append, switch to slow_append");
        throw mss_fl_failed_exception();
    }
    std::wstring preamble = L"SET QUOTED_IDENTIFIER OFF; ";
    if (b_identity)
        preamble += L"SET IDENTITY_INSERT " + table + L" ON; ";
    run(preamble);
    quoted_identifier_off = true;
    identity_insert_on = identity_insert_on || b_identity;
}

void mss_table::bind_field(std::size_t column_index, const udb_field& field)
{
    const t_ftd& column = *schema[column_index];
    const mss_column_plan& plan = plans[column_index];
    const bound_column& target = *fast_load.accessor().find_schema_column(column_index);
    // A value its column cannot hold is refused before any of its row is sent.
    if (plan.has_room())
        mss_check_value_fits(field, plan, column.name);
    const udb_field* value = &field;
    udb_field substitute;
    if (field.get_type() == VT_EMPTY || field.get_type() == VT_NULL) {
        switch (plan.null.rule) {
        case mss_null_rule::null: fast_load.bind_data2(nullptr, 0, target.ordinal); return;
        // A statement writes the function; the bulk load leaves it to the column's default.
        case mss_null_rule::server_function: fast_load.bind_default(target.ordinal); return;
        case mss_null_rule::unheld: throw mss_unheld_value(column, plan.null.value.to_wstring());
        case mss_null_rule::value: break;
        }
        substitute = udb_field(field.name, 0, plan.null.value);
        value = &substitute;
    }
    switch (target.type) {
    case DBTYPE_STR:
    case DBTYPE_WSTR: bind_text(target, *value, column, plan.text_room); break;
    case DBTYPE_IUNKNOWN:
        // A substitute value ends with this call, before the row is inserted.
        bind_stream(target, *value, column, value == &field);
        break;
    case DBTYPE_BYTES: bind_bytes(target, *value, column); break;
    case DBTYPE_GUID: bind_guid(target, *value, column); break;
    case DBTYPE_DBDATE:
    case DBTYPE_DBTIME2:
    case DBTYPE_DBTIMESTAMP: bind_date(target, *value, column); break;
    default: bind_number(target, *value, column); break;
    }
}

std::wstring mss_table::text_of(const udb_field& value) const
{
    if (udb_custom_conversion::is_acceptable2(value)) {
        tk_log(1, "Custom conversion is acceptable");
        const std::wstring produced = udb_custom_conversion::handle2(value);
        return produced.size() < 2 ? std::wstring() : produced.substr(1, produced.size() - 2);
    }
    return value.to_wstring();
}

void mss_table::bind_text(const bound_column& target, const udb_field& value, const t_ftd& column, std::uint32_t room)
{
    tk_log(1, "Convert as a string");
    const std::wstring text = text_of(value);
    tk_log(1, L"str=%ls", text.c_str());
    tk_log(1, L"dbtype=%d, native_type='%ls'", target.type, column.native_type.c_str());
    // A text longer than its column is refused whole, as the server counts it.
    mss_check_text_fits(text, room, column.name);
    const std::size_t unit = target.type == DBTYPE_WSTR ? sizeof(wchar_t) : 1;
    const std::size_t places = target.capacity / unit - 1;  // the terminator's place stays free
    if (target.type == DBTYPE_STR) {
        const std::string bytes = ansi_text(text);
        tk_log(1, "Binding ANSI string: expected size=%d, actual size=%d", column.size, static_cast<int>(bytes.size()));
        if (bytes.size() > places)
            throw_over_buffer(column, bytes.size(), places);
        fast_load.bind_data2(bytes.data(), static_cast<std::uint32_t>(bytes.size()), target.ordinal);
        return;
    }
    tk_log(1, "Binding UNICODE string: expected size=%d, actual size=%d", column.size,
           static_cast<int>(text.size() * sizeof(wchar_t)));
    if (text.size() > places)
        throw_over_buffer(column, text.size(), places);
    fast_load.bind_data2(text.data(), static_cast<std::uint32_t>(text.size() * sizeof(wchar_t)), target.ordinal);
}

ISequentialStream* mss_table::stream_of(const udb_field& value, DBTYPE column_type, const t_ftd& column, bool in_place,
                                        std::uint64_t& length) const
{
    if (value_stream* stream = in_place ? in_place_stream(value, column_type) : nullptr) {
        length = stream->length();
        tk_log(1, "Binding %llu bytes in place", static_cast<unsigned long long>(length));
        return stream;
    }
    tk_log(1, "Binding via CSeqStream");
    CSeqStream* stream = new CSeqStream;
    HRESULT written = S_OK;
    if (udb_is_binary_type(value.get_type())) {
        const BYTE* bytes = nullptr;
        std::string text_bytes;
        ole_variant holder;
        const std::uint32_t count = bytes_of(value, bytes, text_bytes, holder);
        tk_log(1, "Processing BLOB: size=%d", static_cast<int>(count));
        if (count > 0)
            written = stream->Write(bytes, count, nullptr);
    } else if (column_type == DBTYPE_WSTR) {
        const std::wstring text = text_of(value);
        if (!text.empty())
            written = stream->Write(text.data(), static_cast<ULONG>(text.size() * sizeof(wchar_t)), nullptr);
    } else {
        tk_log(1, "MAPPING WSTRING->STRING");
        const std::string text = ansi_text(text_of(value));
        if (!text.empty())
            written = stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr);
    }
    if (FAILED(written)) {
        stream->Release();
        throw tk_exception(L"Value of column '" + column.name + L"' is too large to be stored", 0);
    }
    tk_log(1, "%d bytes processed", static_cast<int>(stream->GetLength()));
    length = stream->GetLength();
    return stream;
}

void mss_table::bind_stream(const bound_column& target, const udb_field& value, const t_ftd& column, bool in_place)
{
    std::uint64_t length = 0;
    IUnknown* object = stream_of(value, target.column_type, column, in_place, length);
    if (length > std::numeric_limits<ULONG>::max()) {
        object->Release();
        throw tk_exception(L"Value of column '" + column.name + L"' is too large to be stored", 0);
    }
    // The row buffer takes over the reference; the next row or the close releases it.
    if (!fast_load.bind_data3(&object, sizeof(object), static_cast<std::uint32_t>(length), target.ordinal))
        object->Release();
}

void mss_table::bind_bytes(const bound_column& target, const udb_field& value, const t_ftd& column)
{
    const BYTE* bytes = nullptr;
    std::string text_bytes;
    ole_variant holder;
    const std::uint32_t count = bytes_of(value, bytes, text_bytes, holder);
    tk_log(1, "Processing BLOB: size=%d", static_cast<int>(count));
    tk_log(1, "Direct binding");
    // The plan refused a value longer than its column; nothing is ever cut.
    if (count > target.capacity)
        throw_over_buffer(column, count, target.capacity);
    // An empty value is bound as zero bytes, not as NULL.
    static const BYTE none = 0;
    fast_load.bind_data2(bytes ? bytes : &none, count, target.ordinal);
}

void mss_table::bind_guid(const bound_column& target, const udb_field& value, const t_ftd& column)
{
    tk_log(2, "Binding GUID via binary array");
    const std::wstring text = text_of(value);
    const ole_guid_extractor guid(tk_unicode_to_ansi(text));
    if (!guid.is_valid())
        throw tk_exception(L"The value '" + text + L"' of column '" + column.name + L"' is not a GUID", 0);
    std::uint8_t bytes[16];
    guid.get_bytes(bytes);
    fast_load.bind_data2(bytes, sizeof(bytes), target.ordinal);
}

void mss_table::bind_date(const bound_column& target, const udb_field& value, const t_ftd& column)
{
    if (value.get_type() == VT_BSTR && mss_is_unheld_date_text(value.to_wstring()))
        throw mss_unheld_value(column, value.to_wstring());
    const calendar date(value);
    SYSTEMTIME time = date.time;
    tk_log(1, L"Processing date: %ls", value.to_wstring().c_str());
    if (target.type == DBTYPE_DBDATE) {
        tk_log(1, "Processing pure date in MS SQL 2008+ way");
        safe_date(time, value, column);
        const DBDATE bound{static_cast<std::int16_t>(time.wYear), time.wMonth, time.wDay};
        fast_load.bind_data2(&bound, sizeof(bound), target.ordinal);
    } else if (target.type == DBTYPE_DBTIME2) {
        tk_log(1, "Processing pure time in MS SQL 2008+ way");
        const DBTIME2 bound{time.wHour, time.wMinute, time.wSecond, date.fraction()};
        fast_load.bind_data2(&bound, sizeof(bound), target.ordinal);
    } else {
        tk_log(1, "Basic processing date/time value, microseconds=%d", static_cast<int>(date.microseconds));
        safe_date(time, value, column);
        const DBTIMESTAMP bound{static_cast<std::int16_t>(time.wYear),
                                time.wMonth,
                                time.wDay,
                                time.wHour,
                                time.wMinute,
                                time.wSecond,
                                date.fraction()};
        fast_load.bind_data2(&bound, sizeof(bound), target.ordinal);
    }
}

void mss_table::bind_number(const bound_column& target, const udb_field& value, const t_ftd& column)
{
    const DBORDINAL ordinal = target.ordinal;
    switch (target.type) {
    case DBTYPE_I1:
    case DBTYPE_UI1:
    case DBTYPE_I2:
    case DBTYPE_UI2:
    case DBTYPE_I4:
    case DBTYPE_UI4:
    case DBTYPE_I8: bind_integer(fast_load, target.type, numeric(value, VT_I8).to_i8(), ordinal); break;
    case DBTYPE_UI8: {
        std::uint64_t number = 0;
        numeric(value, VT_UI8).to_i8(number);
        tk_log(1, "Got VT_UI8: %" PRIu64, number);
        bind_as(fast_load, number, ordinal);
        break;
    }
    case DBTYPE_R4: {
        const float number = numeric(value, VT_R4).to_float();
        tk_log(1, "Got VT_R4: %f", static_cast<double>(number));
        bind_as(fast_load, number, ordinal);
        break;
    }
    case DBTYPE_R8: {
        // The same double a script or a statement writes into the column.
        const double number =
            mss_is_float_value(value, column) ? mss_float_value(value, column) : numeric(value, VT_R8).to_double();
        tk_log(1, "Got VT_R8: %lg", number);
        bind_as(fast_load, number, ordinal);
        break;
    }
    case DBTYPE_BOOL: {
        const bool flag = numeric(value, VT_BOOL).to_bool();
        tk_log(1, "Got VT_BOOL: %d", flag ? 1 : 0);
        bind_as(fast_load, flag ? VARIANT_TRUE : VARIANT_FALSE, ordinal);
        break;
    }
    case DBTYPE_CY:
    case DBTYPE_NUMERIC: {
        if (target.type == DBTYPE_NUMERIC && value.get_type() == VT_BSTR) {
            fast_load.bind_data4(numeric_of(value.to_wstring(), column), ordinal);
            break;
        }
        DECIMAL decimal{};
        numeric(value, VT_DECIMAL).to_decimal(&decimal);
        if (target.type == DBTYPE_CY) {
            bind_as(fast_load, currency_of(decimal), ordinal);
        } else {
            tk_log(1, "Schema prec/scale: %d/%d", column.precision, column.scale);
            fast_load.bind_data4(numeric_of(decimal), ordinal);
        }
        break;
    }
    default: throw tk_mail_assertion("mss_tab", 1290);
    }
}
