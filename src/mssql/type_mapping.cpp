#include "mssql/type_mapping.h"

#include "model/column_descriptor.h"
#include "mssql/mss_engine.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <cstdint>

namespace {

// Subtypes of a column that refine its VARIANT type.
constexpr std::uint32_t subtype_single = 1;
constexpr std::uint32_t subtype_date = 2;
constexpr std::uint32_t subtype_time = 3;
constexpr std::uint32_t subtype_offset_bit = 16;
constexpr std::uint32_t subtype_guid = 1;
constexpr std::uint32_t subtype_geometry = 2;
constexpr std::uint32_t subtype_geography = 8;

bool in_range(std::int32_t value, std::uint32_t low, std::uint32_t high)
{
    const auto unsigned_value = static_cast<std::uint32_t>(value);
    return unsigned_value >= low && unsigned_value <= high;
}

std::wstring with_identity(const wchar_t* type, const t_ftd& column)
{
    return column.identity ? std::wstring(type) + L" IDENTITY" : std::wstring(type);
}

bool has_numeric_size(const t_ftd& column)
{
    const auto precision = static_cast<std::uint32_t>(column.precision);
    return (precision >= 1 && precision <= 38) || (precision == 0 && column.scale != 0);
}

std::wstring numeric_type(const t_ftd& column)
{
    tk_log(1, "Processing VT_DECIMAL with precision=%d", column.precision);
    if (has_numeric_size(column))
        return L"NUMERIC(" + std::to_wstring(column.precision) + L"," + std::to_wstring(column.scale) + L")";
    return L"FLOAT";
}

std::wstring date_type(const t_ftd& column)
{
    if (column.dw_reserved & subtype_offset_bit)
        return L"DATETIMEOFFSET";
    switch (column.dw_reserved & 3) {
    case subtype_date: return L"DATE";
    case subtype_time: return L"TIME";
    default: tk_log(2, "Got DATETIME2(%d,%d)", column.precision, column.scale); return L"DATETIME2";
    }
}

bool sized_text(const t_ftd& column)
{
    return in_range(column.size, 1, 3999);
}

bool sized_binary(const t_ftd& column)
{
    return in_range(column.size, 1, 7999);
}

// The n of "(n)" ending a lower-case type at `at`, up to four digits; else 0.
std::uint32_t length_at(const std::wstring& type, std::size_t at)
{
    if (type.size() < at + 3 || type[at] != L'(' || type.back() != L')')
        return 0;
    const std::wstring digits = type.substr(at + 1, type.size() - at - 2);
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return 0;
    return static_cast<std::uint32_t>(std::stoul(digits));
}

// The n of a custom type [N][VAR]CHAR(n), in any letter case; else 0.
std::uint32_t rule_text_length(const std::wstring& native_type)
{
    tk_wstring type(tk_trim(native_type));
    type.to_lower();
    std::size_t at = type.rfind(L'n', 0) == 0 ? 1 : 0;
    if (type.compare(at, 3, L"var") == 0)
        at += 3;
    return type.compare(at, 4, L"char") == 0 ? length_at(type, at + 4) : 0;
}

// The n of a custom type [VAR]BINARY(n), in any letter case; else 0.
std::uint32_t rule_binary_length(const std::wstring& native_type)
{
    tk_wstring type(tk_trim(native_type));
    type.to_lower();
    const std::size_t at = type.compare(0, 3, L"var") == 0 ? 3 : 0;
    return type.compare(at, 6, L"binary") == 0 ? length_at(type, at + 6) : 0;
}

std::wstring text_type(const t_ftd& column)
{
    tk_log(1, "mss_engine::get_native_type - process as VT_BSTR(dw_reserved=%d)", static_cast<int>(column.dw_reserved));
    const bool unicode = mss_engine::instance().unicode;
    switch (column.dw_reserved) {
    case subtype_guid: return L" uniqueidentifier";
    case subtype_geometry: return L" geometry";
    case subtype_geography: return L" geography";
    default: break;
    }
    const std::wstring name = unicode ? L"NVARCHAR" : L"VARCHAR";
    if (sized_text(column))
        return name + L"(" + std::to_wstring(column.size) + L") ";
    return name + L"(MAX)";
}

bool contains(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

// Length of a character or binary rule type: (max) where the length is 0 or
// beyond what the type holds; a fixed-length type then becomes its varying form.
std::wstring sized_rule_type(const std::wstring& type, const std::wstring& lower, std::uint64_t length,
                             std::uint64_t limit)
{
    if (length > 0 && length <= limit)
        return type + L"(" + std::to_wstring(length) + L")";
    if (lower == L"char" || lower == L"nchar" || lower == L"binary") {
        const std::size_t national = lower.front() == L'n' ? 1 : 0;
        return lower.substr(0, national) + L"var" + lower.substr(national) + L"(max)";
    }
    return type + L"(max)";
}

// Character and binary types take a length; without one they hold up to max.
bool is_sized_type(const std::wstring& lower)
{
    return contains(lower, L"char") || contains(lower, L"binary");
}

}  // namespace

bool mss_is_float_decimal(const t_ftd& column)
{
    return column.native_type.empty() && (column.vartype == VT_DECIMAL || column.vartype == VT_CY) &&
           !has_numeric_size(column);
}

std::wstring mss_get_native_type(const t_ftd& column)
{
    tk_log(2, L"mss_get_native_type(%ls)", column.name.c_str());
    tk_log(1, L"t_ftd.name=%ls, t_ftd.type=%d, t_ftd.size=%d, t_ftd.native_type=%ls", column.name.c_str(),
           static_cast<int>(column.vartype), column.size, column.native_type.c_str());
    if (!column.native_type.empty()) {
        tk_log(2, "Field has custom type mapping defined");
        return column.native_type;
    }
    switch (column.vartype) {
    case VT_I2:
    case VT_I4:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_INT: return with_identity(L"INT", column);
    // Unsigned 32-bit values reach 2^32 - 1, beyond INT.
    case VT_UI4:
    case VT_UINT:
    case VT_I8: return with_identity(L"BIGINT", column);
    // Unsigned 64-bit values reach 2^64 - 1, beyond BIGINT.
    case VT_UI8: return with_identity(L"NUMERIC(20,0)", column);
    case VT_R4: return L"REAL";
    case VT_R8: return column.dw_reserved == subtype_single ? L"REAL" : L"FLOAT";
    case VT_CY:
    case VT_DECIMAL: return numeric_type(column);
    case VT_DATE: return date_type(column);
    case VT_BOOL: return L"BIT";
    default: break;
    }
    if (udb_is_binary_type(column.vartype)) {
        if (sized_binary(column))
            return L"VARBINARY(" + std::to_wstring(column.size) + L") ";
        return L"VARBINARY(MAX)";
    }
    return text_type(column);
}

bool mss_creates_identity(const t_ftd& column)
{
    if (!column.identity)
        return false;
    tk_wstring type(mss_get_native_type(column));
    type.to_lower();
    return type.find(L"identity") != std::wstring::npos;
}

std::uint32_t mss_text_length(const t_ftd& column)
{
    if (!column.native_type.empty())
        return rule_text_length(column.native_type);
    if (column.vartype != VT_BSTR || column.dw_reserved == subtype_guid || column.dw_reserved == subtype_geometry ||
        column.dw_reserved == subtype_geography || !sized_text(column))
        return 0;
    return static_cast<std::uint32_t>(column.size);
}

std::uint32_t mss_binary_length(const t_ftd& column)
{
    if (!column.native_type.empty())
        return rule_binary_length(column.native_type);
    if (!udb_is_binary_type(column.vartype) || !sized_binary(column))
        return 0;
    return static_cast<std::uint32_t>(column.size);
}

mss_native_type mss_written_type(const t_ftd& column)
{
    tk_wstring text(tk_trim(mss_get_native_type(column)));
    text.to_lower();
    if (text.ends_with(L" identity"))
        text.erase(text.size() - 9);
    mss_native_type written;
    written.default_value = column.default_value.to_wstring();
    const std::size_t open = text.find(L'(');
    written.type = tk_trim(text.substr(0, open));
    const bool sized = is_sized_type(written.type);
    // A type without a length keeps the column's size, which the run measures
    // its indexes by.
    if (!sized)
        written.length = static_cast<std::uint64_t>(static_cast<std::int64_t>(column.size));
    if (open == std::wstring::npos)
        return written;
    const std::size_t close = text.find(L')', open);
    const std::vector<std::wstring> sizes = tk_split(text.substr(open + 1, close - open - 1), L',');
    auto number = [&](std::size_t at) -> std::uint32_t {
        const std::wstring digits = at < sizes.size() ? tk_trim(sizes[at]) : std::wstring();
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
            return 0;
        return static_cast<std::uint32_t>(std::stoul(digits));
    };
    if (sized)
        written.length = number(0);
    else if (sizes.size() == 1)
        written.prec = number(0);
    else {
        written.prec = number(0);
        written.scale = number(1);
    }
    return written;
}

std::wstring get_mss_native_type1(const t_ftd& column, bool bTypeOnly)
{
    tk_log(2, "get_mss_native_type1(bTypeOnly=%d)", bTypeOnly ? 1 : 0);
    const mss_native_type written = mss_written_type(column);
    if (!bTypeOnly)
        return get_mss_native_type2(written);
    return is_sized_type(written.type) && written.length == 0 ? written.type + L"(max)" : written.type;
}

std::wstring get_mss_native_type2(const mss_native_type& type)
{
    tk_log(1, "get_mss_native_type2");
    const std::wstring& text = type.type;
    // A text that already carries its length or precision is complete.
    if (contains(text, L"("))
        return text;
    tk_wstring lower(text);
    lower.to_lower();
    if (contains(lower, L"char")) {
        const bool unicode = contains(lower, L"nchar") || contains(lower, L"nvarchar");
        return sized_rule_type(text, lower, type.length, unicode ? 4000 : 8000);
    }
    if (contains(lower, L"binary"))
        return sized_rule_type(text, lower, type.length, 8000);
    if (contains(lower, L"datetime2")) {
        if (type.prec == 0 && type.scale == 0)
            return text;
        tk_log(1, "Setting scale for datetime");
        return text + L"(" + std::to_wstring(type.prec != 0 ? type.prec : type.scale) + L")";
    }
    if (contains(lower, L"numeric") || contains(lower, L"decimal")) {
        if (type.prec == 0 && type.scale == 0)
            return text;
        tk_log(1, "Setting prec/scale for DECIMAL");
        return text + L"(" + std::to_wstring(type.prec) + L"," + std::to_wstring(type.scale) + L")";
    }
    return text;
}
