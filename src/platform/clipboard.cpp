#include "platform/clipboard.h"

#include "platform/last_error.h"

#include <utility>

namespace platform {

namespace {
clipboard_writer& installed_writer()
{
    static clipboard_writer writer;
    return writer;
}
}  // namespace

void set_clipboard_writer(clipboard_writer writer)
{
    installed_writer() = std::move(writer);
}

bool set_clipboard_text(const std::wstring& text)
{
    const clipboard_writer& writer = installed_writer();
    if (writer && writer(text))
        return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

}  // namespace platform
