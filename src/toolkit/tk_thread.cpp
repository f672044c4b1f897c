#include "toolkit/tk_thread.h"

#include "toolkit/tk_exception.h"

#include <chrono>

namespace {
constexpr std::chrono::milliseconds running_test_wait{10};
constexpr std::chrono::milliseconds idle_step{100};
}  // namespace

tk_thread_functor::~tk_thread_functor() = default;

void tk_thread_functor::operator()()
{
    while (!is_done() && !stop_requested())
        idle();
    finish();
}

bool tk_thread_functor::is_done()
{
    return false;
}

void tk_thread_functor::idle()
{
    platform::sleep_unless_stopped(idle_step);
}

void tk_thread_functor::finish() {}

bool tk_thread_functor::stop_requested()
{
    return platform::stop_requested();
}

tk_thread::tk_thread(bool owns_functor) : m_owns_functor(owns_functor) {}

tk_thread::~tk_thread()
{
    // Destroying the worker asks a still running functor to stop and joins it.
    if (is_running())
        m_thread.reset();
    clean_up();
}

bool tk_thread::is_running()
{
    return m_thread && !m_thread->wait_for(running_test_wait);
}

void tk_thread::request_stop()
{
    if (m_thread)
        m_thread->request_stop();
}

void tk_thread::join()
{
    m_thread.reset();
    clean_up();
}

void tk_thread::start()
{
    if (is_running())
        throw tk_mail_assertion("tk_threa", 92);
    clean_up();
    m_functor = create_functor();
    if (!m_functor)
        throw tk_mail_assertion("tk_threa", 105);
    tk_thread_functor* functor = m_functor;
    m_thread = std::make_unique<platform::worker_thread>([functor] { (*functor)(); });
}

tk_thread_functor* tk_thread::create_functor()
{
    m_owns_functor = true;
    return new tk_thread_functor;
}

void tk_thread::clean_up()
{
    if (is_running())
        throw tk_mail_assertion("tk_threa", 71);
    m_thread.reset();
    if (m_owns_functor)
        delete m_functor;
    m_functor = nullptr;
}
