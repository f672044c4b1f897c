#include "toolkit/tk_clipboard.h"

#include "platform/clipboard.h"
#include "platform/last_error.h"
#include "toolkit/tk_log.h"

void tk_copy_to_clipboard2(const std::wstring& text)
{
    tk_log(2, L"tk_copy_to_clipboard2(%ls)", text.c_str());
    if (platform::set_clipboard_text(text))
        tk_log(2, "OpenClipboard succeeded");
    else
        tk_log(2, "GetLastError() returns %08X", GetLastError());
}
