// One worker thread running one functor, while the window thread keeps the user
// interface alive. The owner learns that the work is done from its own state.
#pragma once

#include "platform/worker_thread.h"

#include <memory>

// The base of every task object run on a worker thread.
class tk_thread_functor {
public:
    virtual ~tk_thread_functor();
    // Default: calls idle until is_done, then finish.
    virtual void operator()();
    virtual bool is_done();
    // Default: sleeps 100 ms, less when the thread is asked to stop.
    virtual void idle();
    virtual void finish();

protected:
    // Whether the thread running the functor was asked to stop; long tasks check
    // it between units of work (records) and return.
    static bool stop_requested();
};

class tk_thread {
public:
    explicit tk_thread(bool owns_functor);
    // A thread still running after a short wait is asked to stop and joined;
    // no thread is ever killed.
    virtual ~tk_thread();
    tk_thread(const tk_thread&) = delete;
    tk_thread& operator=(const tk_thread&) = delete;

    // Runs the functor from create_functor on a new thread. Starting while the
    // thread runs is an internal error.
    void start();
    // The thread exists and has not ended within 10 ms.
    bool is_running();
    // Asks a running functor to stop at its next unit of work; returns at once.
    void request_stop();
    // Asks a functor still running to stop and waits until its thread has
    // ended; nothing happens when none was started.
    void join();

protected:
    // Default: a new tk_thread_functor, owned by the thread object.
    virtual tk_thread_functor* create_functor();

private:
    void clean_up();

    std::unique_ptr<platform::worker_thread> m_thread;
    bool m_owns_functor;
    tk_thread_functor* m_functor = nullptr;
};
