// The clipboard (OpenClipboard, EmptyClipboard, SetClipboardData with Unicode
// text). The window system lives in the GUI program, which installs the writer;
// without one the clipboard cannot be opened.
#pragma once

#include <functional>
#include <string>

namespace platform {

using clipboard_writer = std::function<bool(const std::wstring& text)>;

// Installed once by the GUI before any worker thread starts.
void set_clipboard_writer(clipboard_writer writer);

// Replaces the clipboard's contents by the text; false with the last error
// ERROR_CLIPBOARD_NOT_OPEN when there is no clipboard or it refused the text.
bool set_clipboard_text(const std::wstring& text);

}  // namespace platform
