// A SQL Server address as users write it: host, host,port or host\instance.
#pragma once

#include <optional>
#include <string>

namespace oledb {

struct server_address {
    std::wstring host;
    std::wstring port;      // decimal digits; empty when the address names none
    std::wstring instance;  // empty when the address names none
};

// The parts of an address, or nullopt when it has none of the three forms:
// an empty host or instance, a port that is not a number from 1 to 65535, or
// host:port, which SQL Server clients do not read as a port.
std::optional<server_address> parse_server_address(const std::wstring& address);

}  // namespace oledb
