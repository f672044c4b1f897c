// A COM object for tests: counts its references, answers IUnknown and one
// test interface, and keeps a count of living objects.
#pragma once

#include "platform/automation/unknown.h"

inline constexpr IID test_interface{0x87654321, 0x4321, 0x8765, {8, 7, 6, 5, 4, 3, 2, 1}};

class counted_object : public IUnknown {
public:
    explicit counted_object(int* alive) : alive_(alive) { ++*alive_; }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid != IID_IUnknown && riid != test_interface) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ~counted_object() override { --*alive_; }

    int* alive_;
    ULONG references_ = 0;
};
