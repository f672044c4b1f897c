#include "mysql/row_counter.h"

#include "mysql/client_handles.h"
#include "mysql/sql_exception.h"
#include "toolkit/tk_log.h"

#include <charconv>
#include <poll.h>
#include <utility>

sql_row_counter::sql_row_counter(std::string host, std::string user, std::string password, unsigned port, bool utf8mb4)
    : m_host(std::move(host)), m_user(std::move(user)), m_password(std::move(password)), m_port(port),
      m_utf8mb4(utf8mb4)
{
    mysql_init(&m_handle);
}

sql_row_counter::~sql_row_counter()
{
    if (m_running) {
        try {
            finish();
        } catch (const std::exception&) {
            // Nobody waits for this count any more.
        }
    }
    mysql_close(&m_handle);
}

bool sql_row_counter::open()
{
    if (m_open || m_unavailable)
        return m_open;
    unsigned timeout = 10;
    mysql_options(&m_handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    if (mysql_real_connect(&m_handle, m_host.c_str(), m_user.c_str(), m_password.c_str(), nullptr, m_port, nullptr,
                           0) == nullptr ||
        mysql_query(&m_handle, m_utf8mb4 ? "SET NAMES utf8mb4" : "SET NAMES UTF8") != 0) {
        tk_log(2, "No second connection for counting rows: %s", mysql_error(&m_handle));
        m_unavailable = true;
        return false;
    }
    m_open = true;
    return true;
}

bool sql_row_counter::start(const std::string& statement)
{
    if (m_running || !open())
        return false;
    if (mysql_send_query(&m_handle, statement.c_str(), statement.size()) != 0) {
        tk_log(2, "Cannot send the count: %s", mysql_error(&m_handle));
        return false;
    }
    m_running = true;
    return true;
}

bool sql_row_counter::has_answered()
{
    if (!m_running)
        return true;
    pollfd socket{static_cast<int>(mysql_get_socket(&m_handle)), POLLIN, 0};
    return ::poll(&socket, 1, 0) != 0;
}

std::uint64_t sql_row_counter::finish()
{
    m_running = false;
    if (mysql_read_query_result(&m_handle) != 0)
        throw sql_exception(&m_handle);
    sql_result_ptr result(mysql_store_result(&m_handle));
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    if (row == nullptr || row[0] == nullptr)
        throw sql_exception(&m_handle);
    std::uint64_t count = 0;
    const char* end = row[0] + mysql_fetch_lengths(result.get())[0];
    std::from_chars(row[0], end, count);
    return count;
}
