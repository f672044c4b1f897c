// The owner of one COM interface reference: released when the holder goes
// away, refused when used empty. Move-only, so that a reference is released
// exactly once.
#pragma once

#include "platform/automation/unknown.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <utility>

template <class T>
class ole_com_ptr {
public:
    ole_com_ptr() = default;
    // Takes over a reference the caller already holds.
    explicit ole_com_ptr(T* pointer) : m_pointer(pointer) {}
    ole_com_ptr(ole_com_ptr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ole_com_ptr& operator=(ole_com_ptr&& other) noexcept
    {
        if (this != &other) {
            release();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    ole_com_ptr(const ole_com_ptr&) = delete;
    ole_com_ptr& operator=(const ole_com_ptr&) = delete;

    virtual ~ole_com_ptr() { release(); }

    T* operator->() const
    {
        if (m_pointer == nullptr)
            throw tk_mail_assertion("..\\OLE/ole_ptr", 94);
        return m_pointer;
    }

    T* get() const { return m_pointer; }
    bool is_empty() const { return m_pointer == nullptr; }

    // For a call that hands out a new reference (CoCreateInstance,
    // QueryInterface): releases what is held and gives the slot to fill.
    T** get_address()
    {
        release();
        return &m_pointer;
    }
    void** get_void_address() { return reinterpret_cast<void**>(get_address()); }

    void release()
    {
        if (m_pointer == nullptr)
            return;
        const ULONG left = std::exchange(m_pointer, nullptr)->Release();
        tk_log(1, "ole_com_ptr<T>::~ole_com_ptr() - %d refs left", static_cast<int>(left));
    }

private:
    T* m_pointer = nullptr;
};
