#include "mysql/sql_validators.h"

#include "model/index.h"
#include "model/record.h"
#include "model/schema.h"
#include "platform/utf8_locale.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <algorithm>
#include <array>
#include <wctype.h>

namespace {

constexpr std::uint32_t max_name_length = 64;

// Backtick, double quote, apostrophe, circumflex, asterisk, backslash,
// semicolon, plus; table names also refuse | : < > ? /.
constexpr std::array<wchar_t, 14> illegal_characters = {L'`', L'"', L'\'', L'^', L'*', L'\\', L';',
                                                        L'+', L'|', L':',  L'<', L'>', L'?',  L'/'};
constexpr std::size_t field_illegal_chars = 8;

constexpr std::array<const wchar_t*, 167> reserved_words = {L"add",
                                                            L"all",
                                                            L"alter",
                                                            L"and",
                                                            L"as",
                                                            L"asc",
                                                            L"between",
                                                            L"bigint",
                                                            L"binary",
                                                            L"blob",
                                                            L"both",
                                                            L"by",
                                                            L"cascade",
                                                            L"case",
                                                            L"char",
                                                            L"character",
                                                            L"change",
                                                            L"column",
                                                            L"columns",
                                                            L"constraint",
                                                            L"create",
                                                            L"cross",
                                                            L"current_date",
                                                            L"current_time",
                                                            L"current_timestamp",
                                                            L"database",
                                                            L"databases",
                                                            L"day_hour",
                                                            L"day_minute",
                                                            L"day_second",
                                                            L"dec",
                                                            L"decimal",
                                                            L"default",
                                                            L"delayed",
                                                            L"delete",
                                                            L"desc",
                                                            L"describe",
                                                            L"distinct",
                                                            L"distinctrow",
                                                            L"double",
                                                            L"drop",
                                                            L"else",
                                                            L"escaped",
                                                            L"enclosed",
                                                            L"explain",
                                                            L"exists",
                                                            L"fields",
                                                            L"float",
                                                            L"float4",
                                                            L"float8",
                                                            L"foreign",
                                                            L"from",
                                                            L"for",
                                                            L"grant",
                                                            L"group",
                                                            L"having",
                                                            L"high_priority",
                                                            L"hour_minute",
                                                            L"hour_second",
                                                            L"ignore",
                                                            L"in",
                                                            L"index",
                                                            L"infile",
                                                            L"inner",
                                                            L"insert",
                                                            L"insert_id",
                                                            L"int",
                                                            L"int1",
                                                            L"int2",
                                                            L"int3",
                                                            L"int4",
                                                            L"int8",
                                                            L"integer",
                                                            L"interval",
                                                            L"into",
                                                            L"if",
                                                            L"is",
                                                            L"join",
                                                            L"key",
                                                            L"keys",
                                                            L"kill",
                                                            L"last_insert_id",
                                                            L"leading",
                                                            L"left",
                                                            L"like",
                                                            L"lines",
                                                            L"limit",
                                                            L"load",
                                                            L"lock",
                                                            L"long",
                                                            L"longblob",
                                                            L"longtext",
                                                            L"low_priority",
                                                            L"match",
                                                            L"mediumblob",
                                                            L"mediumtext",
                                                            L"mediumint",
                                                            L"middleint",
                                                            L"minute_second",
                                                            L"natural",
                                                            L"numeric",
                                                            L"not",
                                                            L"null",
                                                            L"on",
                                                            L"optimize",
                                                            L"option",
                                                            L"optionally",
                                                            L"or",
                                                            L"order",
                                                            L"outer",
                                                            L"outfile",
                                                            L"partial",
                                                            L"precision",
                                                            L"primary",
                                                            L"procedure",
                                                            L"privileges",
                                                            L"read",
                                                            L"real",
                                                            L"regexp",
                                                            L"rename",
                                                            L"replace",
                                                            L"restrict",
                                                            L"returns",
                                                            L"revoke",
                                                            L"rlike",
                                                            L"select",
                                                            L"set",
                                                            L"show",
                                                            L"smallint",
                                                            L"soname",
                                                            L"sql_big_tables",
                                                            L"sql_big_selects",
                                                            L"sql_low_priority_updates",
                                                            L"sql_log_off",
                                                            L"sql_log_update",
                                                            L"sql_select_limit",
                                                            L"sql_small_result",
                                                            L"sql_big_result",
                                                            L"sql_warnings",
                                                            L"straight_join",
                                                            L"starting",
                                                            L"table",
                                                            L"tables",
                                                            L"terminated",
                                                            L"then",
                                                            L"tinyblob",
                                                            L"tinytext",
                                                            L"tinyint",
                                                            L"trailing",
                                                            L"to",
                                                            L"usage",
                                                            L"use",
                                                            L"using",
                                                            L"unique",
                                                            L"unlock",
                                                            L"unsigned",
                                                            L"update",
                                                            L"values",
                                                            L"varchar",
                                                            L"varying",
                                                            L"varbinary",
                                                            L"with",
                                                            L"write",
                                                            L"when",
                                                            L"where",
                                                            L"year_month",
                                                            L"zerofill"};

bool is_letter_or_digit(wchar_t c)
{
    const locale_t locale = platform::utf8_ctype_locale();
    return locale ? iswalnum_l(static_cast<wint_t>(c), locale) != 0 : iswalnum(static_cast<wint_t>(c)) != 0;
}

bool is_old_name_char(wchar_t c)
{
    return is_letter_or_digit(c) || c == L'_' || c == L'$';
}

bool only_ascii_digits(const std::wstring& name)
{
    return std::all_of(name.begin(), name.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

template <class Validator>
void seed_with_record(Validator& validator, const udb_record& record)
{
    tk_log(1, "Record size=%d", static_cast<int>(record.size()));
    for (std::size_t i = 0; i < record.size(); ++i) {
        tk_log(1, "Process record[%d]", static_cast<int>(i));
        if (record[i] != nullptr)
            validator.add_existing_name(record[i]->name);
    }
}

template <class Validator>
void seed_with_schema(Validator& validator, const udb_schema& schema)
{
    tk_log(1, "Schema size=%d", static_cast<int>(schema.size()));
    for (std::size_t i = 0; i < schema.size(); ++i) {
        tk_log(1, "Process schema[%d]", static_cast<int>(i));
        if (schema[i] != nullptr)
            validator.add_existing_name(schema[i]->name);
    }
}

template <class Validator>
void seed_with_indexes(Validator& validator, const udb_indexes& indexes)
{
    for (const udb_index& index : indexes)
        validator.add_existing_name(index.name);
}

template <class Validator>
void seed_with_names(Validator& validator, const std::vector<std::wstring>& tables,
                     const std::vector<std::wstring>& views)
{
    for (const std::wstring& name : tables)
        validator.add_existing_name(name);
    for (const std::wstring& name : views)
        validator.add_existing_name(name);
}

}  // namespace

sql_new_validator::sql_new_validator(bool all_chars) : sql_validator(max_name_length)
{
    tk_log(1, "sql_new_validator::ctor");
    std::size_t count = all_chars ? illegal_characters.size() : field_illegal_chars;
    illegal_chars.assign(illegal_characters.begin(), illegal_characters.begin() + count);
}

bool sql_new_validator::is_acceptable(const std::wstring& name)
{
    tk_log(2, L"sql_new_validator::is_acceptable(%ls)", name.c_str());
    if (name.empty() || name.size() > max_name_length) {
        tk_log(1, "Invalid length");
        return false;
    }
    if (name.front() == L' ' || name.back() == L' ') {
        tk_log(1, "ID cannot starts or ends with ' '");
        return false;
    }
    return udb_validator::is_acceptable(name);
}

std::wstring sql_new_validator::get_safe_name(const std::wstring& name)
{
    tk_log(2, L"sql_new_validator::get_safe_name(%ls)", name.c_str());
    return udb_validator::get_safe_name(tk_trim(name));
}

sql_new_fn_validator::sql_new_fn_validator(const udb_record& record) : sql_new_validator(false)
{
    tk_log(1, "sql_new_fn_validator::ctor( const udb_record& )");
    seed_with_record(*this, record);
    tk_log(1, "sql_new_fn_validator::ctor - end");
}

sql_new_fn_validator::sql_new_fn_validator(const udb_schema& schema) : sql_new_validator(false)
{
    tk_log(1, "sql_new_fn_validator::ctor( const udb_schema& )");
    seed_with_schema(*this, schema);
    tk_log(1, "sql_new_fn_validator::ctor - end");
}

sql_new_in_validator::sql_new_in_validator(const udb_indexes& indexes) : sql_new_validator(false)
{
    tk_log(1, "sql_new_in_validator::ctor");
    seed_with_indexes(*this, indexes);
}

sql_new_tn_validator::sql_new_tn_validator(const std::vector<std::wstring>& tables,
                                           const std::vector<std::wstring>& views)
    : sql_new_validator(true)
{
    tk_log(1, "sql_new_tn_validator::ctor");
    seed_with_names(*this, tables, views);
}

sql_old_validator::sql_old_validator() : sql_validator(max_name_length)
{
    tk_log(1, "sql_old_validator::ctor");
    restricted_words.assign(reserved_words.begin(), reserved_words.end());
}

bool sql_old_validator::is_acceptable(const std::wstring& name)
{
    tk_log(2, L"sql_old_validator::is_acceptable(%ls)", name.c_str());
    if (!udb_validator::is_acceptable(name))
        return false;
    auto bad = std::find_if_not(name.begin(), name.end(), is_old_name_char);
    if (bad != name.end()) {
        tk_log(2, L"Name contains invalid symbol: '%lc'", static_cast<wint_t>(*bad));
        return false;
    }
    if (only_ascii_digits(name)) {
        tk_log(2, "Name consists of digits only");
        return false;
    }
    return true;
}

std::wstring sql_old_validator::get_safe_name(const std::wstring& name)
{
    tk_log(2, L"sql_old_validator::get_safe_name(%ls)", name.c_str());
    std::wstring safe = name;
    std::replace_if(
        safe.begin(), safe.end(), [](wchar_t c) { return !is_old_name_char(c); }, L'_');
    if (!safe.empty() && only_ascii_digits(safe))
        safe.front() = L'_';
    return udb_validator::get_safe_name(safe);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_record& record)
{
    tk_log(1, "sql_old_fn_validator::ctor( const udb_schema& )");
    seed_with_record(*this, record);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_schema& schema)
{
    tk_log(1, "sql_old_fn_validator::ctor( const udb_schema& )");
    seed_with_schema(*this, schema);
}

sql_old_in_validator::sql_old_in_validator(const udb_indexes& indexes)
{
    tk_log(1, "sql_old_in_validator::ctor");
    seed_with_indexes(*this, indexes);
}

sql_old_tn_validator::sql_old_tn_validator(const std::vector<std::wstring>& tables,
                                           const std::vector<std::wstring>& views)
{
    tk_log(1, "sql_old_tn_validator::ctor");
    seed_with_names(*this, tables, views);
}
