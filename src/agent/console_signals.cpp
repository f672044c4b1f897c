#include "agent/console_signals.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"

#include <cstdlib>
#include <pthread.h>
#include <unistd.h>

namespace {

const char* signal_name(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "SIGHUP";
    }
}

}  // namespace

console_signals::console_signals(convertor_front_end& converter) : m_converter(converter)
{
    sigemptyset(&m_signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&m_signals, signal);
    pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
    m_thread = std::thread([this] { wait(); });
}

console_signals::~console_signals()
{
    m_ending.store(true, std::memory_order_release);
    pthread_kill(m_thread.native_handle(), SIGTERM);
    m_thread.join();
}

// A thread of its own rather than a handler: it may log and ask the run to
// stop, which no handler may do safely while the run's threads write.
void console_signals::wait()
{
    bool stopping = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&m_signals, &signal) != 0)
            continue;
        if (m_ending.load(std::memory_order_acquire))
            return;
        if (!stopping) {
            stopping = true;
            tk_log(3, "Got %s: the conversion stops at its next record", signal_name(signal));
            m_converter.request_stop();
            continue;
        }
        remove_unfinished_scripts();
        tk_log(3, "Got %s again: the unfinished script was removed and the program ends at once", signal_name(signal));
        static const char text[] = "Ended at once by a second signal; the unfinished script was removed.\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, sizeof text - 1);
        std::_Exit(-1);
    }
}
