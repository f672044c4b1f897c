#include "mssql/odb_exception.h"

#include "platform/oledb/com_object.h"
#include "platform/oledb/error_records.h"

#include <gtest/gtest.h>

namespace {

using oledb::db_error;
using oledb::db_error_record;

// Leaves a failure as the thread's error object, as a provider call does.
HRESULT fail_with(std::vector<db_error_record> records, HRESULT hr = 0)
{
    return oledb::report(db_error(L"Provider X", std::move(records), hr));
}

TEST(odb_exception, takes_the_first_record_with_a_description)
{
    const HRESULT hr = fail_with({{L"28000", 18456, L"Login failed for user 'sa'."}});
    ASSERT_EQ(hr, DB_SEC_E_AUTH_FAILED);
    const odb_exception e(hr, true);
    EXPECT_EQ(e.get_error_number(), 0x80E4Du);
    EXPECT_EQ(e.get_code(), 0u);
    EXPECT_STREQ(e.what(), "Login failed for user 'sa'.");
    EXPECT_EQ(e.get_native_error(), 18456);
    EXPECT_EQ(e.get_source(), L"Provider X");
}

TEST(odb_exception, skips_records_without_a_description)
{
    const HRESULT hr = fail_with({{L"01000", 5701, L""},
                                  {L"42S02", 208, L"Invalid object name 't'."},
                                  {L"42000", 8180, L"Statement(s) could not be prepared."}});
    const odb_exception e(hr, true);
    EXPECT_EQ(e.get_error_number(), 0x80E37u);
    EXPECT_STREQ(e.what(), "Invalid object name 't'.");
    EXPECT_EQ(e.get_native_error(), 208);
}

TEST(odb_exception, records_without_any_description_give_the_generic_text)
{
    const odb_exception e(fail_with({{L"HY000", 0, L""}}), true);
    EXPECT_STREQ(e.what(), odb_generic_error_text);
}

TEST(odb_exception, without_an_error_object_the_text_stays_unknown)
{
    SetErrorInfo(0, nullptr);
    const odb_exception e(E_FAIL, false);
    EXPECT_EQ(e.get_error_number(), 0x84005u);
    EXPECT_STREQ(e.what(), "Unknown exception");
    EXPECT_EQ(e.get_native_error(), 0);
}

// A plain COM error object, without OLE DB error records.
class plain_error final : public oledb::com_object<plain_error, IErrorInfo> {
public:
    IUnknown* interface_for(REFIID riid) { return riid == IID_IUnknown || riid == IID_IErrorInfo ? this : nullptr; }
    HRESULT GetSource(BSTR* source) override
    {
        *source = SysAllocString(L"Some component");
        return S_OK;
    }
    HRESULT GetDescription(BSTR* description) override
    {
        *description = SysAllocString(L"It broke.");
        return S_OK;
    }
};

TEST(odb_exception, plain_error_object_gives_its_description_and_source)
{
    auto* info = new plain_error;
    SetErrorInfo(0, info);
    info->Release();
    const odb_exception e(E_FAIL, true);
    EXPECT_STREQ(e.what(), "It broke.");
    EXPECT_EQ(e.get_source(), L"Some component");
}

TEST(odb_exception, text_form_carries_no_numbers)
{
    const odb_exception e(L"The specified table already exists");
    EXPECT_STREQ(e.what(), "The specified table already exists");
    EXPECT_EQ(e.get_error_number(), 0u);
    EXPECT_EQ(e.get_source(), L"");
    const odb_exception copy(e);
    EXPECT_STREQ(copy.what(), e.what());
}

TEST(odb_exception, error_string_joins_every_description)
{
    fail_with({{L"01000", 0, L""},
               {L"23000", 2627, L"Violation of PRIMARY KEY constraint 'pk_t'."},
               {L"01000", 3621, L"The statement has been terminated."}});
    EXPECT_EQ(odb_exception::GetErrorString(),
              L"Violation of PRIMARY KEY constraint 'pk_t'.\nThe statement has been terminated.");
}

TEST(odb_exception, error_string_of_a_silent_duplicate_key_and_of_nothing)
{
    fail_with({{L"23000", 2627, L""}});
    EXPECT_EQ(odb_exception::GetErrorString(),
              L"Violation of PRIMARY KEY constraint.\nCannot insert duplicate key in the table.");
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(
        odb_exception::GetErrorString(),
        L"Generic error occurred while migrating the data.\nContact to support@quarnel.example for the solution.");
}

}  // namespace
