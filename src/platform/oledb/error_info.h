// Error objects of COM: the thread's current error object and its texts.
#pragma once

#include "platform/automation/bstr.h"
#include "platform/automation/unknown.h"

class IErrorInfo : public IUnknown {
public:
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
};

inline constexpr IID IID_IErrorInfo{0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// The calling thread's current error object. GetErrorInfo hands it over (the
// caller releases it) and clears it; S_FALSE and null when there is none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
// Makes `info` (possibly null) the thread's current error object.
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);

// Languages for error texts; every text here is English (1033).
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
