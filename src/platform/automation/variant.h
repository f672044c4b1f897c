// VARIANT: a value tagged with its VARTYPE, laid out as OLE Automation lays it
// out (a DECIMAL overlays the whole value, its first two bytes being the tag).
#pragma once

#include "platform/automation/bstr.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/unknown.h"
#include "platform/automation/vartype.h"

using VARIANT_BOOL = SHORT;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Days since 1899-12-30; the fraction is the time of day, also for negative days.
using DATE = double;

// Currency: the value times 10,000 in a signed 64-bit integer.
union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};

inline constexpr BYTE DECIMAL_NEG = 0x80;

// A 96-bit magnitude, a sign and a power-of-ten scale (0 to 28).
struct DECIMAL {
    USHORT wReserved;
    union {
        struct {
            BYTE scale;
            BYTE sign;
        };
        USHORT signscale;
    };
    ULONG Hi32;
    union {
        struct {
            ULONG Lo32;
            ULONG Mid32;
        };
        ULONGLONG Lo64;
    };
};

struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                FLOAT fltVal;
                DOUBLE dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                SAFEARRAY* parray;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                void* byref;
            };
        };
        DECIMAL decVal;
    };
};

using VARIANTARG = VARIANT;

static_assert(sizeof(DECIMAL) == 16);
static_assert(sizeof(CY) == 8);

void VariantInit(VARIANT* value);
// Releases what the value owns (text, array, interface) and leaves VT_EMPTY.
// Tags that a VARIANT cannot hold give DISP_E_BADVARTYPE and leave the value as it is.
HRESULT VariantClear(VARIANT* value);
// Deep copy; copying a value onto itself changes nothing.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts src to type vt into dest (which may be src itself). Texts are read and
// written in the forms of locale 1033; failures leave dest unchanged and give
// DISP_E_TYPEMISMATCH (no such conversion, text that is no value of the type) or
// DISP_E_OVERFLOW (the value is out of the type's range). No flags are defined.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
