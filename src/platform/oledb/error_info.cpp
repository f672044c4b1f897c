#include "platform/oledb/error_info.h"

namespace {

// Released with its thread when nobody took it.
struct error_slot {
    IErrorInfo* info = nullptr;
    ~error_slot()
    {
        if (info)
            info->Release();
    }
};

thread_local error_slot current;

}  // namespace

HRESULT GetErrorInfo(ULONG, IErrorInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = current.info;
    current.info = nullptr;
    return *info ? S_OK : S_FALSE;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* info)
{
    if (info)
        info->AddRef();
    if (current.info)
        current.info->Release();
    current.info = info;
    return S_OK;
}

LCID GetUserDefaultLCID()
{
    return 1033;
}

LCID GetSystemDefaultLCID()
{
    return 1033;
}
