// The user's rule for one column: a new name, a new type with its length,
// precision and scale, a default value, or the column's removal. Applied to
// the column's descriptor before the destination table is made and to each
// value before it is written.
#pragma once

#include "converter/mutator_status.h"
#include "model/column_descriptor.h"
#include "model/field.h"
#include "model/properties.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "variant/ole_exceptions.h"

#include <cstdint>
#include <memory>
#include <string>

// Field is the destination side's field class; NativeType holds type,
// default_value, character_set, length, scale and prec.
template <class Field, class NativeType>
class udb_field_mutator : public udb_properties {
public:
    using native_type = NativeType;

    udb_field_mutator(const std::wstring& new_name, const NativeType& type, std::uint32_t status)
        : new_name(new_name), type(type), status(status)
    {
        tk_log(2, L"udb_field_mutator::ctor1(%ls)", new_name.c_str());
    }

    // The rule's settings as seven texts.
    udb_property_set& get_properties() override
    {
        properties.clear();
        properties[L"new_name"] = new_name;
        properties[L"type"] = type.type;
        properties[L"default_value"] = type.default_value;
        properties[L"character_set"] = type.character_set;
        properties[L"length"] = std::to_wstring(static_cast<std::int32_t>(type.length));
        properties[L"scale"] = std::to_wstring(static_cast<std::int32_t>(type.scale));
        properties[L"precision"] = std::to_wstring(static_cast<std::int32_t>(type.prec));
        return properties;
    }
    udb_properties* get_child(const std::wstring&) override { return nullptr; }
    udb_properties* get_child2(const std::wstring&) override { return nullptr; }

    // A copy of the column whose destination type is the rule's type; null
    // for a null column. The caller owns the copy.
    virtual std::unique_ptr<t_ftd> create2(const t_ftd* column) const
    {
        tk_log(2, "udb_field_mutator::create2");
        if (column == nullptr)
            return nullptr;
        auto copy = std::make_unique<t_ftd>(*column);
        copy->native_type = get_native_type_as_string();
        tk_log(1, L"get_native_type_as_string(%ls)", copy->native_type.c_str());
        return copy;
    }

    // Gives the column the rule's name, type, size, subtype and default value;
    // precision and scale only when the rule sets either of them.
    void modify1(t_ftd& column) const
    {
        tk_log(2, "udb_field_mutator::modify1");
        if (!new_name.empty()) {
            tk_log(1, L"new_name=%ls", new_name.c_str());
            column.name = new_name;
        }
        if (vartype != VT_NULL)
            column.vartype = vartype;
        column.native_type = get_native_type_as_string();
        tk_log(1, L"\tf.native_type=%ls", column.native_type.c_str());
        column.size = static_cast<std::int32_t>(type.length);
        tk_log(1, "\tf.size=%d", column.size);
        tk_log(1, "\told dw_reserved=%d, new dw_reserved=%d", static_cast<int>(column.dw_reserved),
               static_cast<int>(subtype));
        column.dw_reserved = subtype;
        column.default_value = type.default_value;
        if (type.prec != 0 || type.scale != 0) {
            tk_log(1, "Setting new prec/scale: (%d,%d)", static_cast<int>(type.prec), static_cast<int>(type.scale));
            column.precision = static_cast<std::int32_t>(type.prec);
            column.scale = static_cast<std::int32_t>(type.scale);
        }
    }

    // Renames the value and converts it to the rule's type. A value the type
    // cannot hold raises tk_exception (level 0).
    void modify2(udb_field& field) const
    {
        tk_log(2, "udb_field_mutator::modify2");
        field.name = new_name;
        if (vartype != VT_NULL) {
            try {
                field.change_type(vartype);
            } catch (const ole_cast_exception&) {
                throw tk_exception("Data conversion is not supported for given type mapping", 0);
            }
        }
        field.size = static_cast<std::uint32_t>(type.length);
    }

    // A destination field holding the value under this rule.
    std::unique_ptr<Field> create_field(const udb_field& field) const
    {
        tk_log(2, "udb_field_mutator::create1");
        auto copy = std::make_unique<Field>(field);
        modify2(*copy);
        return copy;
    }

    std::wstring new_name;
    // VT_NULL keeps the column's own type.
    VARTYPE vartype = VT_NULL;
    std::uint32_t subtype = 0;
    NativeType type;
    std::uint32_t status;

protected:
    // The destination type text with its length, precision or scale.
    virtual std::wstring get_native_type_as_string() const = 0;
};
