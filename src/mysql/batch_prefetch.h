// Fetches the rows of a stream on a worker thread, a few batches ahead of the
// caller, who converts and writes them meanwhile: the server keeps sending
// while rows are converted.
//
// Who runs what: the worker, started with the first stream and kept for the
// next ones, calls sql_limited_query::fetch_to into the free batches of a
// ring of four; the caller (the run's thread, through sql_recordset) takes
// the oldest fetched batch, types its rows into records and releases it.
// The stream, and with it the MySQL connection, belongs to the worker from
// start() until cancel(): the caller sends nothing on that connection in
// between. Only plain row bytes are handed over, copied out of the client
// library; a large row stays in the library's buffer, so the worker fetches
// no further until that batch is released. A batch without rows ends the
// stream. cancel() waits for a fetch under way and drops what was fetched;
// the destructor also ends and joins the worker. What a fetch raises is kept
// with its batch, and take() raises it on the caller's thread in its turn,
// after the rows fetched before it. sql_recordset starts the worker only
// while no trace lines are logged, so the log keeps its order.
#pragma once

#include "mysql/row_batch.h"
#include "mysql/sql_limited_query.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

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
