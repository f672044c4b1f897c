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
// Gives *text length characters copied from source, or, for a null source,
// its own first ones kept (the rest undefined) false when memory runs out,
// *text unchanged.
bool SysReAllocStringLen(BSTR* text, LPCOLESTR source, UINT length);
// Length in characters; 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
void SysFreeString(BSTR text);
