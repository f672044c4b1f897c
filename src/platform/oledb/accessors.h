// Accessors and column information shared by the rowsets of this layer.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/oledb.h"
#include "platform/oledb/row_buffer.h"

#include <functional>
#include <map>
#include <vector>

namespace oledb {

class accessor_set {
public:
    // Tells whether a binding of a column's type to a buffer type works.
    using conversion_test = std::function<bool(const db_column& column, DBTYPE bound)>;

    // `kind` is DBACCESSOR_ROWDATA for the columns of a rowset,
    // DBACCESSOR_PARAMETERDATA for the parameters of a command.
    accessor_set(const std::vector<db_column>& columns, conversion_test test,
                 DBACCESSORFLAGS kind = DBACCESSOR_ROWDATA);
    HRESULT create(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[], HACCESSOR* handle,
                   DBBINDSTATUS statuses[]);
    HRESULT release(HACCESSOR handle, DBREFCOUNT* references);
    // Null for an unknown handle.
    const std::vector<DBBINDING>* find(HACCESSOR handle) const;

private:
    const std::vector<db_column>& columns_;
    conversion_test test_;
    DBACCESSORFLAGS kind_;
    std::map<HACCESSOR, std::vector<DBBINDING>> accessors_;
    HACCESSOR next_ = 1;
};

HRESULT copy_column_info(const std::vector<db_column>& columns, DBORDINAL* count, DBCOLUMNINFO** info,
                         OLECHAR** strings);

}  // namespace oledb
