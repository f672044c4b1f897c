#pragma once
// An engine that can report another server version than the test server's,
// to exercise the statement forms of older servers, and that keeps every
// statement of the writing side it sends.

#include "mysql/sql_engine.h"

#include <string>
#include <vector>

namespace velmora_test {

class versioned_engine : public sql_engine {
public:
    // Null: the test server's own version.
    explicit versioned_engine(const char* version_text = nullptr) : m_version_text(version_text) {}

    std::vector<std::string> statements;

    sql_result_ptr execute(MYSQL* connection, const std::string& statement) override
    {
        statements.push_back(statement);
        return sql_engine::execute(connection, statement);
    }

protected:
    const char* server_version_text() override
    {
        return m_version_text != nullptr ? m_version_text : sql_engine::server_version_text();
    }

private:
    const char* m_version_text;
};

}  // namespace velmora_test
