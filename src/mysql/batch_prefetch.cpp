#include "mysql/batch_prefetch.h"

#include <utility>

sql_batch_prefetch::~sql_batch_prefetch()
{
    cancel();
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void sql_batch_prefetch::start(sql_limited_query& stream)
{
    cancel();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stream = &stream;
        m_ended = false;
        m_started = true;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_changed.notify_all();
}

sql_row_batch& sql_batch_prefetch::take()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready > 0; });
    m_taken = true;
    if (m_errors[m_first]) {
        std::exception_ptr error = std::exchange(m_errors[m_first], nullptr);
        lock.unlock();
        release();
        std::rethrow_exception(error);
    }
    return m_batches[m_first];
}

void sql_batch_prefetch::release()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_taken)
            return;
        m_taken = false;
        m_first = (m_first + 1) % depth;
        --m_ready;
    }
    m_changed.notify_all();
}

void sql_batch_prefetch::cancel()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_started)
        return;
    m_started = false;
    m_changed.wait(lock, [this] { return !m_fetching; });
    m_stream = nullptr;
    for (std::exception_ptr& error : m_errors)
        error = nullptr;
    m_first = 0;
    m_ready = 0;
    m_taken = false;
}

// Whether the worker may fetch more rows: a started stream not at its end, a
// free batch, and no large row waiting in the stream's buffer.
bool sql_batch_prefetch::may_fetch() const
{
    if (!m_started || m_ended || m_ready == depth)
        return false;
    return m_ready == 0 || !m_batches[(m_first + m_ready - 1) % depth].holds_large_row();
}

void sql_batch_prefetch::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || may_fetch(); });
        if (m_stopping)
            return;
        const std::size_t slot = (m_first + m_ready) % depth;
        sql_limited_query& stream = *m_stream;
        m_fetching = true;
        lock.unlock();
        std::exception_ptr error;
        try {
            stream.fetch_to(m_batches[slot]);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_fetching = false;
        if (m_started) {
            m_errors[slot] = error;
            m_ended = error != nullptr || m_batches[slot].size() == 0;
            ++m_ready;
        }
        m_changed.notify_all();
    }
}
