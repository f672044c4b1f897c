#include "mssql/script/file_writer.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

// 0, or the errno of the first write that failed.
int write_all(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

}  // namespace

mss_file_writer::mss_file_writer(int descriptor) : m_descriptor(descriptor), m_thread([this] { run(); })
{
    m_filling.reserve(buffer_size);
}

mss_file_writer::~mss_file_writer()
{
    abandon();
}

int mss_file_writer::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t part = std::min(bytes.size(), buffer_size - m_filling.size());
        m_filling.append(bytes.substr(0, part));
        bytes.remove_prefix(part);
        if (m_filling.size() == buffer_size)
            hand_over();
    }
    return failure();
}

int mss_file_writer::finish()
{
    if (!m_filling.empty())
        hand_over();
    stop(true);
    return failure();
}

void mss_file_writer::abandon()
{
    stop(false);
}

void mss_file_writer::hand_over()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_full.size() + m_writing < depth; });
    m_full.push_back(std::move(m_filling));
    if (m_empty.empty()) {
        m_filling = std::string();
        m_filling.reserve(buffer_size);
    } else {
        m_filling = std::move(m_empty.back());
        m_empty.pop_back();
    }
    m_changed.notify_all();
}

void mss_file_writer::stop(bool write_the_rest)
{
    {
        std::lock_guard lock(m_mutex);
        if (!write_the_rest)
            m_full.clear();
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void mss_file_writer::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_full.empty() || m_stopping; });
        if (m_full.empty())
            return;
        std::string buffer = std::move(m_full.front());
        m_full.pop_front();
        ++m_writing;
        const bool failed_before = m_error.load(std::memory_order_relaxed) != 0;
        lock.unlock();
        const int error = failed_before ? 0 : write_all(m_descriptor, buffer);
        buffer.clear();
        lock.lock();
        if (error != 0)
            m_error.store(error, std::memory_order_release);
        m_empty.push_back(std::move(buffer));
        --m_writing;
        m_changed.notify_all();
    }
}

int mss_file_writer::failure()
{
    return m_error.load(std::memory_order_acquire);
}
