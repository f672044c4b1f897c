// The root COM interface: reference counting and interface look-up by id.
#pragma once

#include "platform/automation/guid.h"

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    // An object ends through its last Release, never by delete from outside.
    virtual ~IUnknown() = default;
};

// Automation objects: only released here, so it adds no operation of its own.
class IDispatch : public IUnknown {};

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
