// One numeric source value in the form that converts it without loss: an
// integer, a floating value or an exact decimal (currency included). Every
// Var* conversion and VariantChangeType between numbers goes through it.
#pragma once

#include "platform/automation/exact_number.h"

#include <limits>

namespace automation_detail {

struct numeric_value {
    enum class form { integer, real, exact };
    form kind = form::integer;
    int128 integer = 0;
    double real = 0;
    int real_digits = 15;  // significant digits a DECIMAL takes over: 15 for doubles, 7 for floats
    exact_number exact;

    static numeric_value of_integer(int128 value);
    static numeric_value of_double(double value);
    static numeric_value of_float(float value);
    static numeric_value of_currency(CY value);
    static numeric_value of_decimal(const DECIMAL& value);
    static numeric_value of_exact(const exact_number& value);
};

// Rounds ties to the even integer; DISP_E_OVERFLOW outside [min, max] or for NaN.
HRESULT to_integer(const numeric_value& value, int128 min, int128 max, int128* out);
HRESULT to_double(const numeric_value& value, double* out);
HRESULT to_float(const numeric_value& value, float* out);
HRESULT to_currency(const numeric_value& value, CY* out);
HRESULT to_decimal(const numeric_value& value, DECIMAL* out);
bool is_zero(const numeric_value& value);

template <class T>
HRESULT to_integral(const numeric_value& value, T* out)
{
    int128 result = 0;
    const HRESULT hr = to_integer(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), &result);
    if (SUCCEEDED(hr))
        *out = static_cast<T>(result);
    return hr;
}

}  // namespace automation_detail
