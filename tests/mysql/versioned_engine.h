#pragma once
// An engine that reports another server version than the test server's, to
// exercise the statement forms of older servers.

#include "mysql/sql_engine.h"

namespace velmora_test {

class versioned_engine : public sql_engine {
public:
    explicit versioned_engine(const char* version_text) : m_version_text(version_text) {}

protected:
    const char* server_version_text() override { return m_version_text; }

private:
    const char* m_version_text;
};

}  // namespace velmora_test
