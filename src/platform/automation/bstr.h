// BSTR: a wide text that knows its own length (it may hold zero characters)
// and ends with a zero character after that length.
#pragma once

#include "platform/automation/com_types.h"

using OLECHAR = wchar_t;
using BSTR = OLECHAR*;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// Copies the text up to its first zero character; null gives null.
BSTR SysAllocString(LPCOLESTR text);
// Copies length characters, zeros included; a null text gives length zero characters.
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
// Length in characters; 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
void SysFreeString(BSTR text);
