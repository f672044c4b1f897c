// Which tags a VARIANT may carry.
#pragma once

#include "platform/automation/vartype.h"

namespace automation_detail {

// The scalar tags: numbers, currency, dates, texts, booleans, errors, interfaces.
inline bool is_scalar_type(VARTYPE vt)
{
    return (vt >= VT_EMPTY && vt <= VT_DECIMAL && vt != VT_VARIANT) || (vt >= VT_I1 && vt <= VT_UINT);
}

inline bool is_variant_type(VARTYPE vt)
{
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt & VT_BYREF)
        return (vt & VT_ARRAY) || (is_scalar_type(base) && base > VT_NULL) || base == VT_VARIANT;
    if (vt & VT_ARRAY)
        return is_scalar_type(base) && base > VT_NULL;
    return vt == (vt & VT_TYPEMASK) && is_scalar_type(vt);
}

}  // namespace automation_detail
