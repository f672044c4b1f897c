// Fetches the rows of a stream on a worker thread, a few batches ahead of the
// caller, who converts and writes them meanwhile: the server keeps sending
// while rows are converted. Only plain row bytes pass between the threads.
// The stream belongs to the worker from start() until cancel().
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

#include "mysql/row_batch.h"
#include "mysql/sql_limited_query.h"

class sql_batch_prefetch {
public:
    sql_batch_prefetch() = default;
    // Stops the worker; rows fetched and not taken are dropped.
    ~sql_batch_prefetch();
    sql_batch_prefetch(const sql_batch_prefetch&) = delete;
    sql_batch_prefetch& operator=(const sql_batch_prefetch&) = delete;

    // Starts fetching the stream's rows ahead (sql_limited_query::fetch_to).
    void start(sql_limited_query& stream);
    bool is_started() const { return m_started; }
    // Waits for the next fetched rows, or raises what fetching them raised.
    // No rows at the end of the stream. The rows stay the caller's until
    // release(); a large row stops the worker until then, as it lies in the
    // stream's own buffer.
    sql_row_batch& take();
    void release();
    // Stops the worker after its current fetch and drops what it fetched.
    void cancel();

private:
    static constexpr std::size_t depth = 4;

    void run();
    bool may_fetch() const;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_fetching = false;  // the worker is in the stream
    bool m_ended = false;     // the worker fetched the end of the stream, or failed
    bool m_stopping = false;
    sql_limited_query* m_stream = nullptr;
    // A ring of batches: m_ready fetched ones from m_first on, the first of
    // them taken while m_taken.
    std::array<sql_row_batch, depth> m_batches;
    std::array<std::exception_ptr, depth> m_errors;
    std::size_t m_first = 0;
    std::size_t m_ready = 0;
    bool m_taken = false;
    std::thread m_thread;  // started with the first stream
};
