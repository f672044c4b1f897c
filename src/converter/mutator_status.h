// What a column rule does with its column: converts it changed, leaves it
// out, or adds it. The front ends' column editor writes the first two.
#pragma once

#include <cstdint>

namespace udb_mutators {
enum status : std::uint32_t { changed = 1, deleted = 2, created = 3 };
}
