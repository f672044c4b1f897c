// Counts a table's rows on a second connection of its own while the rows
// stream on the engine's connection: counting a large table is a scan of its
// own, which the server then runs beside the streaming instead of before it.
// One count at a time; the connection is opened with the first count and kept.
#pragma once

#include <cstdint>
#include <mysql.h>
#include <string>

class sql_row_counter {
public:
    // The engine's login; `utf8mb4` says which character set its connection talks.
    sql_row_counter(std::string host, std::string user, std::string password, unsigned port, bool utf8mb4);
    // A count still running is waited for.
    ~sql_row_counter();
    sql_row_counter(const sql_row_counter&) = delete;
    sql_row_counter& operator=(const sql_row_counter&) = delete;

    // Sends the counting statement; false when another count runs or no
    // second connection can be had: then the caller counts as before.
    bool start(const std::string& statement);
    // Whether the server has answered the count started last (no waiting).
    bool has_answered();
    // Waits for the count; a failed count raises sql_exception.
    std::uint64_t finish();

private:
    bool open();

    std::string m_host;
    std::string m_user;
    std::string m_password;
    unsigned m_port;
    bool m_utf8mb4;
    MYSQL m_handle;
    bool m_open = false;
    bool m_unavailable = false;  // a connection was refused: not tried again
    bool m_running = false;
};
