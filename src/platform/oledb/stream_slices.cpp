#include "platform/oledb/stream_slices.h"

#include "platform/code_page.h"
#include "platform/oledb/utf16.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace oledb {

namespace {

constexpr std::size_t slice = 256 << 10;

}  // namespace

void send_in_slices(const db_stream& stream, const db_column& column,
                    const std::function<void(const void* data, std::size_t bytes)>& put)
{
    const bool binary = is_binary_column(column);
    const bool narrow = column.type == DBTYPE_STR;
    std::vector<unsigned char> in(slice);
    std::size_t held = 0;
    std::wstring characters;
    odbc_string wide;
    bool sent = false;
    for (;;) {
        const std::size_t read = stream.read(in.data() + held, slice - held);
        held += read;
        // At the end, what is left of an incomplete character goes as the
        // whole value would (a replacement character, or nothing of a part
        // of a wide character).
        std::size_t whole = held;
        if (!binary && read != 0)
            whole = narrow ? whole_utf8_length(std::string_view(reinterpret_cast<const char*>(in.data()), held))
                           : held - held % sizeof(wchar_t);
        if (whole != 0 || (read == 0 && !sent)) {
            if (binary) {
                put(in.data(), whole);
            } else {
                if (narrow)
                    MultiByteToWideChar(CP_UTF8, std::string_view(reinterpret_cast<const char*>(in.data()), whole),
                                        characters);
                else
                    characters.assign(reinterpret_cast<const wchar_t*>(in.data()), whole / sizeof(wchar_t));
                wide = to_utf16(characters);
                put(wide.data(), wide.size() * sizeof(odbc_char));
            }
            sent = true;
        }
        std::memmove(in.data(), in.data() + whole, held - whole);
        held -= whole;
        if (read == 0)
            return;
    }
}

}  // namespace oledb
