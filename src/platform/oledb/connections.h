// The physical connections behind a data source and its sessions. One
// connection carries one open result at a time, so a rowset or bulk load
// keeps its connection until it is released.
#pragma once

#include "platform/oledb/db_backend.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace oledb {

class connection_factory {
public:
    connection_factory(std::shared_ptr<db_provider> provider, db_login login);
    // Opens the first connection, which proves the login; it serves the
    // next session that needs no bulk load.
    void open_first();
    std::unique_ptr<db_connection> open(bool for_bulk_load);
    const std::wstring& source() const { return source_; }

private:
    std::shared_ptr<db_provider> provider_;
    db_login login_;
    std::wstring source_;
    std::mutex mutex_;
    std::unique_ptr<db_connection> spare_;
};

struct managed_connection {
    std::unique_ptr<db_connection> link;
    bool bulk_load = false;
    bool busy = false;  // an open result or bulk load is on it
};

// Marks a connection busy for the life of the rowset that holds it.
class busy_lease {
public:
    busy_lease() = default;
    explicit busy_lease(std::shared_ptr<managed_connection> connection);
    ~busy_lease();
    busy_lease(busy_lease&&) noexcept = default;
    busy_lease& operator=(busy_lease&&) = delete;
    db_connection& link() const { return *connection_->link; }

private:
    std::shared_ptr<managed_connection> connection_;
};

class session_link {
public:
    // `fast_load` is the data source's switch, read when a rowset is opened.
    session_link(std::shared_ptr<connection_factory> factory, std::shared_ptr<const std::atomic<bool>> fast_load);
    // Statements that return nothing run here one after another, so that a
    // setting one of them makes (IDENTITY_INSERT) holds for the next; while
    // a bulk load holds it, they run on a connection of their own.
    std::shared_ptr<managed_connection> home_connection();
    // Statements asked for a rowset, and opened tables: a reader that no open
    // rowset holds, or a new one.
    std::shared_ptr<managed_connection> reader_connection();
    // The home connection when it is free, else one of its own.
    std::shared_ptr<managed_connection> bulk_connection();
    bool fast_load() const { return *fast_load_; }
    const std::wstring& source() const { return factory_->source(); }

private:
    std::shared_ptr<managed_connection> open(bool bulk_load);

    std::shared_ptr<connection_factory> factory_;
    std::shared_ptr<const std::atomic<bool>> fast_load_;
    std::shared_ptr<managed_connection> home_;
    std::vector<std::shared_ptr<managed_connection>> readers_;
};

}  // namespace oledb
