// SIGINT, SIGTERM and SIGHUP do not end corvath where it stands: they stop
// the run at its next table or record, so that it removes its unfinished
// script, leaves an earlier one as it was, says what it carried across and
// exits with -1. A second signal, for a run held up by a server that does not
// answer, removes the unfinished script and ends the process at once.
#pragma once

#include <atomic>
#include <signal.h>
#include <thread>

class convertor_front_end;

class console_signals {
public:
    // Blocks the signals in the calling thread, and so in every thread it
    // starts later, and waits for them on a thread of its own.
    explicit console_signals(convertor_front_end& converter);
    ~console_signals();
    console_signals(const console_signals&) = delete;
    console_signals& operator=(const console_signals&) = delete;

private:
    void wait();

    convertor_front_end& m_converter;
    sigset_t m_signals;
    std::atomic<bool> m_ending = false;
    std::thread m_thread;  // last: started once the members above exist
};
