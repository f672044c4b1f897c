// Connection strings: ODBC's, which this layer writes, and OLE DB's
// initialization strings, which it reads.
#pragma once

#include <map>
#include <string>

namespace oledb {

// An ODBC attribute value as it goes into a connection string: in braces,
// a closing brace doubled, whenever it holds a character that could end the
// value or start another keyword (or blanks that a driver would trim); other
// values stand bare, since some drivers take braces literally.
std::wstring odbc_quote(const std::wstring& value);

// Keys of an OLE DB initialization string, lower-cased, with their values.
// Values may stand in double or single quotes, a doubled quote inside.
// Throws std::invalid_argument on a malformed string.
std::map<std::wstring, std::wstring> parse_initialization_string(const std::wstring& text);

}  // namespace oledb
