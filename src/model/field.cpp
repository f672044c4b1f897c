#include "model/field.h"

namespace {

bool holds_array(VARTYPE type)
{
    return type == ole_vt_bytes || type == VT_BLOB || type == VT_SAFEARRAY;
}

// Elements of a one-dimensional array; -1 for any other shape.
std::int64_t vector_length(SAFEARRAY* array)
{
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return -1;
    return upper < lower ? 0 : std::int64_t(upper) - lower + 1;
}

}  // namespace

udb_field::udb_field(const std::wstring& name, std::uint32_t size, const ole_variant& value, bool flag1, bool flag2)
    : ole_variant(value), size(size), name(name), flag1(flag1), flag2(flag2)
{}

std::uint32_t udb_field::get_size() const
{
    VARTYPE type = get_type();
    if (holds_array(type)) {
        std::int64_t length = vector_length(m_value.parray);
        if (length >= 0)
            return static_cast<std::uint32_t>(length);
    }
    if (type == VT_BSTR)
        return text_length();
    return size;
}

std::wstring_view udb_field::text() const
{
    return wide_text();
}
