// Failures of OLE DB calls: the provider's message as the text, the OLE DB
// error in the error number, the error source and SQL Server's native error.
#pragma once

#include "platform/oledb/oledb.h"
#include "toolkit/tk_exception.h"

#include <string>

// The text that stands when the provider gave none.
extern const char* const odb_generic_error_text;

class odb_exception : public tk_exception {
public:
    // From the thread's current OLE DB error information; the flag only
    // shows in a trace line.
    odb_exception(HRESULT hr, bool trace);
    explicit odb_exception(const std::wstring& text);
    odb_exception(const odb_exception&) = default;

    // The thread's current error text, all records joined; never throws.
    static std::wstring GetErrorString();

    const std::wstring& get_source() const { return source; }
    LONG get_native_error() const { return native_error; }
    // The SQLSTATE of the first error record that had one; "08..." is a
    // connection that broke.
    const std::string& get_sql_state() const { return sql_state; }

    class error_info_dispatcher {
    public:
        explicit error_info_dispatcher(IErrorInfo* info);
        std::wstring source;
        std::wstring message;
    };

private:
    void extract_from_records2(IErrorRecords* records, bool trace);
    static std::wstring extract_from_records1(IErrorRecords* records);
    void take(const error_info_dispatcher& info);

    std::wstring source;
    LONG native_error = 0;
    std::string sql_state;
};

// "Error code: %08X" at level 2, then the exception of that result.
[[noreturn]] void odb_throw(HRESULT hr);
// The same when the call failed.
inline void odb_check(HRESULT hr)
{
    if (FAILED(hr))
        odb_throw(hr);
}
