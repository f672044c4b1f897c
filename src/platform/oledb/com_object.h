// Reference counting and interface look-up for the objects of this layer.
#pragma once

#include "platform/automation/unknown.h"

#include <atomic>
#include <utility>

namespace oledb {

// Derived supplies `IUnknown* interface_for(REFIID)`: the base subobject that
// answers the interface, or null.
template <typename Derived, typename... Interfaces>
class com_object : public Interfaces... {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        IUnknown* found = static_cast<Derived*>(this)->interface_for(riid);
        *object = found;
        if (!found)
            return E_NOINTERFACE;
        found->AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        const ULONG left = --references_;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    com_object() = default;
    virtual ~com_object() = default;

private:
    std::atomic<ULONG> references_{1};
};

// An interface reference held by this layer; the reference it was given is
// its own.
template <typename T>
class com_ref {
public:
    com_ref() = default;
    explicit com_ref(T* owned) : p_(owned) {}
    ~com_ref()
    {
        if (p_)
            p_->Release();
    }
    com_ref(com_ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ref& operator=(com_ref&& other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    com_ref(const com_ref&) = delete;
    com_ref& operator=(const com_ref&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// Answers `riid` on a new object and drops the creation reference.
template <typename T>
HRESULT hand_out(T* created, REFIID riid, IUnknown** out)
{
    const HRESULT hr = created->QueryInterface(riid, reinterpret_cast<void**>(out));
    created->Release();
    return hr;
}

}  // namespace oledb
