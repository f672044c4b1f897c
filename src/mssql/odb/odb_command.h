// One SQL statement run on an OLE DB session, with or without parameters.
#pragma once

#include "platform/oledb/oledb.h"
#include "variant/ole_com_ptr.h"

#include <cstdint>
#include <string>
#include <vector>

// The value of one parameter marker (`?`) of a statement, given as a stream
// that the provider reads once: text as wchar_t characters, or bytes. A long
// value thus never becomes part of the statement's text, nor a copy of its own.
struct odb_parameter {
    ole_com_ptr<ISequentialStream> stream;
    std::uint64_t length = 0;  // the bytes the stream gives
    bool binary = false;
    std::wstring name;  // the column it goes to, for the provider's errors
};

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
    // Runs a statement that returns no rowset with a value for each of its
    // markers, in the order of the markers.
    void execute(const std::wstring& statement, const std::vector<odb_parameter>& parameters);

private:
    void create_command();

    ole_com_ptr<IOpenRowset> session;
    ole_com_ptr<ICommandText> command_text;
};
