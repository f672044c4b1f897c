// One SQL statement run on an OLE DB session.
#pragma once

#include "platform/oledb/oledb.h"
#include "variant/ole_com_ptr.h"

#include <string>

class odb_command {
public:
    // On a session of a database (a reference is taken on it).
    explicit odb_command(IOpenRowset* session);
    // On a new session of an initialised data source (any of its interfaces).
    explicit odb_command(IUnknown* data_source);
    ~odb_command();
    odb_command(const odb_command&) = delete;
    odb_command& operator=(const odb_command&) = delete;

    // `result` receives the rowset (null when the statement returns none);
    // a null address asks for no rowset.
    void execute(const std::wstring& statement, IRowset** result);

private:
    void create_command();

    ole_com_ptr<IOpenRowset> session;
    ole_com_ptr<ICommandText> command_text;
};
