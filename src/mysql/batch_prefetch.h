// Reads the next batch of a row stream on a worker thread while the caller
// works through the current one, so that reading and converting rows overlap.
// One job at a time; the stream and the batch belong to the worker until
// finish() returns.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>

#include "model/schema.h"
#include "mysql/sql_limited_query.h"

class sql_batch_prefetch {
public:
    sql_batch_prefetch() = default;
    // Waits for a running job; its outcome is dropped.
    ~sql_batch_prefetch();
    sql_batch_prefetch(const sql_batch_prefetch&) = delete;
    sql_batch_prefetch& operator=(const sql_batch_prefetch&) = delete;

    // Starts filling the batch from the stream (sql_limited_query::store_to).
    void start(sql_limited_query& stream, sql_batch& batch, const udb_schema* schema);
    bool is_started() const { return m_started; }
    // Waits for the started job and gives its row count, or raises what it raised.
    std::size_t finish();
    // Waits for a started job, if any, and drops its outcome.
    void cancel();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;  // a job was handed over and not yet finished
    bool m_pending = false;  // the worker has yet to take the job
    bool m_done = false;
    bool m_stopping = false;
    sql_limited_query* m_stream = nullptr;
    sql_batch* m_batch = nullptr;
    const udb_schema* m_schema = nullptr;
    std::size_t m_rows = 0;
    std::exception_ptr m_error;
    std::thread m_thread;  // started with the first job
};
