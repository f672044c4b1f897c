// A SQL Server address as users write it: host, host,port or host\instance.
// An empty address, and the names SQL Server users give the server on their
// own machine (".", "(local)", "localhost"), mean that server.
#pragma once

#include "platform/oledb/db_backend.h"

#include <optional>
#include <string>

namespace oledb {

struct server_address {
    std::wstring host;
    std::wstring port;      // decimal digits; empty when the address names none
    std::wstring instance;  // empty when the address names none
};

// The address of the server on this machine.
inline constexpr const wchar_t* local_server_host = L"127.0.0.1";

// The parts of an address, the local names as local_server_host, or nullopt
// when it has none of the three forms: an empty host beside a port or an
// instance, an empty instance, a port that is not a number from 1 to 65535,
// or host:port, which SQL Server clients do not read as a port.
std::optional<server_address> parse_server_address(const std::wstring& address);

// The parts of an address that the driver will be given; an address of none
// of the three forms raises db_error from the driver, naming the address.
server_address usable_server_address(const std::wstring& driver, const std::wstring& address);

}  // namespace oledb
