#include "platform/worker_thread.h"

#include <utility>

namespace platform {

namespace {
thread_local std::stop_token current_stop_token;
}

worker_thread::worker_thread(std::function<void()> body)
    : m_thread([this, body = std::move(body)](std::stop_token token) {
          current_stop_token = std::move(token);
          body();
          {
              std::lock_guard<std::mutex> lock(m_mutex);
              m_ended = true;
          }
          m_ended_changed.notify_all();
      })
{}

worker_thread::~worker_thread()
{
    m_thread.request_stop();
    m_thread.join();
}

bool worker_thread::wait_for(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_ended_changed.wait_for(lock, timeout, [this] { return m_ended; });
}

void worker_thread::request_stop()
{
    m_thread.request_stop();
}

bool stop_requested()
{
    return current_stop_token.stop_requested();
}

void sleep_unless_stopped(std::chrono::milliseconds duration)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, current_stop_token, duration, [] { return false; });
}

}  // namespace platform
