#include "mssql/odb_exception.h"

#include "toolkit/tk_log.h"
#include "toolkit/tk_support_address.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_com_ptr.h"

const char* const odb_generic_error_text =
    "Generic error occurred while migrating the data.\nContact to " TK_SUPPORT_MAIL_ADDRESS " for the solution.";

namespace {

constexpr const char* duplicate_key_text =
    "Violation of PRIMARY KEY constraint.\nCannot insert duplicate key in the table.";
constexpr DWORD primary_key_violation = 2627;

std::wstring taken_text(BSTR text)
{
    std::wstring result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

// The text in the ANSI code page, empty when it cannot be converted.
std::string ansi(const std::wstring& text)
{
    std::string result;
    tk_unicode_to_ansi3(text.c_str(), result);
    return result;
}

}  // namespace

void odb_throw(HRESULT hr)
{
    tk_log(2, "Error code: %08X", static_cast<unsigned>(hr));
    throw odb_exception(hr, true);
}

odb_exception::error_info_dispatcher::error_info_dispatcher(IErrorInfo* info)
{
    tk_log(1, "odb_exception::error_info_dispatcher::ctor");
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetSource(&text)) && text) {
        tk_log(1, "Processing source");
        source = taken_text(text);
        tk_log(2, L"Source:\t\t%ls\n", source.c_str());
    }
    text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text)) && text) {
        tk_log(1, "Processing description");
        message = taken_text(text);
        tk_log(2, L"Error message:\t%ls", message.c_str());
    }
}

odb_exception::odb_exception(const std::wstring& text) : tk_exception(text, 0) {}

odb_exception::odb_exception(HRESULT hr, bool trace) : tk_exception(0)
{
    const std::uint32_t number = 0x80000u | (static_cast<std::uint32_t>(hr) & 0xFFFFu);
    tk_log(1, "odb_exception::odb_exception(%08X)", static_cast<unsigned>(number));
    set_error_number(number);
    ole_com_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.get_address()) != S_OK || info.is_empty()) {
        tk_log(2, "dump_error: GetErrorInfo failed");
        return;
    }
    ole_com_ptr<IErrorRecords> records;
    if (FAILED(info->QueryInterface(IID_IErrorRecords, records.get_void_address())) || records.is_empty()) {
        take(error_info_dispatcher(info.get()));
        return;
    }
    tk_log(2, "Got IErrorRecords");
    extract_from_records2(records.get(), trace);
}

void odb_exception::take(const error_info_dispatcher& info)
{
    set_text(ansi(info.message));
    source = info.source;
}

void odb_exception::extract_from_records2(IErrorRecords* records, bool trace)
{
    tk_log(2, "odb_exception::extract_from_records2(%d)", trace ? 1 : 0);
    ULONG count = 0;
    records->GetRecordCount(&count);
    tk_log(1, "Got %d record(s)", static_cast<int>(count));
    std::string text;
    for (ULONG i = 0; i < count; ++i) {
        ERRORINFO basic{};
        records->GetBasicErrorInfo(i, &basic);
        ole_com_ptr<IUnknown> custom;
        records->GetCustomErrorObject(i, IID_ISQLErrorInfo, custom.get_address());
        tk_log(2, "HRESULT:\t0x%08X", static_cast<unsigned>(basic.hrError));
        if (!custom.is_empty()) {
            auto* sql = static_cast<ISQLErrorInfo*>(custom.get());
            BSTR state = nullptr;
            sql->GetSQLInfo(&state, &native_error);
            std::string narrow_state;
            if (!tk_unicode_to_ansi3(state ? state : L"", narrow_state)) {
                SysFreeString(state);
                throw tk_mail_assertion("odb_exce", 185);
            }
            tk_log(2, "SQLSTATE:\t%s", narrow_state.c_str());
            if (sql_state.empty())
                sql_state = narrow_state;
            tk_log(2, "Native Error:\t%ld", static_cast<long>(native_error));
            SysFreeString(state);
        }
        ole_com_ptr<IErrorInfo> info;
        if (SUCCEEDED(records->GetErrorInfo(i, GetUserDefaultLCID(), info.get_address())) && !info.is_empty()) {
            const error_info_dispatcher dispatched(info.get());
            text = ansi(dispatched.message);
            source = dispatched.source;
            tk_log(1, "Process %d record: msg=%s, source=%s", static_cast<int>(i), text.c_str(), ansi(source).c_str());
            if (!text.empty())
                break;
        }
    }
    set_text(text.empty() ? std::string(odb_generic_error_text) : text);
}

std::wstring odb_exception::GetErrorString()
{
    tk_log(2, "odb_exception::GetErrorString");
    ole_com_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.get_address()) == S_OK && !info.is_empty()) {
        ole_com_ptr<IErrorRecords> records;
        ULONG count = 0;
        if (SUCCEEDED(info->QueryInterface(IID_IErrorRecords, records.get_void_address())) && !records.is_empty() &&
            SUCCEEDED(records->GetRecordCount(&count)))
            return extract_from_records1(records.get());
    }
    return tk_ansi_to_unicode(odb_generic_error_text);
}

std::wstring odb_exception::extract_from_records1(IErrorRecords* records)
{
    tk_log(2, "odb_exception::extract_from_records1");
    const LCID language = GetSystemDefaultLCID();
    ULONG count = 0;
    records->GetRecordCount(&count);
    std::wstring text;
    bool duplicate_key = false;
    for (ULONG i = 0; i < count; ++i) {
        ERRORINFO basic{};
        records->GetBasicErrorInfo(i, &basic);
        tk_log(1, "GetBasicErrorInfo: HRESULT=%08X, Minor Code=%d", static_cast<unsigned>(basic.hrError),
               static_cast<int>(basic.dwMinor));
        duplicate_key = duplicate_key || basic.dwMinor == primary_key_violation;
        ole_com_ptr<IErrorInfo> info;
        if (FAILED(records->GetErrorInfo(i, language, info.get_address())) || info.is_empty()) {
            tk_log(1, "pIErrorRecords->GetErrorInfo FAILED");
            continue;
        }
        tk_log(1, "pIErrorRecords->GetErrorInfo SUCCEEDED");
        BSTR description = nullptr;
        if (info->GetDescription(&description) == S_OK) {
            tk_log(1, "pIErrorRecords->GetDescription SUCCEEDED");
            if (!text.empty())
                text += L"\n";
            text += taken_text(description);
        } else {
            tk_log(1, "pIErrorRecords->GetDescription FAILED");
        }
    }
    if (!text.empty())
        return text;
    return tk_ansi_to_unicode(duplicate_key ? duplicate_key_text : odb_generic_error_text);
}
