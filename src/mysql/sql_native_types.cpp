#include "mysql/sql_native_types.h"

#include "model/column_descriptor.h"
#include "mysql/client_handles.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "platform/compare_string.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "variant/leading_number.h"
#include "variant/ole_date.h"

#include <array>
#include <cstdio>
#include <cwchar>
#include <string_view>

namespace {

constexpr std::array<const wchar_t*, 28> type_names = {
    L"BINARY", L"BIT",          L"TINYINT",    L"TINYINT UNSIGNED", L"SMALLINT", L"SMALLINT UNSIGNED",
    L"INT",    L"INT UNSIGNED", L"BIGINT",     L"BIGINT UNSIGNED",  L"FLOAT",    L"DECIMAL",
    L"DOUBLE", L"CHAR",         L"VARBINARY",  L"VARCHAR",          L"DATETIME", L"DATE",
    L"TIME",   L"TIMESTAMP",    L"LONGBLOB",   L"TINYBLOB",         L"BLOB",     L"MEDIUMBLOB",
    L"TEXT",   L"LONGTEXT",     L"MEDIUMTEXT", L"TINYTEXT"};

enum type_index {
    t_bit = 1,
    t_tinyint,
    t_tinyint_u,
    t_smallint,
    t_smallint_u,
    t_int,
    t_int_u,
    t_bigint,
    t_bigint_u,
    t_float,
    t_decimal,
    t_double,
    t_char,
    t_varbinary,
    t_varchar,
    t_datetime,
    t_date,
    t_time,
    t_timestamp,
    t_longblob,
    t_tinyblob,
    t_blob,
    t_mediumblob,
    t_text,
    t_longtext,
    t_mediumtext
};

// Fractional seconds in DATETIME and TIME columns.
constexpr std::uint32_t fractional_seconds_version = sql_version_code(5, 6, 4);
constexpr std::int32_t longest_varchar = 0x5555;
constexpr std::int32_t longest_mediumtext = 0x555555;

// Defaults that stand for the current date and time, in the forms of the
// servers that tables come from.
constexpr std::array<const wchar_t*, 8> current_time_defaults = {
    L"NOW()",        L"sysdate",           L"sysdate()",           L"getdate()",
    L"getutcdate()", L"CURRENT_TIMESTAMP", L"CURRENT_TIMESTAMP()", L"localtimestamp"};

std::wstring sized(type_index index, bool bare, const wchar_t* format, std::int32_t a, std::int32_t b = 0)
{
    std::wstring name = get_mysql_type_name(index);
    if (bare)
        return name;
    wchar_t text[48];
    std::swprintf(text, sizeof text / sizeof text[0], format, static_cast<int>(a), static_cast<int>(b));
    return name + text;
}

// Microseconds from the servers that keep fractions of a second; a
// current-moment default names the same precision as its column.
std::wstring fraction()
{
    return sql_current_engine().version() >= fractional_seconds_version ? L"(6)" : L"";
}

std::wstring with_fraction(type_index index, bool bare)
{
    std::wstring name = get_mysql_type_name(index);
    return bare ? name : name + fraction();
}

std::wstring current_timestamp()
{
    return L"CURRENT_TIMESTAMP" + fraction();
}

std::wstring date_type(const t_ftd& column, bool bare)
{
    std::wstring text = column.default_value.to_wstring();
    tk_log(1, L"Got date def.value: '%ls'", text.c_str());
    if (column.dw_reserved == 9 || sql_is_current_time_default(text)) {
        tk_log(1, "Customize date type due to NOW() def.value");
        return with_fraction(t_timestamp, bare);
    }
    if (column.dw_reserved == 10 || platform::equal_ignoring_case(text, L"date()")) {
        tk_log(1, "Customize date type due to date() def.value");
        return get_mysql_type_name(t_date);
    }
    switch (column.dw_reserved & 3) {
    case 0: return with_fraction(t_timestamp, bare);
    case 1: tk_log(1, "MySQL ver >= 5.6.4, modern datetime can be used"); return with_fraction(t_datetime, bare);
    case 2: tk_log(1, "Got pure date"); return get_mysql_type_name(t_date);
    default: tk_log(1, "MySQL ver >= 5.6.4, modern time can be used"); return with_fraction(t_time, bare);
    }
}

std::wstring case_sensitive_suffix(const char* which)
{
    if (!sql_current_engine().case_sensitive) {
        tk_log(1, "case insensitive %s", which);
        return {};
    }
    tk_log(1, "settings BINARY for %s", which);
    return L" BINARY";
}

std::wstring text_type(const t_ftd& column, bool bare, std::int32_t varchar_limit)
{
    tk_log(1, "process as text");
    if (column.dw_reserved == 2 || column.dw_reserved == 8) {
        tk_log(1, "process VT_BSTR as geometry");
        return L"geometry";
    }
    if (column.dw_reserved == 16) {
        tk_log(1, "process VT_BSTR as fixed width CHAR");
        return sized(t_char, bare, L"(%d)", column.size);
    }
    if (column.size <= 0 || column.size > longest_mediumtext)
        return get_mysql_type_name(t_longtext);
    if (!sql_is_varchar(column.size, varchar_limit))
        return get_mysql_type_name(t_mediumtext) + case_sensitive_suffix("MEDIUMTEXT");
    return sized(t_varchar, bare, L"(%d)", column.size) + case_sensitive_suffix("VARCHAR");
}

std::wstring binary_type(const t_ftd& column, bool bare)
{
    tk_log(1, "process as blob");
    if (sql_is_varbinary(column.size))
        return sized(t_varbinary, bare, L"(%d)", column.size);
    if (column.size <= 0 || column.size > 0xFFFFFF)
        return get_mysql_type_name(t_longblob);
    if (column.size >= 65536)
        return get_mysql_type_name(t_mediumblob);
    return get_mysql_type_name(t_blob);
}

}  // namespace

int sql_bytes_per_character(const std::wstring& charset)
{
    static const std::array<std::pair<const wchar_t*, int>, 12> widths = {{{L"utf8mb3", 3},
                                                                           {L"utf8", 3},
                                                                           {L"ujis", 3},
                                                                           {L"eucjpms", 3},
                                                                           {L"ucs2", 2},
                                                                           {L"big5", 2},
                                                                           {L"gbk", 2},
                                                                           {L"sjis", 2},
                                                                           {L"cp932", 2},
                                                                           {L"euckr", 2},
                                                                           {L"gb2312", 2},
                                                                           {L"binary", 1}}};
    for (const auto& [name, width] : widths)
        if (platform::equal_ignoring_case(charset, name))
            return width;
    // Single-byte sets end in digits or are named after their alphabet;
    // anything else (utf8mb4, utf16, utf32, gb18030) may take four bytes.
    static const std::array<const wchar_t*, 14> single = {L"latin1", L"latin2", L"latin5", L"latin7", L"ascii",
                                                          L"cp1250", L"cp1251", L"cp1256", L"cp1257", L"cp850",
                                                          L"cp852",  L"cp866",  L"koi8r",  L"koi8u"};
    for (const wchar_t* name : single)
        if (platform::equal_ignoring_case(charset, name))
            return 1;
    return 4;
}

namespace {

bool prints_back(const std::wstring& text, const std::string& printed)
{
    return std::wstring(printed.begin(), printed.end()) == text;
}

void log_dropped(const t_ftd& column, const std::wstring& text)
{
    tk_log(3, L"Default value '%ls' of column '%ls' cannot be written for MySQL, the column gets none", text.c_str(),
           column.name.c_str());
}

std::wstring date_default(const t_ftd& column, const std::wstring& text)
{
    tk_log(1, "Got DATE def value");
    if (sql_is_current_time_default(text)) {
        tk_log(1, "Special processing for getdate()");
        return current_timestamp();
    }
    ole_date date(text);
    std::uint32_t kind = column.dw_reserved & 3;
    if (date.is_valid() && (kind == ole_date::kind_date || kind == ole_date::kind_time))
        date.set_kind(kind);
    std::wstring printed = date.to_wstring(6);
    tk_log(2, L"After canonization: %ls", printed.c_str());
    if (printed.empty()) {
        log_dropped(column, text);
        return {};
    }
    return L"'" + printed + L"'";
}

}  // namespace

std::wstring get_mysql_type_name(int index)
{
    if (index < 0 || index >= static_cast<int>(type_names.size())) {
        tk_log(1, "Type %d wasn't found", index);
        return L"<Unknown type>";
    }
    return type_names[static_cast<std::size_t>(index)];
}

std::int32_t sql_varchar_limit(const std::wstring& charset)
{
    return std::min<std::int32_t>(longest_varchar, (65535 - 2) / sql_bytes_per_character(charset));
}

bool sql_is_varchar(std::int32_t size, std::int32_t varchar_limit)
{
    return size > 0 && size <= varchar_limit;
}

bool sql_is_varbinary(std::int32_t size)
{
    return size >= 1 && size <= 255;
}

bool sql_is_current_time_default(const std::wstring& text)
{
    for (const wchar_t* name : current_time_defaults)
        if (platform::equal_ignoring_case(text, name))
            return true;
    return false;
}

std::wstring get_sql_native_type2(const t_ftd& column, bool bare, std::int32_t varchar_limit)
{
    tk_log(1, L"get_sql_native_type2: %ls(%d,%d,%d)", column.name.c_str(), static_cast<int>(column.vartype),
           static_cast<int>(column.size), static_cast<int>(column.dw_reserved));
    switch (column.vartype) {
    case VT_I1: return get_mysql_type_name(t_tinyint);
    case VT_UI1: return get_mysql_type_name(t_tinyint_u);
    case VT_I2: return get_mysql_type_name(t_smallint);
    case VT_UI2: return get_mysql_type_name(t_smallint_u);
    case VT_I4:
    case VT_INT: return get_mysql_type_name(t_int);
    case VT_UI4:
    case VT_UINT: return get_mysql_type_name(t_int_u);
    case VT_I8: return get_mysql_type_name(t_bigint);
    case VT_UI8: return get_mysql_type_name(t_bigint_u);
    case VT_R4: return get_mysql_type_name(t_float);
    case VT_R8: return get_mysql_type_name(t_double);
    case VT_CY: return sized(t_decimal, bare, L"(%d,%d)", 19, 4);
    case VT_BOOL: return sized(t_bit, bare, L"(%d)", 1);
    case VT_DECIMAL:
        tk_log(1, "Scale/precision for decimal column: (%d, %d)", static_cast<int>(column.scale),
               static_cast<int>(column.precision));
        if (column.precision == 0)
            return get_mysql_type_name(t_double);
        return sized(t_decimal, bare, L"(%d,%d)", column.precision, column.scale);
    case VT_DATE: return date_type(column, bare);
    case VT_BSTR: return text_type(column, bare, varchar_limit);
    case VT_BLOB:
    case ole_vt_bytes: return binary_type(column, bare);
    default: throw tk_mail_assertion("sql_util", 604);
    }
}

std::wstring make_mysql_def_val(const t_ftd* column)
{
    if (column == nullptr)
        throw tk_mail_assertion("sql_util", 53);
    const VARTYPE type = column->vartype;
    const std::wstring text = column->default_value.to_wstring();
    tk_log(1, L"make_mysql_def_val(%d,%ls)", static_cast<int>(type), text.c_str());
    if (text == L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')") {
        tk_log(3, "Cannot set def.value as current timetsamp for varchar column");
        return {};
    }
    if (type == VT_DATE) {
        switch (column->dw_reserved) {
        case 9: tk_log(1, "Got NOW() def.value"); return current_timestamp();
        case 10: return L"CURRENT_DATE()";
        case 11: return L"CURRENT_TIME()";
        default: break;
        }
    }
    if (type == VT_BSTR && !text.empty()) {
        tk_log(1, L"Got BSTR def value: %ls", text.c_str());
        return to_mysql_wstr(text, VT_BSTR);
    }
    if (text.empty()) {
        tk_log(1, "Got empty def value");
        return {};
    }
    if (platform::equal_ignoring_case(text, L"newid()")) {
        tk_log(1, "newid() is not supported");
        return {};
    }
    const std::string narrow(text.begin(), text.end());
    switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        if (prints_back(text, std::to_string(leading_int64(narrow)))) {
            tk_log(1, "Int/long default value is correct");
            return text;
        }
        break;
    case VT_I8:
        if (prints_back(text, std::to_string(leading_int64(narrow)))) {
            tk_log(1, "__int64 default value is correct");
            return text;
        }
        break;
    case VT_UI8:
        if (prints_back(text, std::to_string(leading_uint64(narrow)))) {
            tk_log(1, "unsigned __int64 default value is correct");
            return text;
        }
        break;
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        if (sql_is_number(text))
            return text;
        break;
    case VT_DATE: return date_default(*column, text);
    default: break;
    }
    log_dropped(*column, text);
    return {};
}
