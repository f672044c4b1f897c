// Gives a class one process-wide instance that any code can reach. The object
// itself is an ordinary member or local of the program's entry point; deriving
// from tk_singleton<T> only registers it while it lives.
#pragma once

#include "toolkit/tk_exception.h"

#include <atomic>

template <class T>
class tk_singleton {
public:
    // The first T constructed is the instance; later ones are not registered.
    tk_singleton()
    {
        tk_singleton* expected = nullptr;
        s_instance.compare_exchange_strong(expected, this, std::memory_order_acq_rel);
    }

    // Any T destroyed clears the registration, even one that was not registered.
    virtual ~tk_singleton() { s_instance.store(nullptr, std::memory_order_release); }

    tk_singleton(const tk_singleton&) = delete;
    tk_singleton& operator=(const tk_singleton&) = delete;

    static T& ref() { return registered(64); }
    static T& instance() { return registered(71); }

    // For code that may run while no T exists.
    static bool is_initialized() { return s_instance.load(std::memory_order_acquire) != nullptr; }

private:
    static T& registered(std::uint32_t assertion_line)
    {
        tk_singleton* instance = s_instance.load(std::memory_order_acquire);
        if (!instance)
            throw tk_mail_assertion("..\\TK/tk_singl", assertion_line);
        // The registration is the base part; T is complete by the time it is asked for.
        return *static_cast<T*>(instance);
    }

    static inline std::atomic<tk_singleton*> s_instance = nullptr;
};
