// One column value of a row.
#pragma once

#include "variant/ole_variant.h"

#include <cstdint>
#include <string>
#include <string_view>

class udb_field : public ole_variant {
public:
    udb_field() = default;
    udb_field(const std::wstring& name, std::uint32_t size, const ole_variant& value, bool flag1 = false,
              bool flag2 = false);
    udb_field(const udb_field& that) = default;
    udb_field& operator=(const udb_field& that) = default;
    udb_field(udb_field&& that) noexcept = default;
    udb_field& operator=(udb_field&& that) noexcept = default;
    ~udb_field() override = default;

    virtual VARTYPE get_type() const { return ole_variant::get_type(); }
    // Elements of a one-dimensional array, characters of a text, else the
    // size the reading side gave.
    std::uint32_t get_size() const;
    // The characters of a text value, read in place; empty for other types.
    std::wstring_view text() const;

    std::uint32_t size = 0;
    std::wstring name;
    bool flag1 = false;
    bool flag2 = false;
};
