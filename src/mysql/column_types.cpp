#include "mysql/column_types.h"

#include "mysql/client_handles.h"
#include "platform/code_page.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cstdint>
#include <limits>
#include <string>

namespace {

VARTYPE number_type(const MYSQL_FIELD& field, VARTYPE when_unsigned, VARTYPE when_signed)
{
    return (field.flags & UNSIGNED_FLAG) != 0 ? when_unsigned : when_signed;
}

std::uint32_t reserved_subtype(const MYSQL_FIELD& field)
{
    switch (field.type) {
    case MYSQL_TYPE_DATETIME: return 1;
    case MYSQL_TYPE_DATE: return 2;
    case MYSQL_TYPE_TIME: return 3;
    case MYSQL_TYPE_GEOMETRY: return 2;
    case MYSQL_TYPE_LONGLONG: return (field.flags & UNSIGNED_FLAG) != 0 ? 2 : 1;
    default: return 0;
    }
}

// BIT values arrive as big-endian bytes.
ole_variant bit_value(VARTYPE vartype, const char* data, unsigned long length)
{
    if (vartype == VT_BOOL)
        return ole_variant(length > 0 && data[0] != 0);
    std::uint64_t value = 0;
    for (unsigned long i = 0; i < length; ++i)
        value = value << 8 | static_cast<unsigned char>(data[i]);
    return ole_variant(value);
}

bool is_blob_type(enum_field_types type)
{
    return type >= MYSQL_TYPE_TINY_BLOB && type <= MYSQL_TYPE_BLOB;
}

// The digits a 96-bit decimal holds exactly, in all and after the point.
constexpr std::size_t decimal_digits = 28;

bool decimal_held_exactly(const std::string& text)
{
    std::size_t significant = 0;
    std::size_t fraction = 0;
    bool after_point = false;
    for (char c : text) {
        if (c == '.') {
            after_point = true;
        } else if (c >= '0' && c <= '9') {
            if (significant > 0 || c != '0')
                ++significant;
            if (after_point)
                ++fraction;
        }
    }
    return significant <= decimal_digits && fraction <= decimal_digits;
}

// Whether the typed value stands for the whole MySQL text: DECIMAL(38,s)
// may pass the 96-bit decimal; TIME counts up to 838 hours and below zero;
// a date may have a zero month or day.
bool held_exactly(const std::string& text, VARTYPE vartype, const ole_variant& value)
{
    if (vartype == VT_DECIMAL)
        return decimal_held_exactly(text);
    if (vartype == VT_DATE)
        return text.empty() || (value.get_type() == VT_DATE && text.front() != '-');
    return true;
}

}  // namespace

bool sql_is_string_type(enum_field_types type)
{
    return type >= MYSQL_TYPE_TINY_BLOB && type <= MYSQL_TYPE_STRING;
}

VARTYPE get_vartype(const MYSQL_FIELD& field, bool blob_to_text)
{
    tk_log(1, "get_vartype(%d,%d)", static_cast<int>(field.type), static_cast<int>(field.flags));
    switch (field.type) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: return VT_DECIMAL;
    case MYSQL_TYPE_TINY: return number_type(field, VT_UI1, VT_I1);
    case MYSQL_TYPE_SHORT: return number_type(field, VT_UI2, VT_I2);
    case MYSQL_TYPE_LONG: return number_type(field, VT_UI4, VT_I4);
    case MYSQL_TYPE_FLOAT: return VT_R4;
    case MYSQL_TYPE_DOUBLE: return VT_R8;
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_DATETIME: return VT_DATE;
    case MYSQL_TYPE_LONGLONG: return number_type(field, VT_UI8, VT_I8);
    case MYSQL_TYPE_INT24: return VT_I4;
    case MYSQL_TYPE_YEAR: return VT_UI2;
    case MYSQL_TYPE_BIT: return field.length == 1 ? VT_BOOL : VT_UI8;
    default: break;
    }
    if (!sql_is_string_type(field.type))
        return VT_BSTR;
    if (field.type != MYSQL_TYPE_VAR_STRING && field.type != MYSQL_TYPE_STRING)
        tk_log(1, "Processing BLOB, blob_to_text=%d", blob_to_text ? 1 : 0);
    // Only the binary character set makes bytes: a _bin collation also sets
    // BINARY_FLAG on text.
    return field.charsetnr == sql_binary_charset && !blob_to_text ? ole_vt_bytes : VARTYPE(VT_BSTR);
}

std::unique_ptr<t_ftd> sql_make_descriptor(const MYSQL_FIELD& field, bool blob_to_text)
{
    // Lengths beyond 2^31 (LONGTEXT, LONGBLOB) mean no limit.
    std::int32_t size = field.length > static_cast<unsigned long>(std::numeric_limits<std::int32_t>::max())
                            ? 0
                            : static_cast<std::int32_t>(field.length);
    VARTYPE vartype = get_vartype(field, blob_to_text);
    auto descriptor =
        std::make_unique<t_ftd>(size, tk_utf8_to_unicode(std::string(field.name, field.name_length)), vartype,
                                (field.flags & NOT_NULL_FLAG) != 0, (field.flags & AUTO_INCREMENT_FLAG) != 0,
                                ole_variant(), reserved_subtype(field));
    if (sql_is_string_type(field.type)) {
        if (vartype == VT_BSTR && field.type != MYSQL_TYPE_VAR_STRING && field.type != MYSQL_TYPE_STRING)
            tk_log(2, "Change type from BLOB to TEXT");
    } else if (field.type == MYSQL_TYPE_DECIMAL || field.type == MYSQL_TYPE_NEWDECIMAL) {
        tk_log(1, "Scale/precision: (%d,%d)", static_cast<int>(field.decimals), static_cast<int>(field.length));
        // The reported length counts the decimal point and, unless UNSIGNED, the sign.
        std::int32_t length = static_cast<std::int32_t>(field.length);
        descriptor->precision = length - (field.decimals != 0 ? 1 : 0) - ((field.flags & UNSIGNED_FLAG) != 0 ? 0 : 1);
        descriptor->scale = static_cast<std::int32_t>(field.decimals);
    }
    return descriptor;
}

void get_variant(ole_variant& value, VARTYPE vartype, enum_field_types type, const char* data, unsigned long length)
{
    tk_log(1, "get_variant(2), type=%d, lenght=%d", static_cast<int>(type), static_cast<int>(length));
    if (data == nullptr) {
        tk_log(1, "process NULL-values");
        value = ole_variant();
        return;
    }
    if (type == MYSQL_TYPE_BIT) {
        value = bit_value(vartype, data, length);
        return;
    }
    switch (vartype) {
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case ole_vt_bytes:
        tk_log(1, is_blob_type(type) ? "Extract BINARY value" : "Process TEXT as BINARY");
        value.attach_bytes(static_cast<std::uint32_t>(length), reinterpret_cast<const std::uint8_t*>(data));
        return;
    case VT_BSTR: {
        if (sql_is_string_type(type))
            tk_log(1, is_blob_type(type) ? "Process BINARY as TEXT" : "Extract TEXT value");
        // The whole text by its length: a zero character is part of the value.
        value.attach_string(std::string_view(data, length));
        tk_log(1, "get_variant(wchar_t)");
        tk_log(1, L"Type=%d, src=%ls", static_cast<int>(vartype), value.to_wstring().c_str());
        return;
    }
    default: {
        tk_log(1, "get_variant(char)");
        tk_log(1, "Type=%d, src=%s", static_cast<int>(vartype), data);
        // Reused from value to value: most of these texts are too long for
        // a string's own room and would cost an allocation each.
        thread_local std::string text;
        text.assign(data, length);
        value.set_from_string(text, vartype);
        // What the typed value cannot hold exactly travels as its MySQL text;
        // the destination writes it exactly or reports it.
        if (!held_exactly(text, vartype, value))
            value = ole_variant(tk_utf8_to_unicode(text));
        return;
    }
    }
}
