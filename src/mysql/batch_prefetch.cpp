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

void sql_batch_prefetch::start(sql_limited_query& stream, sql_batch& batch, const udb_schema* schema)
{
    cancel();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stream = &stream;
        m_batch = &batch;
        m_schema = schema;
        m_rows = 0;
        m_error = nullptr;
        m_done = false;
        m_pending = true;
        m_started = true;
    }
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_changed.notify_all();
}

std::size_t sql_batch_prefetch::finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    m_started = false;
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
    return m_rows;
}

void sql_batch_prefetch::cancel()
{
    if (!m_started)
        return;
    try {
        finish();
    } catch (...) {
        // The stream it read is being given up.
    }
}

void sql_batch_prefetch::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_pending || m_stopping; });
        if (m_stopping)
            return;
        m_pending = false;
        sql_limited_query& stream = *m_stream;
        sql_batch& batch = *m_batch;
        const udb_schema* schema = m_schema;
        lock.unlock();
        std::size_t rows = 0;
        std::exception_ptr error;
        try {
            rows = stream.store_to(batch, schema);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_rows = rows;
        m_error = error;
        m_done = true;
        m_changed.notify_all();
    }
}
