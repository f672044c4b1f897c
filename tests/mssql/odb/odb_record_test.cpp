#include "mssql/odb/odb_record.h"

#include "mssql/mss_engine.h"

#include <gtest/gtest.h>

namespace {

struct oledb_type_case {
    VARTYPE vartype;
    std::uint32_t subtype;
    const wchar_t* native_type;
    std::int32_t precision;
    bool identity;
    bool unicode;
    bool native_date_time;
    DBTYPE expected;
};

class oledb_types : public ::testing::TestWithParam<oledb_type_case> {};

TEST_P(oledb_types, follow_the_descriptor)
{
    const oledb_type_case& c = GetParam();
    mss_engine engine;
    engine.unicode = c.unicode;
    engine.connected = engine.native_client = c.native_date_time;
    engine.version_code = c.native_date_time ? 5 : 4;
    t_ftd column(10, L"c", c.vartype, false, c.identity, ole_variant(), c.subtype, c.native_type);
    column.precision = c.precision;
    EXPECT_EQ(odb_record::get_oledb_type(column), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    table, oledb_types,
    ::testing::Values(oledb_type_case{VT_I1, 0, L"", 0, false, true, false, DBTYPE_I2},
                      oledb_type_case{VT_UI2, 0, L"", 0, false, true, false, DBTYPE_I4},
                      oledb_type_case{VT_R4, 0, L"", 0, false, true, false, DBTYPE_R8},
                      oledb_type_case{VT_UI4, 0, L"", 0, false, true, false, DBTYPE_I8},
                      oledb_type_case{VT_UI8, 0, L"", 0, true, true, false, DBTYPE_I8},
                      oledb_type_case{VT_UI8, 0, L"", 0, false, true, false, DBTYPE_R8},
                      oledb_type_case{VT_DECIMAL, 0, L"", 38, false, true, false, DBTYPE_NUMERIC},
                      oledb_type_case{VT_DECIMAL, 0, L"", 0, false, true, false, DBTYPE_R8},
                      oledb_type_case{VT_DECIMAL, 0, L"", 39, false, true, false, DBTYPE_R8},
                      oledb_type_case{VT_BSTR, 1, L"", 0, false, true, false, DBTYPE_GUID},
                      oledb_type_case{VT_BSTR, 0, L"VARCHAR(20)", 0, false, true, false, DBTYPE_STR},
                      oledb_type_case{VT_BSTR, 0, L"nvarchar(20)", 0, false, true, false, DBTYPE_WSTR},
                      oledb_type_case{VT_BSTR, 0, L"", 0, false, true, false, DBTYPE_WSTR},
                      oledb_type_case{VT_BSTR, 0, L"", 0, false, false, false, DBTYPE_STR},
                      oledb_type_case{VT_DATE, 2, L"", 0, false, true, true, DBTYPE_DATE},
                      oledb_type_case{VT_DATE, 3, L"", 0, false, true, true, DBTYPE_DBTIME2},
                      oledb_type_case{VT_DATE, 2, L"", 0, false, true, false, DBTYPE_DBTIMESTAMP},
                      oledb_type_case{ole_vt_bytes, 0, L"", 0, false, true, false, DBTYPE_BYTES},
                      oledb_type_case{VT_VARIANT, 0, L"", 0, false, false, false, DBTYPE_STR}));

TEST(odb_record, pure_date_subtype_needs_the_engine)
{
    std::uint32_t subtype = 0;
    EXPECT_THROW(odb_record::get_vartype(DBTYPE_DBDATE, 10, 0, subtype), tk_mail_assertion);
    EXPECT_EQ(odb_record::get_vartype(DBTYPE_I8, 8, 0, subtype), VT_I8);
    EXPECT_EQ(odb_record::get_vartype(300, 8, 0, subtype), ole_vt_bytes);
    EXPECT_EQ(odb_record::get_vartype(DBTYPE_GUID, 16, 0, subtype), VT_BSTR);
    EXPECT_EQ(subtype, 1u);
}

}  // namespace
