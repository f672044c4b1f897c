// The descriptor of one table column: its type as a VARIANT type, size,
// precision and scale, flags, default value and an optional destination type.
#pragma once

#include "variant/ole_variant.h"

#include <cstdint>
#include <string>

// How a source declared a column's default. `given`: nothing more is known,
// and an empty default text means none. `literal`: a value the source
// declared, an empty text included. `expression`: an expression the source
// server computes, whose text as that server writes it is the default value.
enum class udb_default_form : std::uint8_t { given, literal, expression };

class t_ftd {
public:
    t_ftd(std::int32_t size, const std::wstring& name, VARTYPE vartype, bool b_not_null, bool identity,
          const ole_variant& default_value, std::uint32_t dw_reserved = 0,
          const std::wstring& native_type = std::wstring());
    t_ftd(const t_ftd& that) = default;
    t_ftd& operator=(const t_ftd& that) = default;

    // Same value type (currency and decimal count as one); texts also need
    // the same size. Names and flags are not compared.
    bool operator==(const t_ftd& that) const;
    // Whether the column `dest` can take the values of this column.
    bool conform_to(const t_ftd& dest) const;

    std::int32_t size;
    std::int32_t precision = 0;
    std::int32_t scale = 0;
    std::wstring name;
    VARTYPE vartype;
    std::wstring native_type;
    bool identity;
    bool b_not_null;
    ole_variant default_value;
    udb_default_form default_form = udb_default_form::given;
    std::uint32_t dw_reserved;
    std::wstring description;
    // The source's collation of a text column ("utf8mb4_bin"), empty when
    // not known.
    std::wstring collation;
};

// VT_I2 ... VT_UI8 and VT_BOOL, VT_CY, VT_DECIMAL: the types a numeric column takes.
bool udb_is_number_type(VARTYPE vartype);
// The integers of every width and VT_BOOL: the types an identity column or a
// column indexed as a number takes.
bool udb_is_integer_type(VARTYPE vartype);
bool udb_is_text_type(VARTYPE vartype);
inline bool udb_is_binary_type(VARTYPE vartype)
{
    return vartype == VT_BLOB || vartype == VT_BLOB_OBJECT || vartype == ole_vt_bytes;
}
