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

// Writes bytes to an open file on a thread of its own, in the order given,
// so that the thread that produces them does not wait for the system's copy.
// Bytes are gathered into buffers of 256 KiB; at most four of them wait or
// are being written. After a failed write nothing more is written, and the
// first failure's errno is told at every call that follows.
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
