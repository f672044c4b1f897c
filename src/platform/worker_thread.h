// A worker thread (CreateThread and the waits on its handle). No thread is ever
// killed: stopping one asks its body to return, through a flag the body checks
// between units of work, and then joins it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class worker_thread {
public:
    // Starts the body at once.
    explicit worker_thread(std::function<void()> body);
    // Asks the body to stop and waits until it has returned.
    ~worker_thread();
    worker_thread(const worker_thread&) = delete;
    worker_thread& operator=(const worker_thread&) = delete;

    // True when the body has returned within the time.
    bool wait_for(std::chrono::milliseconds timeout);
    void request_stop();

private:
    std::mutex m_mutex;
    std::condition_variable m_ended_changed;
    bool m_ended = false;
    std::jthread m_thread;  // last: joined before the members above go
};

// Whether the worker thread that calls it was asked to stop; false on any
// thread not started by a worker_thread.
bool stop_requested();

// Sleeps for the time, or less when the calling worker thread is asked to stop.
void sleep_unless_stopped(std::chrono::milliseconds duration);

}  // namespace platform
