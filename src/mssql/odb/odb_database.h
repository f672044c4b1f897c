// The odb folder: the engine-neutral access to an OLE DB provider, with no
// knowledge of the conversion: a database over a session (this file),
// commands, rowsets read as recordsets of typed records, schema rowsets, and
// the accessors that bind a rowset's columns into a row buffer. Failures of
// OLE DB calls become odb_exception with the provider's error records. It
// includes the top of src/mssql and the layers below it; the direct path
// builds on it.
//
// This file: the OLE DB side of an opened database: statements and their
// rows, the statement test, dropping a table, and table creation through the
// provider's table definition.
#pragma once

#include "model/column_descriptor.h"
#include "model/database.h"
#include "model/index.h"
#include "model/schema.h"
#include "platform/oledb/oledb.h"
#include "platform/oledb/property_set.h"
#include "variant/ole_com_ptr.h"

class odb_database : public udb_database {
public:
    odb_database(const std::wstring& name, IDBInitialize* data_source, IOpenRowset* session, std::uint32_t mode);
    ~odb_database() override;

    // Always null: the table is created, no recordset is opened on it.
    udb_recordset* create_table(const std::wstring& table, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    bool delete_tab(const std::wstring& table) override;
    udb_recordset* query(const std::wstring& statement) override;
    bool test_query(const std::wstring& statement) override;

    // Adds the column's default value, as the provider takes it, to its
    // property set.
    void set_def_value(const t_ftd* column, oledb::property_set* properties);

protected:
    ole_com_ptr<IOpenRowset> session;
    ole_com_ptr<IDBInitialize> data_source;
};
