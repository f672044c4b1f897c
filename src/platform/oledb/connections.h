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

// The physical connections of one data source. A run's fixed cost is its
// logins, so a connection is opened only when every open one is in use, and
// one that no session needs any more waits here for the next session of the
// data source. Where the driver offers bulk copy, every connection is opened
// able to bulk copy, so that any of them serves any purpose.
class connection_factory : public std::enable_shared_from_this<connection_factory> {
public:
    connection_factory(std::shared_ptr<db_provider> provider, db_login login);
    // Opens the first connection, which proves the login; it serves the
    // next session's first need.
    void open_first();
    std::unique_ptr<db_connection> open(bool for_bulk_load);
    // A connection no session holds any more; it serves a later one.
    void give_back(std::unique_ptr<db_connection> connection, bool bulk_load);
    const std::wstring& source() const { return source_; }
    // Every connection is opened able to bulk copy.
    bool bulk_capable() const { return bulk_capable_; }

private:
    std::unique_ptr<db_connection> connect(bool for_bulk_load);

    std::shared_ptr<db_provider> provider_;
    db_login login_;
    std::wstring source_;
    bool bulk_capable_;
    std::mutex mutex_;
    struct idle_connection {
        std::unique_ptr<db_connection> link;
        bool bulk_load;
    };
    std::vector<idle_connection> idle_;
};

struct managed_connection {
    managed_connection() = default;
    // Hands the connection back to its factory, unless it carried a bulk
    // load (the driver's bulk-copy state stays on it).
    ~managed_connection();
    managed_connection(const managed_connection&) = delete;
    managed_connection& operator=(const managed_connection&) = delete;

    std::unique_ptr<db_connection> link;
    bool bulk_load = false;
    bool busy = false;          // an open result or bulk load is on it
    bool carried_bulk = false;  // a bulk load ran on it
    std::weak_ptr<connection_factory> factory;
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
    // a rowset or bulk load holds it, they run on a free reader connection.
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
