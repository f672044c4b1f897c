#include "platform/automation/numeric_conversions.h"

#include "platform/automation/number_text.h"
#include "platform/automation/numeric_value.h"

#include <string>
#include <type_traits>

using namespace automation_detail;

namespace {

template <class T>
HRESULT integral(const numeric_value& value, T* out)
{
    return out == nullptr ? E_INVALIDARG : to_integral(value, out);
}

HRESULT decimal(const numeric_value& value, DECIMAL* out)
{
    return out == nullptr ? E_INVALIDARG : to_decimal(value, out);
}

HRESULT real(const numeric_value& value, DOUBLE* out)
{
    return out == nullptr ? E_INVALIDARG : to_double(value, out);
}

HRESULT real(const numeric_value& value, FLOAT* out)
{
    return out == nullptr ? E_INVALIDARG : to_float(value, out);
}

// Reads a DECIMAL argument, then converts it with the given target function.
template <class T>
HRESULT from_decimal(const DECIMAL* value, T* out)
{
    if (value == nullptr)
        return E_INVALIDARG;
    const numeric_value number = numeric_value::of_decimal(*value);
    if constexpr (std::is_floating_point_v<T>)
        return real(number, out);
    else
        return integral(number, out);
}

HRESULT parse_exact(LPCOLESTR text, exact_number* out)
{
    if (text == nullptr)
        return E_INVALIDARG;
    number_text number;
    if (!parse_number_text(text, &number))
        return DISP_E_TYPEMISMATCH;
    *out = exact_from_digits(number.digits, number.exponent, number.negative);
    return S_OK;
}

}  // namespace

HRESULT VarI4FromCy(CY value, LONG* out)
{
    return integral(numeric_value::of_currency(value), out);
}
HRESULT VarI8FromCy(CY value, LONG64* out)
{
    return integral(numeric_value::of_currency(value), out);
}
HRESULT VarUI8FromCy(CY value, ULONG64* out)
{
    return integral(numeric_value::of_currency(value), out);
}
HRESULT VarR4FromCy(CY value, FLOAT* out)
{
    return real(numeric_value::of_currency(value), out);
}
HRESULT VarR8FromCy(CY value, DOUBLE* out)
{
    return real(numeric_value::of_currency(value), out);
}

HRESULT VarDecFromI2(SHORT value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromI4(LONG value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromR4(FLOAT value, DECIMAL* out)
{
    return decimal(numeric_value::of_float(value), out);
}
HRESULT VarDecFromR8(DOUBLE value, DECIMAL* out)
{
    return decimal(numeric_value::of_double(value), out);
}
HRESULT VarDecFromDate(DATE value, DECIMAL* out)
{
    return decimal(numeric_value::of_double(value), out);
}
HRESULT VarDecFromCy(CY value, DECIMAL* out)
{
    return decimal(numeric_value::of_currency(value), out);
}
HRESULT VarDecFromBool(VARIANT_BOOL value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromI1(CHAR value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(static_cast<signed char>(value)), out);
}
HRESULT VarDecFromUI1(BYTE value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromUI2(USHORT value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromUI4(ULONG value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromI8(LONG64 value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}
HRESULT VarDecFromUI8(ULONG64 value, DECIMAL* out)
{
    return decimal(numeric_value::of_integer(value), out);
}

HRESULT VarI1FromDec(const DECIMAL* value, CHAR* out)
{
    return from_decimal(value, reinterpret_cast<signed char*>(out));
}
HRESULT VarUI1FromDec(const DECIMAL* value, BYTE* out)
{
    return from_decimal(value, out);
}
HRESULT VarI2FromDec(const DECIMAL* value, SHORT* out)
{
    return from_decimal(value, out);
}
HRESULT VarUI2FromDec(const DECIMAL* value, USHORT* out)
{
    return from_decimal(value, out);
}
HRESULT VarI4FromDec(const DECIMAL* value, LONG* out)
{
    return from_decimal(value, out);
}
HRESULT VarUI4FromDec(const DECIMAL* value, ULONG* out)
{
    return from_decimal(value, out);
}
HRESULT VarI8FromDec(const DECIMAL* value, LONG64* out)
{
    return from_decimal(value, out);
}
HRESULT VarUI8FromDec(const DECIMAL* value, ULONG64* out)
{
    return from_decimal(value, out);
}
HRESULT VarR4FromDec(const DECIMAL* value, FLOAT* out)
{
    return from_decimal(value, out);
}
HRESULT VarR8FromDec(const DECIMAL* value, DOUBLE* out)
{
    return from_decimal(value, out);
}

HRESULT VarI8FromR4(FLOAT value, LONG64* out)
{
    return integral(numeric_value::of_float(value), out);
}
HRESULT VarI8FromR8(DOUBLE value, LONG64* out)
{
    return integral(numeric_value::of_double(value), out);
}
HRESULT VarUI8FromR4(FLOAT value, ULONG64* out)
{
    return integral(numeric_value::of_float(value), out);
}
HRESULT VarUI8FromR8(DOUBLE value, ULONG64* out)
{
    return integral(numeric_value::of_double(value), out);
}

HRESULT VarDecFromStr(LPCOLESTR text, LCID, ULONG, DECIMAL* out)
{
    exact_number number;
    const HRESULT hr = parse_exact(text, &number);
    return FAILED(hr) ? hr : decimal(numeric_value::of_exact(number), out);
}

HRESULT VarCyFromStr(LPCOLESTR text, LCID, ULONG, CY* out)
{
    exact_number number;
    const HRESULT hr = parse_exact(text, &number);
    if (FAILED(hr))
        return hr;
    return out == nullptr ? E_INVALIDARG : to_currency(numeric_value::of_exact(number), out);
}

HRESULT VarBstrFromDec(const DECIMAL* value, LCID, ULONG, BSTR* out)
{
    if (value == nullptr || out == nullptr)
        return E_INVALIDARG;
    const std::string text = exact_to_text(exact_from_decimal(*value));
    const std::wstring wide(text.begin(), text.end());
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}
