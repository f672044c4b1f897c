// The clipboard, where the error dialogs copy their texts.
#pragma once

#include <string>

// Puts the text on the clipboard as Unicode text; a clipboard that cannot be
// opened only leaves a log line.
void tk_copy_to_clipboard2(const std::wstring& text);
