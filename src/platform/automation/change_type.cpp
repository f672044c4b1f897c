// VariantChangeType: conversions between the scalar VARIANT types.
#include "platform/automation/date_calendar.h"
#include "platform/automation/number_text.h"
#include "platform/automation/numeric_value.h"
#include "platform/compare_string.h"

#include <cmath>
#include <string>

using namespace automation_detail;

namespace {

std::wstring_view text_of(const VARIANT& value)
{
    return value.bstrVal == nullptr ? std::wstring_view()
                                    : std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal));
}

// The source as a number. Texts are parsed; floating targets read them as
// doubles so that their whole range is open, other targets exactly.
HRESULT number_of(const VARIANT& src, bool floating_target, numeric_value* out)
{
    switch (src.vt) {
    case VT_EMPTY: *out = numeric_value::of_integer(0); return S_OK;
    case VT_I1: *out = numeric_value::of_integer(static_cast<signed char>(src.cVal)); return S_OK;
    case VT_I2:
    case VT_BOOL: *out = numeric_value::of_integer(src.iVal); return S_OK;
    case VT_I4: *out = numeric_value::of_integer(src.lVal); return S_OK;
    case VT_INT: *out = numeric_value::of_integer(src.intVal); return S_OK;
    case VT_I8: *out = numeric_value::of_integer(src.llVal); return S_OK;
    case VT_UI1: *out = numeric_value::of_integer(src.bVal); return S_OK;
    case VT_UI2: *out = numeric_value::of_integer(src.uiVal); return S_OK;
    case VT_UI4: *out = numeric_value::of_integer(src.ulVal); return S_OK;
    case VT_UINT: *out = numeric_value::of_integer(src.uintVal); return S_OK;
    case VT_UI8: *out = numeric_value::of_integer(src.ullVal); return S_OK;
    case VT_R4: *out = numeric_value::of_float(src.fltVal); return S_OK;
    case VT_R8: *out = numeric_value::of_double(src.dblVal); return S_OK;
    case VT_DATE: *out = numeric_value::of_double(src.date); return S_OK;
    case VT_CY: *out = numeric_value::of_currency(src.cyVal); return S_OK;
    case VT_DECIMAL: *out = numeric_value::of_decimal(src.decVal); return S_OK;
    case VT_BSTR: {
        number_text number;
        if (!parse_number_text(text_of(src), &number))
            return DISP_E_TYPEMISMATCH;
        if (!floating_target) {
            *out = numeric_value::of_exact(exact_from_digits(number.digits, number.exponent, number.negative));
            return S_OK;
        }
        double real = 0;
        const HRESULT hr = real_from_text(number, &real);
        *out = numeric_value::of_double(real);
        return hr;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT bool_of(const VARIANT& src, VARIANT_BOOL* out)
{
    if (src.vt == VT_BSTR) {
        const std::wstring_view text = text_of(src);
        const bool is_true = platform::equal_ignoring_ascii_case(text, std::wstring_view(L"true"));
        if (is_true || platform::equal_ignoring_ascii_case(text, std::wstring_view(L"false"))) {
            *out = is_true ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    numeric_value number;
    const HRESULT hr = number_of(src, true, &number);
    if (SUCCEEDED(hr))
        *out = is_zero(number) ? VARIANT_FALSE : VARIANT_TRUE;
    return hr;
}

HRESULT date_of(const VARIANT& src, DATE* out)
{
    if (src.vt == VT_BSTR)
        return VarDateFromStr(std::wstring(text_of(src)).c_str(), 1033, 0, out);
    numeric_value number;
    double value = 0;
    HRESULT hr = number_of(src, true, &number);
    if (SUCCEEDED(hr))
        hr = to_double(number, &value);
    if (FAILED(hr))
        return hr;
    SYSTEMTIME in_range{};
    if (!VariantTimeToSystemTime(value, &in_range))
        return DISP_E_OVERFLOW;
    *out = value;
    return S_OK;
}

HRESULT text_of(const VARIANT& src, std::wstring* out)
{
    switch (src.vt) {
    case VT_EMPTY: out->clear(); return S_OK;
    case VT_R4: *out = real_to_text(src.fltVal, 7); return S_OK;
    case VT_R8: *out = real_to_text(src.dblVal, 15); return S_OK;
    case VT_DATE: return date_to_text(src.date, out);
    case VT_CY:
    case VT_DECIMAL: {
        const exact_number exact = src.vt == VT_CY ? exact_from_currency(src.cyVal) : exact_from_decimal(src.decVal);
        const std::string text = exact_to_text(exact);
        out->assign(text.begin(), text.end());
        return S_OK;
    }
    default: {
        numeric_value number;
        const HRESULT hr = number_of(src, false, &number);
        if (FAILED(hr))
            return hr;
        const std::string text = exact_to_text(exact_from_integer(number.integer));
        out->assign(text.begin(), text.end());
        return S_OK;
    }
    }
}

HRESULT coerce(const VARIANT& src, VARTYPE vt, VARIANT* out)
{
    if (src.vt == VT_NULL || (src.vt & (VT_ARRAY | VT_BYREF)) != 0)
        return DISP_E_TYPEMISMATCH;
    numeric_value number;
    HRESULT hr = S_OK;
    switch (vt) {
    case VT_EMPTY: break;
    case VT_BSTR: {
        std::wstring text;
        hr = text_of(src, &text);
        if (FAILED(hr))
            return hr;
        out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (out->bstrVal == nullptr)
            return E_OUTOFMEMORY;
        break;
    }
    case VT_BOOL: hr = bool_of(src, &out->boolVal); break;
    case VT_DATE: hr = date_of(src, &out->date); break;
    case VT_R4:
    case VT_R8:
        hr = number_of(src, true, &number);
        if (SUCCEEDED(hr))
            hr = vt == VT_R4 ? to_float(number, &out->fltVal) : to_double(number, &out->dblVal);
        break;
    default:
        hr = number_of(src, false, &number);
        if (FAILED(hr))
            return hr;
        switch (vt) {
        case VT_I1: hr = to_integral(number, reinterpret_cast<signed char*>(&out->cVal)); break;
        case VT_UI1: hr = to_integral(number, &out->bVal); break;
        case VT_I2: hr = to_integral(number, &out->iVal); break;
        case VT_UI2: hr = to_integral(number, &out->uiVal); break;
        case VT_I4: hr = to_integral(number, &out->lVal); break;
        case VT_UI4: hr = to_integral(number, &out->ulVal); break;
        case VT_INT: hr = to_integral(number, &out->intVal); break;
        case VT_UINT: hr = to_integral(number, &out->uintVal); break;
        case VT_I8: hr = to_integral(number, &out->llVal); break;
        case VT_UI8: hr = to_integral(number, &out->ullVal); break;
        case VT_CY: hr = to_currency(number, &out->cyVal); break;
        case VT_DECIMAL: hr = to_decimal(number, &out->decVal); break;
        default: return DISP_E_TYPEMISMATCH;
        }
    }
    if (SUCCEEDED(hr))
        out->vt = vt;  // after the value: a DECIMAL overlays the tag
    return hr;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT, VARTYPE vt)
{
    if (dest == nullptr || src == nullptr)
        return E_INVALIDARG;
    if (src->vt == vt)
        return VariantCopy(dest, src);
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = coerce(*src, vt, &result);
    if (FAILED(hr))
        return hr;
    const HRESULT cleared = VariantClear(dest);
    if (FAILED(cleared)) {
        VariantClear(&result);
        return cleared;
    }
    *dest = result;
    return S_OK;
}
