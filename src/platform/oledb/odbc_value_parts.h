// A value too long to go whole in one parameter, gathered on the server a
// part at a time in a temporary table of the session: FreeTDS holds every
// slice of a parameter until its statement runs, so a 64 MiB text sent by
// data-at-exec would sit in the client twice more (as UTF-16). Each part is
// one statement; the row's INSERT then reads the gathered value from the
// table, so the client never holds more than a part.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_bulk_copy.h"

#include <sql.h>
#include <string>
#include <vector>

namespace oledb::odbc {

class value_parts {
public:
    value_parts(SQLHDBC dbc, const value_parts_dialect& dialect, std::wstring source);

    // Makes the table where the session has none, and empties it.
    void clear();
    // Gathers `stream`, a value of `column`, under `number`.
    void gather(int number, const db_stream& stream, const db_column& column);

    // What a SELECT reads for the value gathered under `number`.
    static std::wstring gathered(int number, bool binary);
    // The FROM and WHERE clauses that make the values gathered under
    // `numbers` readable together, as one row.
    std::wstring source_of(const std::vector<int>& numbers) const;

private:
    void send_part(int number, bool binary, bool first, const std::vector<unsigned char>& part);

    SQLHDBC dbc_;
    const value_parts_dialect& dialect_;
    std::wstring source_;
};

}  // namespace oledb::odbc
