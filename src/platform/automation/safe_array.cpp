#include "platform/automation/safe_array.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT max_dims = 64;
constexpr ULONG decimal_size = 16;

ULONG element_size(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_DECIMAL: return decimal_size;
    default: return 0;
    }
}

// The descriptor is allocated with room for every dimension past the declared one.
SAFEARRAYBOUND* bounds_of(SAFEARRAY* array)
{
    return array->rgsabound;
}

const SAFEARRAYBOUND* bounds_of(const SAFEARRAY* array)
{
    return array->rgsabound;
}

// Bytes of all elements, or false when the count does not fit in memory sizes.
bool data_size(const SAFEARRAY* array, std::size_t* bytes)
{
    const SAFEARRAYBOUND* bounds = bounds_of(array);
    std::size_t total = array->cbElements;
    for (UINT i = 0; i < array->cDims; ++i) {
        if (__builtin_mul_overflow(total, std::size_t{bounds[i].cElements}, &total))
            return false;
    }
    *bytes = total;
    return true;
}

// Never null, so that an array of no elements still hands out a valid address.
void* allocate_data(std::size_t bytes)
{
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

SAFEARRAY* allocate_descriptor(UINT dims)
{
    const std::size_t size = offsetof(SAFEARRAY, rgsabound) + dims * sizeof(SAFEARRAYBOUND);
    auto* array = static_cast<SAFEARRAY*>(std::calloc(1, size));
    if (array != nullptr)
        array->cDims = static_cast<USHORT>(dims);
    return array;
}

HRESULT get_bound(SAFEARRAY* array, UINT dim, LONG* bound, bool upper)
{
    if (array == nullptr || bound == nullptr)
        return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = bounds_of(array)[dim - 1];
    *bound = upper ? static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + b.cElements - 1) : b.lLbound;
    return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds)
{
    const ULONG size = element_size(vt);
    if (size == 0 || dims == 0 || dims > max_dims || bounds == nullptr)
        return nullptr;
    SAFEARRAY* array = allocate_descriptor(dims);
    if (array == nullptr)
        return nullptr;
    array->cbElements = size;
    std::memcpy(bounds_of(array), bounds, dims * sizeof(SAFEARRAYBOUND));
    std::size_t bytes = 0;
    if (data_size(array, &bytes))
        array->pvData = allocate_data(bytes);
    if (array->pvData == nullptr) {
        std::free(array);
        return nullptr;
    }
    return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements)
{
    const SAFEARRAYBOUND bound{elements, lower_bound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound)
{
    if (array == nullptr || bound == nullptr)
        return E_INVALIDARG;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    std::size_t old_bytes = 0;
    data_size(array, &old_bytes);
    const SAFEARRAYBOUND old_bound = bounds_of(array)[0];
    bounds_of(array)[0] = *bound;
    std::size_t new_bytes = 0;
    void* data = data_size(array, &new_bytes) ? std::realloc(array->pvData, new_bytes == 0 ? 1 : new_bytes) : nullptr;
    if (data == nullptr) {
        bounds_of(array)[0] = old_bound;
        return E_OUTOFMEMORY;
    }
    if (new_bytes > old_bytes)
        std::memset(static_cast<char*>(data) + old_bytes, 0, new_bytes - old_bytes);
    array->pvData = data;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data)
{
    if (array == nullptr || data == nullptr)
        return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array)
{
    if (array == nullptr)
        return E_INVALIDARG;
    if (array->cLocks == 0)
        return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array)
{
    return array == nullptr ? 0 : array->cDims;
}

UINT SafeArrayGetElemsize(SAFEARRAY* array)
{
    return array == nullptr ? 0 : array->cbElements;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound)
{
    return get_bound(array, dim, bound, false);
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound)
{
    return get_bound(array, dim, bound, true);
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy)
{
    if (copy == nullptr)
        return E_INVALIDARG;
    *copy = nullptr;
    if (array == nullptr)
        return S_OK;
    SAFEARRAY* result = allocate_descriptor(array->cDims);
    if (result == nullptr)
        return E_OUTOFMEMORY;
    result->fFeatures = array->fFeatures;
    result->cbElements = array->cbElements;
    std::memcpy(bounds_of(result), bounds_of(array), array->cDims * sizeof(SAFEARRAYBOUND));
    std::size_t bytes = 0;
    data_size(array, &bytes);
    result->pvData = allocate_data(bytes);
    if (result->pvData == nullptr) {
        std::free(result);
        return E_OUTOFMEMORY;
    }
    std::memcpy(result->pvData, array->pvData, bytes);
    *copy = result;
    return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array)
{
    if (array == nullptr)
        return S_OK;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    std::free(array->pvData);
    std::free(array);
    return S_OK;
}
