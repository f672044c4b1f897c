// A value too long to go whole in one parameter, gathered on the server a
// part at a time in a temporary table of the session: FreeTDS holds every
// slice of a parameter until its statement runs, so a 64 MiB text sent by
// data-at-exec would sit in the client twice more (as UTF-16). Each part is
// one statement; the row's INSERT then reads the gathered value from the
// table, so the client never holds more than a part.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_bulk_copy.h"

#include <cstdint>
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
    std::wstring value_of(int number) const;
    // An expression that reads the value gathered under `number`, in place
    // of a parameter marker.
    std::wstring reading_of(int number) const;
    // Raises db_error naming the value when the server does not hold every
    // byte of a binary value gathered since the last clear() (a server that
    // adds bytes as numbers instead of joining them would hold a few);
    // `columns` names the values by number, from 1.
    void check_whole(const std::vector<db_column>& columns) const;
    // The FROM and WHERE clauses that read the values gathered since the
    // last clear() as one row. A binary value counts only when the server
    // holds all its bytes (a server that adds bytes as numbers instead of
    // joining them would hold a few): else the clauses read no row.
    std::wstring source() const;

private:
    struct gathered_value {
        int number;
        bool binary;
        std::uint64_t bytes;
    };

    // The column of the table that holds the value gathered under `number`.
    const wchar_t* column_of(int number) const;
    void send_part(int number, bool binary, bool first, const std::vector<unsigned char>& part);

    SQLHDBC dbc_;
    const value_parts_dialect& dialect_;
    std::wstring source_;
    std::vector<gathered_value> gathered_;
};

}  // namespace oledb::odbc
