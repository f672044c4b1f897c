// Small helpers for tests that talk to the OLE DB objects directly.
#pragma once

#include "platform/oledb/com_object.h"
#include "platform/oledb/oledb.h"
#include "platform/oledb/row_buffer.h"

#include <optional>
#include <string>
#include <vector>

namespace oledb_test {

using oledb::com_ref;
using text_row = std::vector<std::optional<std::wstring>>;

// An initialised data source of a provider class, or the failing result.
struct opened_source {
    HRESULT hr;
    com_ref<IDBInitialize> source;
};
opened_source open_source(REFCLSID clsid, const std::wstring& server, const std::wstring& user,
                          const std::wstring& password, const std::wstring& database);

com_ref<IOpenRowset> new_session(IDBInitialize* source);
com_ref<ICommandText> new_command(IOpenRowset* session);

// Runs a statement; the rowset is null when it returned none.
HRESULT execute(ICommandText* command, const std::wstring& statement, com_ref<IRowset>& rowset);
// Runs a statement asking for no rowset.
HRESULT execute_only(ICommandText* command, const std::wstring& statement);
com_ref<IRowset> query(IOpenRowset* session, const std::wstring& statement);
void run(IOpenRowset* session, const std::wstring& statement);

std::vector<std::wstring> column_names(IUnknown* rowset);
// Every row, each column bound as wide text.
std::vector<text_row> read_all(IRowset* rowset);

// The thread's current error records: description, SQL state, native error.
struct error_record {
    HRESULT hr;
    std::wstring description;
    std::wstring sql_state;
    LONG native_error;
    DWORD minor;
};
std::vector<error_record> current_error_records();

DBPROP bool_property(DBPROPID id, bool on);
// Sets the data source's fast-load property; its status comes back too.
HRESULT enable_fast_load(IDBInitialize* source, DBPROPSTATUS* status = nullptr);

// A VARIANT holding a copy of the text.
VARIANT text_variant(const std::wstring& text);

}  // namespace oledb_test
