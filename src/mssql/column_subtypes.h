// What the OLE DB layer writes into t_ftd::dw_reserved of a column it reads,
// for the code on every path that sizes or converts its values.
#pragma once

#include <cstdint>

// Subtypes written into t_ftd::dw_reserved.
inline constexpr std::uint32_t odb_subtype_date_time_or_guid = 1;
inline constexpr std::uint32_t odb_subtype_pure_date = 2;
inline constexpr std::uint32_t odb_subtype_pure_time = 3;
inline constexpr std::uint32_t odb_subtype_xml = 11;
