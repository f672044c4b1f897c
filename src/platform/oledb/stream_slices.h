// A stream value of a bulk-load row, handed on in slices as it is read, so
// that it is never held whole: bytes as they are, text as UTF-16.
#pragma once

#include "platform/oledb/db_backend.h"

#include <cstddef>
#include <functional>

namespace oledb {

// Reads `stream`, a value of `column` in the form its stream holds, to its
// end and gives it to `put` a slice at a time: a text slice ends on a whole
// character, so that no surrogate pair or UTF-8 sequence is cut. `put` is
// called at least once, with no bytes for an empty value.
void send_in_slices(const db_stream& stream, const db_column& column,
                    const std::function<void(const void* data, std::size_t bytes)>& put);

}  // namespace oledb
