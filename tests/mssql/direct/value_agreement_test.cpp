// Edge values of every kind written by the three encoders of a row: the
// script's literal, the value bound for bulk load and the literal of an
// INSERT statement. Each case names the literal and the bound value, which
// say the same; a value no column can hold is refused by all three with the
// same report.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "mssql/direct/mss_table.h"
#include "mssql/literals.h"
#include "mssql/write_plan.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_date.h"

#include <cwchar>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

using oledb::db_bytes;
using oledb::db_column;
using oledb::db_value;

constexpr const wchar_t* null_bound = L"<null>";

struct column_kind {
    VARTYPE vartype;
    std::int32_t size;
    std::uint32_t subtype;
    std::function<db_column()> server;
    std::int32_t precision = 0;
    std::int32_t scale = 0;
};

const column_kind int_kind{VT_I4, 4, 0, [] { return fake::int_column(L"c", true); }};
const column_kind real_kind{VT_R8, 8, 0, [] { return fake::typed_column(L"c", DBTYPE_R8, 8); }};
const column_kind decimal_kind{
    VT_DECIMAL, 0, 0, [] { return fake::typed_column(L"c", DBTYPE_NUMERIC, 19, true, 38, 0); }, 38, 0};
const column_kind fraction_kind{
    VT_DECIMAL, 0, 0, [] { return fake::typed_column(L"c", DBTYPE_NUMERIC, 19, true, 38, 10); }, 38, 10};
const column_kind text_kind{VT_BSTR, 5, 0, [] { return fake::wide_text_column(L"c", 5); }};
const column_kind guid_kind{VT_BSTR, 36, 1, [] { return fake::typed_column(L"c", DBTYPE_GUID, 16); }};
const column_kind bytes_kind{ole_vt_bytes, 4, 0, [] { return fake::typed_column(L"c", DBTYPE_BYTES, 4); }};
const column_kind day_kind{VT_DATE, 0, 2, [] { return fake::typed_column(L"c", DBTYPE_DBDATE, 6); }};
const column_kind time_kind{VT_DATE, 0, 3, [] { return fake::typed_column(L"c", DBTYPE_DBTIME2, 12, true, 16, 7); }};
const column_kind date_kind{VT_DATE, 0, 1,
                            [] { return fake::typed_column(L"c", DBTYPE_DBTIMESTAMP, 16, true, 27, 7); }};

struct value_case {
    const char* label;
    const column_kind& kind;
    ole_variant value;
    const wchar_t* literal;  // the literal of both the script and the statement; null when refused
    const wchar_t* bound;    // the value the bulk load binds, as the provider shows it; or the report
    bool not_null = false;
    ole_variant default_value = ole_variant();
    udb_default_form default_form = udb_default_form::given;
    std::size_t changed = 0;  // values each path notes as written otherwise than read
};

ole_variant date(const char* text)
{
    return ole_variant(ole_date(std::string(text)));
}

ole_variant calendar(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = 10;
    time.wMinute = 20;
    time.wSecond = 30;
    return ole_variant(time);
}

ole_variant text(const wchar_t* value)
{
    return ole_variant(std::wstring(value));
}

ole_variant bytes(std::vector<BYTE> value)
{
    return ole_variant(std::move(value));
}

std::wstring bound_text(const db_value& value)
{
    if (oledb::is_null(value))
        return null_bound;
    if (const auto* text = std::get_if<std::wstring>(&value))
        return *text;
    if (const auto* data = std::get_if<db_bytes>(&value)) {
        std::wstring hex = L"0x";
        for (std::uint8_t byte : *data) {
            const wchar_t digits[] = L"0123456789ABCDEF";
            hex += digits[byte >> 4];
            hex += digits[byte & 15];
        }
        return hex;
    }
    return L"<stream>";
}

const value_case cases[] = {
    // Dates: the zero date is the base date, the years end at 9999 with the
    // rest of the value kept, a date partly zero is held by no column.
    {"zero date", date_kind, date("0000-00-00 00:00:00"), L"'1899-12-30 00:00:00'", L"1899-12-30 00:00:00.0000000"},
    {"zero date with a time", date_kind, date("0000-00-00 12:34:56"), L"'1899-12-30 12:34:56'",
     L"1899-12-30 12:34:56.0000000"},
    {"year 1", date_kind, date("0001-01-01 00:00:00"), L"'0001-01-01'", L"0001-01-01 00:00:00.0000000"},
    {"1752", date_kind, date("1752-09-13 08:00:00"), L"'1752-09-13 08:00:00'", L"1752-09-13 08:00:00.0000000"},
    {"9999-12-31", date_kind, date("9999-12-31 23:59:59.999999"), L"'9999-12-31 23:59:59.999999'",
     L"9999-12-31 23:59:59.9999990"},
    {"10000-01-01", date_kind, calendar(10000, 1, 1), L"'9999-01-01 10:20:30'", L"9999-01-01 10:20:30.0000000", false,
     ole_variant(), udb_default_form::given, 1},
    {"29 February past 9999", date_kind, calendar(10400, 2, 29), L"'9999-02-28 10:20:30'",
     L"9999-02-28 10:20:30.0000000", false, ole_variant(), udb_default_form::given, 1},
    {"zero date in a date column", day_kind, date("0000-00-00"), L"'1899-12-30'", L"1899-12-30"},
    {"10000-01-01 in a date column", day_kind, calendar(10000, 1, 1), L"'9999-01-01 10:20:30'", L"9999-01-01", false,
     ole_variant(), udb_default_form::given, 1},
    {"zero date in a time column", time_kind, date("0000-00-00 12:34:56"), L"'12:34:56'", L"12:34:56.0000000"},
    {"zero month", date_kind, calendar(2020, 0, 15), nullptr, nullptr},
    {"date text", date_kind, text(L"2024-02-29 10:20:30"), L"N'2024-02-29 10:20:30'", L"2024-02-29 10:20:30.0000000"},
    // NULL in a column of each kind, NOT NULL with and without a default.
    {"null", int_kind, ole_variant(), L"NULL", null_bound},
    {"null number", int_kind, ole_variant(), L"0", L"0", true},
    {"null number with default", int_kind, ole_variant(), L"7", L"7", true, text(L"7")},
    {"null number with a default it cannot hold", int_kind, ole_variant(), nullptr, nullptr, true, text(L"b'1'")},
    {"null decimal", decimal_kind, ole_variant(), L"0", L"0", true},
    {"null float", real_kind, ole_variant(), L"0.0000000000000000e+00", L"0", true},
    {"null text", text_kind, ole_variant(), L"''", L"", true},
    {"null text with default", text_kind, ole_variant(), L"N'abc'", L"abc", true, text(L"abc")},
    {"null text with an expression default", text_kind, ole_variant(), L"''", L"", true, text(L"uuid()"),
     udb_default_form::expression},
    {"null bytes", bytes_kind, ole_variant(), L"0x", L"0x", true},
    {"null guid", guid_kind, ole_variant(), L"'00000000-0000-0000-0000-000000000000'",
     L"00000000-0000-0000-0000-000000000000", true},
    {"null date", date_kind, ole_variant(), L"'1899-12-30 00:00:00'", L"1899-12-30 00:00:00.0000000", true},
    {"null date with default", date_kind, ole_variant(), L"'2020-01-02 03:04:05'", L"2020-01-02 03:04:05.0000000", true,
     text(L"2020-01-02 03:04:05")},
    // The one deliberate difference: the bulk load leaves a date-time
    // function to the column's default on the server.
    {"null date with a function default", date_kind, ole_variant(), L"getdate()", null_bound, true, text(L"getdate()")},
    // Text and bytes at and over their column's room: refused whole.
    {"text at its room", text_kind, text(L"abcde"), L"N'abcde'", L"abcde"},
    {"text over its room", text_kind, text(L"abcdef"), nullptr,
     L"The value of column 'c' needs 6 characters, the column holds 5: 'abcdef'"},
    {"characters beyond the BMP at the room", text_kind, text(L"\U0001F600\U0001F600a"), L"N'\U0001F600\U0001F600a'",
     L"\U0001F600\U0001F600a"},
    {"characters beyond the BMP over the room", text_kind, text(L"\U0001F600\U0001F600\U0001F600"), nullptr,
     L"The value of column 'c' needs 6 characters, the column holds 5: '\U0001F600\U0001F600\U0001F600'"},
    {"bytes at their room", bytes_kind, bytes({1, 2, 3, 4}), L"0x01020304", L"0x01020304"},
    {"bytes over their room", bytes_kind, bytes({1, 2, 3, 4, 5}), nullptr,
     L"The value of column 'c' needs 5 bytes, the column holds 4: 0x0102030405"},
    // Numbers at their limits.
    {"largest DECIMAL(38)", decimal_kind, text(L"99999999999999999999999999999999999999"),
     L"99999999999999999999999999999999999999", L"99999999999999999999999999999999999999"},
    {"smallest DECIMAL(38)", decimal_kind, text(L"-99999999999999999999999999999999999999"),
     L"-99999999999999999999999999999999999999", L"-99999999999999999999999999999999999999"},
    {"DECIMAL(38,10)", fraction_kind, text(L"-1234567890123456789012345678.0123456789"),
     L"-1234567890123456789012345678.0123456789", L"-1234567890123456789012345678.0123456789"},
    {"no decimal", decimal_kind, text(L"12,5"), nullptr, nullptr},
    {"largest double", real_kind, ole_variant(std::numeric_limits<double>::max()), L"1.7900000000000000e+308",
     L"1.79e+308", false, ole_variant(), udb_default_form::given, 1},
    {"smallest double", real_kind, ole_variant(std::numeric_limits<double>::denorm_min()), L"2.2300000000000001e-308",
     L"2.2300000000000001e-308", false, ole_variant(), udb_default_form::given, 1},
    {"negative double", real_kind, ole_variant(-1.5), L"-1.5000000000000000e+00", L"-1.5"},
    {"int limit", int_kind, ole_variant(std::numeric_limits<std::int32_t>::min()), L"-2147483648", L"-2147483648"},
    // GUIDs in any of their forms.
    {"guid", guid_kind, text(L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"), L"'6F9619FF-8B86-D011-B42D-00C04FC964FF'",
     L"6F9619FF-8B86-D011-B42D-00C04FC964FF"},
};

class value_agreement : public direct_path_fixture, public testing::WithParamInterface<value_case> {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
        database = open_database();
    }

    t_ftd column() const
    {
        const value_case& c = GetParam();
        t_ftd column(c.kind.size, L"c", c.kind.vartype, c.not_null, false, c.default_value, c.kind.subtype);
        column.default_form = c.default_form;
        column.precision = c.kind.precision;
        column.scale = c.kind.scale;
        return column;
    }

    std::unique_ptr<mss_table> create(const wchar_t* name)
    {
        server->define_table(name, {{GetParam().kind.server()}, {}});
        udb_schema schema(true);
        schema.push_back(new t_ftd(column()));
        return std::unique_ptr<mss_table>(static_cast<mss_table*>(database->create_table(name, schema, udb_indexes())));
    }

    void append(mss_table& table)
    {
        std::unique_ptr<udb_record> record(record_of({{L"c", GetParam().value}}));
        table.append_record(*record);
    }

    // The script's encoder as its row writer calls it.
    std::wstring script_literal()
    {
        const t_ftd written = column();
        const udb_field field(L"c", 0, GetParam().value);
        mss_check_value_fits(field, mss_plan_column(written, mss_column_origin::created_by_run), written.name);
        std::string literal;
        mss_append_fld_literal(literal, &field, &written, engine.unicode);
        return tk_utf8_to_unicode(literal);
    }

    std::wstring bulk_value()
    {
        auto table = create(L"[dbo].[b]");
        append(*table);
        table.reset();
        const std::vector<fake::bulk_load_record> loads = server->bulk_loads();
        if (loads.empty() || loads.back().rows.size() != 1)
            return L"<no row>";
        return bound_text(loads.back().rows[0][0]);
    }

    std::wstring statement_literal()
    {
        auto table = create(L"[dbo].[s]");
        server->fail_bulk_open(L"[dbo].[s]", fake::sql_error(4888, L"Bulk load is not available."));
        mark();
        append(*table);
        const std::wstring prefix = L"INSERT INTO [dbo].[s]([c]) VALUES( ";
        const std::wstring with_parameter = prefix + L"?) {";
        const std::vector<std::wstring> statements = sent();
        if (statements.size() == 1 && statements[0].starts_with(with_parameter) && statements[0].ends_with(L"}"))
            return parameter_mark +
                   statements[0].substr(with_parameter.size(), statements[0].size() - with_parameter.size() - 1);
        if (statements.size() != 1 || !statements[0].starts_with(prefix) || !statements[0].ends_with(L")"))
            return L"<no statement>";
        return statements[0].substr(prefix.size(), statements[0].size() - prefix.size() - 1);
    }

    // Marks a statement's value that went as a parameter (texts and bytes),
    // which carries the value as the bulk load binds it.
    static constexpr const wchar_t* parameter_mark = L"parameter: ";

    // Runs an encoder; its report when it refuses the value, and the values
    // it noted as changed.
    std::wstring run(const std::function<std::wstring()>& encoder, std::string& refusal, std::size_t& changed)
    {
        refusal.clear();
        std::wstring result;
        try {
            result = encoder();
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.get_code(), 0u);
            refusal = e.what();
        }
        changed = errors.take_noted_values().size();
        return result;
    }

    std::unique_ptr<mss_database> database;
};

TEST_P(value_agreement, three_encoders_write_the_same_value)
{
    const value_case& c = GetParam();
    std::string script_refusal;
    std::string bulk_refusal;
    std::string statement_refusal;
    std::size_t script_changed = 0;
    std::size_t bulk_changed = 0;
    std::size_t statement_changed = 0;
    const std::wstring literal = run([&] { return script_literal(); }, script_refusal, script_changed);
    const std::wstring bound = run([&] { return bulk_value(); }, bulk_refusal, bulk_changed);
    const std::wstring statement = run([&] { return statement_literal(); }, statement_refusal, statement_changed);
    if (c.literal) {
        EXPECT_EQ(script_refusal, "");
        EXPECT_EQ(literal, c.literal);
        EXPECT_EQ(bulk_refusal, "");
        EXPECT_EQ(bound, c.bound);
        EXPECT_EQ(statement_refusal, "");
        if (statement.starts_with(parameter_mark)) {
            EXPECT_EQ(statement.substr(std::wcslen(parameter_mark)), c.bound);
        } else {
            EXPECT_EQ(statement, c.literal);
        }
    } else {
        EXPECT_NE(script_refusal, "");
        if (c.bound) {
            EXPECT_EQ(tk_utf8_to_unicode(script_refusal), c.bound);
        }
        EXPECT_EQ(bulk_refusal, script_refusal);
        EXPECT_EQ(statement_refusal, script_refusal);
    }
    EXPECT_EQ(script_changed, c.changed);
    EXPECT_EQ(bulk_changed, c.changed);
    EXPECT_EQ(statement_changed, c.changed);
}

void PrintTo(const value_case& c, std::ostream* os)
{
    *os << c.label;
}

INSTANTIATE_TEST_SUITE_P(mss, value_agreement, testing::ValuesIn(cases));

}  // namespace
