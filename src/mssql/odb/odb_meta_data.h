// Recordsets over the provider's schema rowsets: tables, primary keys,
// indexes and foreign keys, with every column in the provider's order.
#pragma once

#include "mssql/odb/odb_recordset.h"

#include <array>
#include <cstddef>

template <std::size_t N>
class odb_meta_data : public odb_recordset {
public:
    // `session`: any interface of the session.
    explicit odb_meta_data(IUnknown* session);
    ~odb_meta_data() override;

protected:
    void set_restriction(std::size_t index, const std::wstring& text);
    void internal_initialize(REFGUID schema);

    // VT_EMPTY: no restriction.
    std::array<VARIANT, N> restrictions;
    ole_com_ptr<IDBSchemaRowset> schema_interface;
};

// The primary key of a table.
class odb_pk_meta_data : public odb_meta_data<3> {
public:
    odb_pk_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name);
    ~odb_pk_meta_data() override;
};

// The base tables of a schema, or of every schema when the name is empty.
class odb_tl_meta_data : public odb_meta_data<4> {
public:
    odb_tl_meta_data(IUnknown* session, const std::wstring& schema_name);
    ~odb_tl_meta_data() override;
};

// The indexes of a table.
class odb_id_meta_data : public odb_meta_data<5> {
public:
    odb_id_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name);
    ~odb_id_meta_data() override;
};

// The foreign keys that reference a table (it is their primary-key table).
class odb_fk_meta_data : public odb_meta_data<6> {
public:
    odb_fk_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name);
    ~odb_fk_meta_data() override;
};
