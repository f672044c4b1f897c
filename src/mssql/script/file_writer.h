// Writes bytes to an open file on a thread of its own, in the order given,
// so that the thread that produces them does not wait for the system's copy.
//
// Who runs what: the producer (the run's thread, through mss_script_file)
// gathers bytes into a buffer of 256 KiB and hands each full one over,
// waiting while four are queued or being written; the writer thread, started
// by the constructor, writes them in order and gives the emptied buffers
// back for reuse. A buffer handed over is the writer's; the descriptor stays
// the caller's. finish() hands over the last bytes, lets the thread write
// everything and joins it; abandon() and the destructor drop what waits and
// join after the write under way. A failed write is not raised on the
// writer thread: its errno is kept, nothing more is written, and every call
// that follows returns it, which mss_script_file turns into the error of
// its next write or of its commit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class mss_file_writer {
public:
    // The descriptor stays the caller's, open until finish or abandon returned.
    explicit mss_file_writer(int descriptor);
    // Abandons what is not written yet.
    ~mss_file_writer();
    mss_file_writer(const mss_file_writer&) = delete;
    mss_file_writer& operator=(const mss_file_writer&) = delete;

    // 0, or the errno of a write that failed before.
    int write(std::string_view bytes);
    // Writes everything given and ends the thread; 0 or the first errno.
    int finish();
    // Ends the thread without writing what waits.
    void abandon();

private:
    static constexpr std::size_t buffer_size = 1 << 18;
    static constexpr std::size_t depth = 4;

    void hand_over();
    void stop(bool write_the_rest);
    void run();
    int failure();

    const int m_descriptor;
    std::string m_filling;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_full;
    std::vector<std::string> m_empty;
    std::size_t m_writing = 0;
    bool m_stopping = false;
    std::atomic<int> m_error = 0;
    std::thread m_thread;  // last: started once the members above exist
};
