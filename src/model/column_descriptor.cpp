#include "model/column_descriptor.h"

#include "toolkit/tk_log.h"

namespace {

// Bit n set: VARIANT type n is a number (2-6, 11, 14, 16-21).
constexpr std::uint32_t number_mask = 0x3F487C;
// Text of exactly this length fits a date-time ("YYYY-MM-DD hh:mm:ss").
constexpr std::int32_t date_time_text_size = 19;
constexpr std::int32_t unlimited_text_size = 65535;

bool is_money_pair(VARTYPE a, VARTYPE b)
{
    return (a == VT_CY && b == VT_DECIMAL) || (a == VT_DECIMAL && b == VT_CY);
}

bool is_number_destination(VARTYPE vartype)
{
    return udb_is_number_type(vartype) || vartype == VT_INT || vartype == VT_UINT;
}

bool text_conforms(const t_ftd& src, const t_ftd& dest)
{
    if (!udb_is_text_type(src.vartype))
        return !udb_is_binary_type(src.vartype);
    return dest.size == 0 || dest.size >= src.size || dest.size >= unlimited_text_size;
}

bool binary_conforms(const t_ftd& src, const t_ftd& dest)
{
    if (!udb_is_text_type(src.vartype) && !udb_is_binary_type(src.vartype))
        return true;
    return dest.size == 0 || dest.size >= src.size;
}

}  // namespace

bool udb_is_number_type(VARTYPE vartype)
{
    return vartype < VT_INT && ((number_mask >> vartype) & 1u) != 0;
}

bool udb_is_integer_type(VARTYPE vartype)
{
    switch (vartype) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
    }
}

bool udb_is_text_type(VARTYPE vartype)
{
    return vartype == VT_BSTR || vartype == VT_LPSTR || vartype == VT_LPWSTR;
}

t_ftd::t_ftd(std::int32_t size, const std::wstring& name, VARTYPE vartype, bool b_not_null, bool identity,
             const ole_variant& default_value, std::uint32_t dw_reserved, const std::wstring& native_type)
    : size(size), name(name), vartype(vartype), native_type(native_type), identity(identity), b_not_null(b_not_null),
      default_value(default_value), dw_reserved(dw_reserved)
{
    tk_log(1, "t_ftd::ctor2");
    tk_log(1, L"\tfield name='%ls', vartype=%d, size=%d, b_not_null=%d, reserved=%d", name.c_str(), vartype, size,
           b_not_null, static_cast<int>(dw_reserved));
}

bool t_ftd::operator==(const t_ftd& that) const
{
    if (vartype != that.vartype)
        return is_money_pair(vartype, that.vartype);
    return vartype != VT_BSTR || size == that.size;
}

bool t_ftd::conform_to(const t_ftd& dest) const
{
    if (*this == dest)
        return true;
    if (dest.vartype > ole_vt_bytes)
        return false;
    if (is_number_destination(dest.vartype))
        return udb_is_number_type(vartype);
    if (dest.vartype == VT_DATE)
        return vartype == VT_DATE || (vartype == VT_BSTR && size == date_time_text_size);
    if (udb_is_text_type(dest.vartype))
        return text_conforms(*this, dest);
    if (udb_is_binary_type(dest.vartype))
        return binary_conforms(*this, dest);
    return false;
}
