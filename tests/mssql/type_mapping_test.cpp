#include "mssql/type_mapping.h"

#include "model/column_descriptor.h"
#include "mssql/collations.h"
#include "mssql/mss_engine.h"
#include "test_label.h"
#include "toolkit/tk_string_utils.h"

#include <cwctype>
#include <gtest/gtest.h>

namespace {

t_ftd column(VARTYPE vartype, std::int32_t size, std::uint32_t subtype = 0, std::int32_t precision = 0,
             std::int32_t scale = 0)
{
    t_ftd c(size, L"c", vartype, false, false, ole_variant(), subtype);
    c.precision = precision;
    c.scale = scale;
    return c;
}

struct native_case {
    t_ftd column;
    const wchar_t* created;  // mss_get_native_type
    // get_mss_native_type1 with the length: the created type as a mapping
    // rule writes it, which the column type editor shows.
    const wchar_t* shown;
};

void PrintTo(const native_case& c, std::ostream* os)
{
    *os << test_label(c.created);
}

class mss_native_type_test : public testing::TestWithParam<native_case> {
protected:
    mss_engine engine;
};

TEST_P(mss_native_type_test, maps_the_column)
{
    EXPECT_EQ(mss_get_native_type(GetParam().column), GetParam().created);
    EXPECT_EQ(get_mss_native_type1(GetParam().column, false), GetParam().shown);
}

const t_ftd identity_column = [] {
    t_ftd c = column(VT_UI4, 4);
    c.identity = true;
    return c;
}();

INSTANTIATE_TEST_SUITE_P(
    mss, mss_native_type_test,
    testing::Values(native_case{column(VT_I2, 2), L"INT", L"int"}, native_case{column(VT_UI1, 1), L"INT", L"int"},
                    native_case{column(VT_I4, 4), L"INT", L"int"},
                    // Unsigned values beyond the signed range of the same width.
                    native_case{column(VT_UI4, 4), L"BIGINT", L"bigint"},
                    native_case{identity_column, L"BIGINT IDENTITY", L"bigint"},
                    native_case{column(VT_I8, 8), L"BIGINT", L"bigint"},
                    native_case{column(VT_UI8, 8), L"NUMERIC(20,0)", L"numeric(20,0)"},
                    native_case{column(VT_R4, 4), L"REAL", L"real"}, native_case{column(VT_R8, 8, 1), L"REAL", L"real"},
                    native_case{column(VT_R8, 8), L"FLOAT", L"float"},
                    native_case{column(VT_DECIMAL, 0, 0, 38, 10), L"NUMERIC(38,10)", L"numeric(38,10)"},
                    native_case{column(VT_DECIMAL, 0, 0, 0, 2), L"NUMERIC(0,2)", L"numeric(0,2)"},
                    native_case{column(VT_DECIMAL, 0, 0, 0, 0), L"FLOAT", L"float"},
                    native_case{column(VT_DECIMAL, 0, 0, 39, 0), L"FLOAT", L"float"},
                    native_case{column(VT_CY, 8, 0, 19, 4), L"NUMERIC(19,4)", L"numeric(19,4)"},
                    native_case{column(VT_DATE, 0), L"DATETIME2", L"datetime2"},
                    native_case{column(VT_DATE, 0, 10), L"DATE", L"date"},
                    native_case{column(VT_DATE, 0, 3), L"TIME", L"time"},
                    native_case{column(VT_DATE, 0, 18), L"DATETIMEOFFSET", L"datetimeoffset"},
                    native_case{column(VT_BOOL, 1), L"BIT", L"bit"},
                    native_case{column(VT_BSTR, 3999), L"NVARCHAR(3999) ", L"nvarchar(3999)"},
                    native_case{column(VT_BSTR, 4000), L"NVARCHAR(MAX)", L"nvarchar(max)"},
                    native_case{column(VT_BSTR, 0), L"NVARCHAR(MAX)", L"nvarchar(max)"},
                    native_case{column(VT_BSTR, 36, 1), L" uniqueidentifier", L"uniqueidentifier"},
                    native_case{column(VT_BSTR, 0, 2), L" geometry", L"geometry"},
                    native_case{column(VT_BSTR, 0, 8), L" geography", L"geography"},
                    native_case{column(ole_vt_bytes, 7999), L"VARBINARY(7999) ", L"varbinary(7999)"},
                    native_case{column(ole_vt_bytes, 8000), L"VARBINARY(MAX)", L"varbinary(max)"},
                    native_case{column(VT_BLOB, -1), L"VARBINARY(MAX)", L"varbinary(max)"},
                    native_case{column(VT_EMPTY, 10), L"NVARCHAR(10) ", L"nvarchar(10)"}));

TEST(mss_native_type_special_test, custom_type_wins_and_unicode_off_gives_varchar)
{
    mss_engine engine;
    t_ftd custom = column(VT_I4, 4);
    custom.identity = true;
    custom.native_type = L"smallmoney";
    EXPECT_EQ(mss_get_native_type(custom), L"smallmoney");
    engine.unicode = false;
    EXPECT_EQ(mss_get_native_type(column(VT_BSTR, 20)), L"VARCHAR(20) ");
    EXPECT_EQ(get_mss_native_type1(column(VT_BSTR, 20), true), L"varchar");
}

// The editor shows what the run creates, whatever the server it is connected to.
TEST(mss_native_type_special_test, date_types_are_shown_as_created_in_every_engine_state)
{
    mss_engine engine;
    for (const bool connected : {false, true}) {
        engine.version_code = connected ? 5 : 0;
        engine.connected = connected;
        engine.native_client = connected;
        EXPECT_EQ(get_mss_native_type1(column(VT_DATE, 0, 2), true), L"date");
        EXPECT_EQ(get_mss_native_type1(column(VT_DATE, 0, 3), true), L"time");
        EXPECT_EQ(get_mss_native_type1(column(VT_DATE, 0, 17), true), L"datetimeoffset");
        EXPECT_EQ(get_mss_native_type1(column(VT_DATE, 0, 1), true), L"datetime2");
    }
}

// What a rule made of the shown type writes: the type the run creates, with
// no length for max and the precision and scale it carries; a type without a
// length keeps the column's size.
TEST(mss_written_type_test, a_rule_of_the_written_type_writes_the_created_type)
{
    mss_engine engine;
    const struct {
        t_ftd column;
        const wchar_t* type;
        std::uint64_t length;
        std::uint32_t prec;
        std::uint32_t scale;
    } cases[] = {
        {column(VT_UI8, 8), L"numeric", 8, 20, 0},          {column(VT_DECIMAL, 0, 0, 10, 2), L"numeric", 0, 10, 2},
        {column(VT_DATE, 0), L"datetime2", 0, 0, 0},        {identity_column, L"bigint", 4, 0, 0},
        {column(VT_BSTR, 40), L"nvarchar", 40, 0, 0},       {column(VT_BSTR, 65535), L"nvarchar", 0, 0, 0},
        {column(ole_vt_bytes, 16), L"varbinary", 16, 0, 0}, {column(VT_BSTR, 36, 1), L"uniqueidentifier", 36, 0, 0},
    };
    for (const auto& c : cases) {
        const mss_native_type written = mss_written_type(c.column);
        EXPECT_EQ(written.type, c.type);
        EXPECT_EQ(written.length, c.length) << test_label(c.type);
        EXPECT_EQ(written.prec, c.prec) << test_label(c.type);
        EXPECT_EQ(written.scale, c.scale) << test_label(c.type);
        std::wstring created = tk_trim(mss_get_native_type(c.column));
        for (wchar_t& ch : created)
            ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
        if (created.ends_with(L" identity"))
            created.resize(created.size() - 9);
        EXPECT_EQ(get_mss_native_type2(written), created);
    }
}

TEST(mss_native_type_special_test, text_types_need_the_engine)
{
    EXPECT_THROW(mss_get_native_type(column(VT_BSTR, 10)), tk_mail_assertion);
    EXPECT_EQ(mss_get_native_type(column(VT_I4, 4)), L"INT");
}

// The length a value is measured against: the n the created type carries,
// in characters for text and in bytes for binary types.
TEST(mss_text_length_test, is_the_length_of_the_created_text_or_binary_type)
{
    const struct {
        t_ftd column;
        const wchar_t* native_type;
        std::uint32_t length;
        std::uint32_t bytes = 0;
    } cases[] = {
        {column(VT_BSTR, 3999), L"", 3999},
        {column(VT_BSTR, 4000), L"", 0},
        {column(VT_BSTR, 0), L"", 0},
        {column(VT_BSTR, 36, 1), L"", 0},
        {column(VT_BSTR, 10, 2), L"", 0},
        {column(VT_I4, 4), L"", 0},
        {column(VT_BSTR, 50), L"nvarchar(100)", 100},
        {column(VT_BSTR, 50), L" VARCHAR(20)", 20},
        {column(VT_BSTR, 50), L"char(10)", 10},
        {column(VT_BSTR, 50), L"NChar(5)", 5},
        {column(VT_BSTR, 50), L"nvarchar(max)", 0},
        {column(VT_BSTR, 50), L"ntext", 0},
        {column(VT_BSTR, 50), L"char", 0},
        {column(VT_BSTR, 50), L"int", 0},
        {column(ole_vt_bytes, 16), L"", 0, 16},
        {column(ole_vt_bytes, 7999), L"", 0, 7999},
        {column(ole_vt_bytes, 8000), L"", 0, 0},
        {column(VT_BLOB, 0), L"", 0, 0},
        {column(ole_vt_bytes, 50), L"varbinary(20)", 0, 20},
        {column(ole_vt_bytes, 50), L" BINARY(4)", 0, 4},
        {column(ole_vt_bytes, 50), L"varbinary(max)", 0, 0},
        {column(ole_vt_bytes, 50), L"image", 0, 0},
        {column(VT_BSTR, 50), L"varbinary(8)", 0, 8},
    };
    for (const auto& c : cases) {
        t_ftd described = c.column;
        described.native_type = c.native_type;
        EXPECT_EQ(mss_text_length(described), c.length) << test_label(c.native_type) << " " << c.column.size;
        EXPECT_EQ(mss_binary_length(described), c.bytes) << test_label(c.native_type) << " " << c.column.size;
    }
}

TEST(mss_rule_type_test, appends_a_valid_length_precision_or_scale)
{
    struct rule_case {
        const wchar_t* type;
        std::uint64_t length;
        std::uint32_t prec;
        std::uint32_t scale;
        const wchar_t* expected;
    };
    const rule_case cases[] = {
        {L"nvarchar", 100, 0, 0, L"nvarchar(100)"},
        {L"nvarchar", 4000, 0, 0, L"nvarchar(4000)"},
        {L"nvarchar", 4001, 0, 0, L"nvarchar(max)"},
        {L"varchar", 8000, 0, 0, L"varchar(8000)"},
        {L"varchar", 0, 0, 0, L"varchar(max)"},
        {L"nchar", 0, 0, 0, L"nvarchar(max)"},
        {L"char", 9000, 0, 0, L"varchar(max)"},
        {L"char", 10, 0, 0, L"char(10)"},
        {L"NVARCHAR", 5, 0, 0, L"NVARCHAR(5)"},
        {L"nvarchar(max)", 0, 0, 0, L"nvarchar(max)"},
        {L"varchar(20)", 30, 0, 0, L"varchar(20)"},
        {L"varbinary", 8000, 0, 0, L"varbinary(8000)"},
        {L"binary", 0, 0, 0, L"varbinary(max)"},
        {L"datetime2", 0, 0, 3, L"datetime2(3)"},
        {L"datetime2", 0, 7, 3, L"datetime2(7)"},
        {L"datetime2", 0, 0, 0, L"datetime2"},
        {L"decimal", 0, 10, 2, L"decimal(10,2)"},
        {L"numeric", 0, 0, 0, L"numeric"},
        {L"int", 4, 0, 0, L"int"},
    };
    for (const auto& c : cases) {
        mss_native_type type;
        type.type = c.type;
        type.length = c.length;
        type.prec = c.prec;
        type.scale = c.scale;
        EXPECT_EQ(get_mss_native_type2(type), c.expected) << test_label(c.type) << " " << c.length;
    }
}

}  // namespace

namespace {

// Text columns whose MySQL collation tells 'a' from 'A' keep telling them
// apart; every other column takes the database's default collation.
TEST(mss_collation_test, follows_the_case_rule_of_the_source_collation)
{
    mss_engine engine;
    struct {
        VARTYPE vartype;
        const wchar_t* native_type;
        const wchar_t* source;
        const wchar_t* expected;
    } cases[] = {
        {VT_BSTR, L"", L"utf8mb4_bin", L"Latin1_General_100_BIN2"},
        {VT_BSTR, L"", L"latin1_bin", L"Latin1_General_100_BIN2"},
        {VT_BSTR, L"", L"utf8mb4_nopad_bin", L"Latin1_General_100_BIN2"},
        {VT_BSTR, L"", L"latin1_general_cs", L"Latin1_General_100_CS_AS"},
        {VT_BSTR, L"", L"utf8mb4_0900_as_cs", L"Latin1_General_100_CS_AS"},
        {VT_BSTR, L"", L"utf8mb4_cs_0900_as_cs", L"Latin1_General_100_CS_AS"},
        {VT_BSTR, L"", L"utf8mb4_general_ci", L""},
        {VT_BSTR, L"", L"utf8mb4_0900_ai_ci", L""},
        {VT_BSTR, L"", L"", L""},
        // The charset alone says nothing: a name without properties.
        {VT_BSTR, L"", L"binary", L""},
        {VT_BSTR, L"varchar(20)", L"utf8mb4_bin", L"Latin1_General_100_BIN2"},
        // A rule that made the column anything but text.
        {VT_BSTR, L"int", L"utf8mb4_bin", L""},
        {VT_I4, L"", L"utf8mb4_bin", L""},
    };
    for (const auto& c : cases) {
        t_ftd text = column(c.vartype, 20);
        text.native_type = c.native_type;
        text.collation = c.source;
        EXPECT_EQ(mss_collation(text), c.expected) << test_label(c.source) << " " << test_label(c.native_type);
    }
}

}  // namespace
