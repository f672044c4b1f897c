// The Var* conversions between numbers, currency and DECIMAL. Every rounding
// to fewer digits goes to the nearest value, ties to the even one; a result
// outside the target's range gives DISP_E_OVERFLOW and leaves the output as it was.
#pragma once

#include "platform/automation/variant.h"

HRESULT VarI4FromCy(CY value, LONG* out);
HRESULT VarI8FromCy(CY value, LONG64* out);
HRESULT VarUI8FromCy(CY value, ULONG64* out);
HRESULT VarR4FromCy(CY value, FLOAT* out);
HRESULT VarR8FromCy(CY value, DOUBLE* out);

HRESULT VarDecFromI2(SHORT value, DECIMAL* out);
HRESULT VarDecFromI4(LONG value, DECIMAL* out);
// Floats keep 7 significant digits, doubles and dates 15.
HRESULT VarDecFromR4(FLOAT value, DECIMAL* out);
HRESULT VarDecFromR8(DOUBLE value, DECIMAL* out);
HRESULT VarDecFromDate(DATE value, DECIMAL* out);
HRESULT VarDecFromCy(CY value, DECIMAL* out);
HRESULT VarDecFromBool(VARIANT_BOOL value, DECIMAL* out);
HRESULT VarDecFromI1(CHAR value, DECIMAL* out);
HRESULT VarDecFromUI1(BYTE value, DECIMAL* out);
HRESULT VarDecFromUI2(USHORT value, DECIMAL* out);
HRESULT VarDecFromUI4(ULONG value, DECIMAL* out);
HRESULT VarDecFromI8(LONG64 value, DECIMAL* out);
HRESULT VarDecFromUI8(ULONG64 value, DECIMAL* out);

HRESULT VarI1FromDec(const DECIMAL* value, CHAR* out);
HRESULT VarUI1FromDec(const DECIMAL* value, BYTE* out);
HRESULT VarI2FromDec(const DECIMAL* value, SHORT* out);
HRESULT VarUI2FromDec(const DECIMAL* value, USHORT* out);
HRESULT VarI4FromDec(const DECIMAL* value, LONG* out);
HRESULT VarUI4FromDec(const DECIMAL* value, ULONG* out);
HRESULT VarI8FromDec(const DECIMAL* value, LONG64* out);
HRESULT VarUI8FromDec(const DECIMAL* value, ULONG64* out);
HRESULT VarR4FromDec(const DECIMAL* value, FLOAT* out);
HRESULT VarR8FromDec(const DECIMAL* value, DOUBLE* out);

HRESULT VarI8FromR4(FLOAT value, LONG64* out);
HRESULT VarI8FromR8(DOUBLE value, LONG64* out);
HRESULT VarUI8FromR4(FLOAT value, ULONG64* out);
HRESULT VarUI8FromR8(DOUBLE value, ULONG64* out);

// Texts in the forms of locale 1033 whatever lcid says; flags are not used.
// Text that is no number gives DISP_E_TYPEMISMATCH.
HRESULT VarDecFromStr(LPCOLESTR text, LCID lcid, ULONG flags, DECIMAL* out);
HRESULT VarCyFromStr(LPCOLESTR text, LCID lcid, ULONG flags, CY* out);
// Plain digits with '.' and no trailing zeros of the fraction: 1.50 gives "1.5".
HRESULT VarBstrFromDec(const DECIMAL* value, LCID lcid, ULONG flags, BSTR* out);
