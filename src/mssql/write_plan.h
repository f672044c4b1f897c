// What each column of a destination table makes of the values written into
// it, decided once for the script, the bulk load and the statements of the
// direct path alike: the room a text or a byte value has, and what a NULL
// becomes in a NOT NULL column. The writers encode what the plan decided;
// where they differ on purpose the plan names it.
#pragma once

#include "model/column_descriptor.h"
#include "variant/ole_variant.h"

#include <cstdint>
#include <string>
#include <vector>

class udb_field;
class udb_schema;

// Who described the table's columns: the run, which creates the table with
// the types the mapping writes for them, or the server, which holds it.
enum class mss_column_origin : std::uint8_t { created_by_run, described_by_server };

// What a NULL becomes in a column.
enum class mss_null_rule : std::uint8_t {
    null,  // the column takes NULL
    // `value`: the column's default, or else the zero of its kind: 0, an
    // empty text, no bytes, the zero date (the base date), the empty GUID.
    value,
    // A date-time function default such as getdate(), its text in `value`:
    // the bulk load leaves it to the column's default on the server, a
    // statement writes the function.
    server_function,
    // A default the column cannot hold, its text in `value`: the record is
    // refused, naming the column and the default.
    unheld,
};

struct mss_null_substitute {
    mss_null_rule rule = mss_null_rule::null;
    ole_variant value;
};

struct mss_column_plan {
    std::uint32_t text_room = 0;  // UTF-16 units; 0 holds any text
    std::uint32_t byte_room = 0;  // bytes; 0 holds any number of them
    mss_null_substitute null;

    bool has_room() const { return text_room != 0 || byte_room != 0; }
};

// What a NULL becomes in the column.
mss_null_substitute mss_null_substitute_of(const t_ftd& column);

mss_column_plan mss_plan_column(const t_ftd& column, mss_column_origin origin);
std::vector<mss_column_plan> mss_plan_table(const udb_schema& schema, mss_column_origin origin);

// Raises tk_exception (level 0) naming the column when the value needs more
// room than the plan gives it: a text counted in UTF-16 units, a binary
// value in bytes. A value is refused whole, never cut.
void mss_check_value_fits(const udb_field& field, const mss_column_plan& plan, const std::wstring& column);

// Whether a column with a rule's type is written as a uniqueidentifier.
bool mss_is_guid_rule_type(const std::wstring& native_type);

// Whether the column is written as a uniqueidentifier; inline, since the
// script asks it of every text.
inline bool mss_is_guid_column(const t_ftd& column)
{
    constexpr std::uint32_t subtype_guid = 1;
    if (!column.native_type.empty())
        return mss_is_guid_rule_type(column.native_type);
    return column.vartype == VT_BSTR && column.dw_reserved == subtype_guid;
}
