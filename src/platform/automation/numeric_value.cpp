#include "platform/automation/numeric_value.h"

#include <cfloat>
#include <cmath>

namespace automation_detail {

namespace {

double round_half_even(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return floor + 1;
    if (fraction < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

// The smallest double above every 64-bit integer, so that range tests of
// rounded doubles happen before any cast.
constexpr double two_to_64 = 18446744073709551616.0;

}  // namespace

numeric_value numeric_value::of_integer(int128 value)
{
    numeric_value result;
    result.integer = value;
    return result;
}

numeric_value numeric_value::of_double(double value)
{
    numeric_value result;
    result.kind = form::real;
    result.real = value;
    return result;
}

numeric_value numeric_value::of_float(float value)
{
    numeric_value result = of_double(value);
    result.real_digits = 7;
    return result;
}

numeric_value numeric_value::of_currency(CY value)
{
    return of_exact(exact_from_currency(value));
}

numeric_value numeric_value::of_decimal(const DECIMAL& value)
{
    return of_exact(exact_from_decimal(value));
}

numeric_value numeric_value::of_exact(const exact_number& value)
{
    numeric_value result;
    result.kind = form::exact;
    result.exact = value;
    return result;
}

HRESULT to_integer(const numeric_value& value, int128 min, int128 max, int128* out)
{
    switch (value.kind) {
    case numeric_value::form::integer:
        if (value.integer < min || value.integer > max)
            return DISP_E_OVERFLOW;
        *out = value.integer;
        return S_OK;
    case numeric_value::form::real: {
        const double rounded = round_half_even(value.real);
        if (!(rounded > -two_to_64 && rounded < two_to_64))  // NaN fails too
            return DISP_E_OVERFLOW;
        return to_integer(numeric_value::of_integer(static_cast<int128>(rounded)), min, max, out);
    }
    case numeric_value::form::exact: return exact_to_integer(value.exact, min, max, out);
    }
    return E_UNEXPECTED;
}

HRESULT to_double(const numeric_value& value, double* out)
{
    switch (value.kind) {
    case numeric_value::form::integer: *out = static_cast<double>(value.integer); return S_OK;
    case numeric_value::form::real: *out = value.real; return S_OK;
    case numeric_value::form::exact: *out = exact_to_real(value.exact); return S_OK;
    }
    return E_UNEXPECTED;
}

HRESULT to_float(const numeric_value& value, float* out)
{
    double wide = 0;
    const HRESULT hr = to_double(value, &wide);
    if (FAILED(hr))
        return hr;
    if (std::isfinite(wide) && std::fabs(wide) > FLT_MAX)
        return DISP_E_OVERFLOW;
    *out = static_cast<float>(wide);
    return S_OK;
}

HRESULT to_currency(const numeric_value& value, CY* out)
{
    switch (value.kind) {
    case numeric_value::form::integer: return exact_to_currency(exact_from_integer(value.integer), out);
    case numeric_value::form::real: {
        int128 scaled = 0;
        const HRESULT hr = to_integer(numeric_value::of_double(value.real * 10000.0), INT64_MIN, INT64_MAX, &scaled);
        if (SUCCEEDED(hr))
            out->int64 = static_cast<LONGLONG>(scaled);
        return hr;
    }
    case numeric_value::form::exact: return exact_to_currency(value.exact, out);
    }
    return E_UNEXPECTED;
}

HRESULT to_decimal(const numeric_value& value, DECIMAL* out)
{
    switch (value.kind) {
    case numeric_value::form::integer: return exact_to_decimal(exact_from_integer(value.integer), out);
    case numeric_value::form::real: {
        exact_number exact;
        const HRESULT hr = exact_from_real(value.real, value.real_digits, &exact);
        return FAILED(hr) ? hr : exact_to_decimal(exact, out);
    }
    case numeric_value::form::exact: return exact_to_decimal(value.exact, out);
    }
    return E_UNEXPECTED;
}

bool is_zero(const numeric_value& value)
{
    switch (value.kind) {
    case numeric_value::form::integer: return value.integer == 0;
    case numeric_value::form::real: return value.real == 0;
    case numeric_value::form::exact: return value.exact.magnitude == 0;
    }
    return true;
}

}  // namespace automation_detail
