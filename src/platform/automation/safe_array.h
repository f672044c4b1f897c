// SAFEARRAY: an array descriptor with per-dimension bounds, a lock count and
// one block of elements. Elements are plain data (numbers, dates, currency);
// arrays of texts, variants or interfaces are not supported.
#pragma once

#include "platform/automation/vartype.h"

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];  // cDims entries; the first is the one SafeArrayRedim changes
};

// Null when the element type is not plain data, a dimension count is 0 or memory runs out.
// The elements start zeroed.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements);
// Changes the first dimension's bounds; the elements that stay keep their values,
// new ones are zero.
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
// dim counts from 1.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
