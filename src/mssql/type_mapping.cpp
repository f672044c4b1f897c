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

std::wstring numeric_type(const t_ftd& column)
{
    tk_log(1, "Processing VT_DECIMAL with precision=%d", column.precision);
    const auto precision = static_cast<std::uint32_t>(column.precision);
    if ((precision >= 1 && precision <= 38) || (precision == 0 && column.scale != 0))
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

// The n of a custom type [N][VAR]CHAR(n), in any letter case; else 0.
std::uint32_t rule_text_length(const std::wstring& native_type)
{
    tk_wstring type(tk_trim(native_type));
    type.to_lower();
    std::size_t at = type.rfind(L'n', 0) == 0 ? 1 : 0;
    if (type.compare(at, 3, L"var") == 0)
        at += 3;
    if (type.compare(at, 5, L"char(") != 0 || type.size() < at + 7 || type.back() != L')')
        return 0;
    const std::wstring digits = type.substr(at + 5, type.size() - at - 6);
    if (digits.empty() || digits.size() > 4 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return 0;
    return static_cast<std::uint32_t>(std::stoul(digits));
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

std::wstring display_text_type(bool unicode)
{
    return unicode ? L"nvarchar" : L"varchar";
}

std::wstring sized_display(const std::wstring& name, const t_ftd& column, std::uint32_t limit, bool type_only)
{
    if (!in_range(column.size, 1, limit))
        return name + L"(max)";
    return type_only ? name : name + L"(" + std::to_wstring(column.size) + L") ";
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

}  // namespace

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
        if (in_range(column.size, 1, 7999))
            return L"VARBINARY(" + std::to_wstring(column.size) + L") ";
        return L"VARBINARY(MAX)";
    }
    return text_type(column);
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

std::wstring get_mss_native_type1(const t_ftd& column, bool bTypeOnly)
{
    tk_log(2, "get_mss_native_type1(bTypeOnly=%d)", bTypeOnly ? 1 : 0);
    tk_log(2, "vartype=%08X, size=%d", static_cast<unsigned>(column.vartype), column.size);
    const mss_engine& engine = mss_engine::instance();
    if (engine.version_code >= 5 && column.vartype == VT_DATE && engine.connected && engine.native_client) {
        if (column.dw_reserved == subtype_date)
            return L"date";
        if (column.dw_reserved == subtype_time)
            return L"time";
        if (column.dw_reserved & subtype_offset_bit)
            return L"datetimeoffset";
    }
    switch (column.vartype) {
    case VT_I2:
    case VT_UI2: return L"smallint";
    case VT_I4:
    case VT_INT: return L"int";
    case VT_UI4:
    case VT_UINT:
    case VT_I8: return L"bigint";
    case VT_UI8: return L"numeric";
    case VT_I1:
    case VT_UI1: return L"tinyint";
    case VT_R4: return L"real";
    case VT_R8: return column.dw_reserved == subtype_single ? L"real" : L"float";
    case VT_CY: return L"smallmoney";
    case VT_DECIMAL:
        tk_log(2, "get_mss_native_type: VT_DECIMAL(%d)", column.precision);
        return static_cast<std::uint32_t>(column.precision) <= 38 ? L"numeric" : L"float";
    case VT_DATE: return L"datetime";
    case VT_BOOL: return L"bit";
    case VT_BSTR: return sized_display(display_text_type(engine.unicode), column, 4000, bTypeOnly);
    default: break;
    }
    if (udb_is_binary_type(column.vartype))
        return sized_display(L"varbinary", column, 8000, bTypeOnly);
    return display_text_type(engine.unicode) + L"(max)";
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
