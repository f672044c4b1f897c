#include "converter/error_messages.h"

#include "toolkit/tk_support_address.h"

#include <iterator>

const tk_error_map_row oledb_error_messages[] = {
    {0x80E03, "Given values violate the database schema."},
    {0x80E07, "Literal value could not be converted to the correct type.Contact to " TK_SUPPORT_MAIL_ADDRESS
              " for the solution."},
    {0x80E09, "You are not allowed to access MS SQL database. Ask your\nsystem administrator to grant "
              "you necessary privileges."},
    {0x80E11, "Invalid column ID. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution."},
    {0x80E13, "Invalid value. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution."},
    {0x80E17, "Data source with the specified name already exists."},
    {0x80E1D, "Requested conversion is not supported."},
    {0x80E21, "Errors occurred. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution."},
    {0x80E2F, "The specified record violates the integrity constraints.\nSee 'Troubleshooting' "
              "article of the product documentation\nfor solution."},
    {0x80E30, "The given type name is unrecognized."},
    {0x80E34, "The specified index already exists."},
    {0x80E35, "The specified index does not exist."},
    {0x80E37, "The specified table does not exist."},
    {0x80E3A, "The specified precision is invalid."},
    {0x80E3B, "The specified scale is invalid."},
    {0x80E3C, "Invalid table ID. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution."},
    {0x80E3D, "The specified type is invalid."},
    {0x80E3E, "The column ID is occurred more than once in the specification."},
    {0x80E3F, "The specified table already exists. Try to connect as database owner\nusing the "
              "appropriate checkbox on 'Connect to MS SQL server' wizard page."},
    {0x80E42, "The specified record number is invalid."},
    {0x80E4D, "Invalid user name or password."},
    {0x80E55, "The specified column did not exist."},
    {0x80E57,
     "Literal value overflowed the range of the type of the associated column.\nContact to " TK_SUPPORT_MAIL_ADDRESS
     " for the solution."},
    {0x80E65, "The supplied columnID is invalid."},
    {0x80E72, "The index ID is invalid. Contact to " TK_SUPPORT_MAIL_ADDRESS "\nfor the solution."},
    {0x80EC1, "One or more column types are incompatible; conversion errors will\noccur during copying."},
    {0x80EDA, "Errors occurred. Contact to " TK_SUPPORT_MAIL_ADDRESS " for the solution."},
};
const std::uint32_t oledb_error_message_count = std::size(oledb_error_messages);

namespace {

const char* const cannot_connect =
    "Cannot connect to the MySQL server. Check to verify that MySQL server\nis launched and the "
    "correct host/port values were given.";
const char* const protocol_not_supported =
    "The program does not support authentication protocol requested by server.\nSee "
    "'Troubleshooting' article of the product documentation.";

}  // namespace

const tk_error_map_row mysql_error_messages[] = {
    {0x400414, "Access denied. Ask your system administrator to grant you\nthe necessary privileges "
               "to write into the database."},
    {0x400415, "Access denied. Verify the user name and password are correct, and you have\nthe "
               "necessary privileges to connect to the target MySQL server."},
    {0x400426, "Duplicate field values being used for an unique index were found.\nSee "
               "'Troubleshooting' article of the product documentation\nfor solution."},
    {0x40042F, "Primary key in the original database is too long.\nRestart the program with \"Skip "
               "converting indexes\"\ncheckbox selected in order to resolve the conflict.\n"},
    {0x40046A, "You are not allowed to connect to the destination MySQL server.\nAsk your system "
               "administrator to grant you necessary privileges\nto create new databases on target "
               "MySQL server."},
    {0x40041B, "Failed to overwrite MySQL database. It is being used by\nanother application. "
               "Specify a different destination name."},
    {0x4007D3, cannot_connect},
    {0x4007D5, cannot_connect},
    // 2002 is what the client library reports for a refused TCP connection.
    {0x4007D2, cannot_connect},
    // Both come from a connection that broke during the run: the server went
    // away or restarted, or a value was too big for its max packet size.
    {0x4007D6, "The connection to the MySQL server was lost (MySQL server has gone away).\nCheck that the "
               "server is running; if a large value was being sent, increase MySQL max\npacket size. Then run "
               "the conversion again."},
    {0x4007DD, "The connection to the MySQL server was lost during the conversion.\nCheck that the server is "
               "running and reachable, then run the conversion again."},
    {0x4004E1, protocol_not_supported},
    {0x4004E2, protocol_not_supported},
    {0x4004E3, protocol_not_supported},
};
const std::uint32_t mysql_error_message_count = std::size(mysql_error_messages);
