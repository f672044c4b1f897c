#include "platform/automation/variant.h"

#include "platform/automation/variant_kinds.h"

void VariantInit(VARIANT* value)
{
    value->vt = VT_EMPTY;
    value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
}

HRESULT VariantClear(VARIANT* value)
{
    if (value == nullptr)
        return E_INVALIDARG;
    if (!automation_detail::is_variant_type(value->vt))
        return DISP_E_BADVARTYPE;
    if ((value->vt & VT_BYREF) == 0) {
        if (value->vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayDestroy(value->parray);
            if (FAILED(hr))
                return hr;
        } else if (value->vt == VT_BSTR) {
            SysFreeString(value->bstrVal);
        } else if ((value->vt == VT_UNKNOWN || value->vt == VT_DISPATCH) && value->punkVal != nullptr) {
            value->punkVal->Release();
        }
    }
    VariantInit(value);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (dest == nullptr || src == nullptr)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    if (!automation_detail::is_variant_type(src->vt))
        return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(dest);
    if (FAILED(cleared))
        return cleared;
    VARIANT copy = *src;
    if ((src->vt & VT_BYREF) == 0) {
        if (src->vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (FAILED(hr))
                return hr;
        } else if (src->vt == VT_BSTR && src->bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (copy.bstrVal == nullptr)
                return E_OUTOFMEMORY;
        } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal != nullptr) {
            src->punkVal->AddRef();
        }
    }
    *dest = copy;
    return S_OK;
}
