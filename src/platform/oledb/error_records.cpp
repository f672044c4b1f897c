#include "platform/oledb/error_records.h"

#include "platform/code_page.h"
#include "platform/oledb/com_object.h"

#include <vector>

namespace oledb {

namespace {

constexpr std::int32_t duplicate_key = 2627;
constexpr std::int32_t duplicate_unique_index = 2601;
constexpr std::int32_t constraint_conflict = 547;
constexpr std::int32_t invalid_object_name = 208;
constexpr std::int32_t login_failed = 18456;

HRESULT hresult_for_native(std::int32_t native)
{
    switch (native) {
    case duplicate_key:
    case duplicate_unique_index:
    case constraint_conflict: return DB_E_INTEGRITYVIOLATION;
    case invalid_object_name: return DB_E_NOTABLE;
    case login_failed: return DB_SEC_E_AUTH_FAILED;
    default: return E_FAIL;
    }
}

struct record {
    HRESULT hr;
    db_error_record diagnostic;
};

HRESULT copy_text(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

class record_info final : public com_object<record_info, IErrorInfo> {
public:
    record_info(std::wstring source, std::wstring description)
        : source_(std::move(source)), description_(std::move(description))
    {}
    IUnknown* interface_for(REFIID riid) { return riid == IID_IUnknown || riid == IID_IErrorInfo ? this : nullptr; }
    HRESULT GetSource(BSTR* source) override { return copy_text(source_, source); }
    HRESULT GetDescription(BSTR* description) override { return copy_text(description_, description); }

private:
    std::wstring source_;
    std::wstring description_;
};

class sql_info final : public com_object<sql_info, ISQLErrorInfo> {
public:
    sql_info(std::wstring state, std::int32_t native) : state_(std::move(state)), native_(native) {}
    IUnknown* interface_for(REFIID riid) { return riid == IID_IUnknown || riid == IID_ISQLErrorInfo ? this : nullptr; }
    HRESULT GetSQLInfo(BSTR* state, LONG* native) override
    {
        if (!native)
            return E_POINTER;
        *native = native_;
        return copy_text(state_, state);
    }

private:
    std::wstring state_;
    std::int32_t native_;
};

// The thread's error object: the first record's text, and every record.
class error_object final : public com_object<error_object, IErrorInfo, IErrorRecords> {
public:
    error_object(std::wstring source, std::vector<record> records)
        : source_(std::move(source)), records_(std::move(records))
    {}

    IUnknown* interface_for(REFIID riid)
    {
        if (riid == IID_IUnknown || riid == IID_IErrorInfo)
            return static_cast<IErrorInfo*>(this);
        if (riid == IID_IErrorRecords)
            return static_cast<IErrorRecords*>(this);
        return nullptr;
    }

    HRESULT GetSource(BSTR* source) override { return copy_text(source_, source); }
    HRESULT GetDescription(BSTR* description) override
    {
        return copy_text(records_.empty() ? std::wstring() : records_.front().diagnostic.message, description);
    }

    HRESULT GetRecordCount(ULONG* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<ULONG>(records_.size());
        return S_OK;
    }

    HRESULT GetBasicErrorInfo(ULONG index, ERRORINFO* info) override
    {
        if (!info)
            return E_POINTER;
        if (index >= records_.size())
            return DB_E_BADRECORDNUM;
        *info = ERRORINFO{};
        info->hrError = records_[index].hr;
        info->dwMinor = static_cast<DWORD>(records_[index].diagnostic.native_error);
        return S_OK;
    }

    HRESULT GetCustomErrorObject(ULONG index, REFIID riid, IUnknown** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (index >= records_.size())
            return DB_E_BADRECORDNUM;
        if (riid != IID_ISQLErrorInfo && riid != IID_IUnknown)
            return S_OK;
        const db_error_record& d = records_[index].diagnostic;
        return hand_out(new sql_info(d.sql_state, d.native_error), riid, object);
    }

    HRESULT GetErrorInfo(ULONG index, LCID, IErrorInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        if (index >= records_.size())
            return DB_E_BADRECORDNUM;
        *info = new record_info(source_, records_[index].diagnostic.message);
        return S_OK;
    }

private:
    static constexpr HRESULT DB_E_BADRECORDNUM = static_cast<HRESULT>(0x80040E0Au);

    std::wstring source_;
    std::vector<record> records_;
};

HRESULT publish(const std::wstring& source, std::vector<record> records, HRESULT hr)
{
    auto* object = new error_object(source, std::move(records));
    SetErrorInfo(0, static_cast<IErrorInfo*>(object));
    object->Release();
    return hr;
}

}  // namespace

HRESULT hresult_for(const db_error& error)
{
    if (error.hresult() != 0)
        return error.hresult();
    for (const db_error_record& r : error.records())
        if (const HRESULT hr = hresult_for_native(r.native_error); hr != E_FAIL)
            return hr;
    return E_FAIL;
}

HRESULT report(const db_error& error)
{
    const HRESULT hr = hresult_for(error);
    std::vector<record> records;
    for (const db_error_record& r : error.records()) {
        const HRESULT own = hresult_for_native(r.native_error);
        records.push_back({own == E_FAIL ? hr : own, r});
    }
    return publish(error.source(), std::move(records), hr);
}

HRESULT report(HRESULT hr, const std::wstring& message)
{
    return publish(L"OLE DB", {{hr, {L"HY000", 0, message}}}, hr);
}

HRESULT report(const std::exception& error)
{
    std::wstring message;
    MultiByteToWideChar(CP_UTF8, error.what(), message);
    return report(E_FAIL, message);
}

}  // namespace oledb
