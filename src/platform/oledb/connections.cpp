#include "platform/oledb/connections.h"

namespace oledb {

connection_factory::connection_factory(std::shared_ptr<db_provider> provider, db_login login)
    : provider_(std::move(provider)), login_(std::move(login)), source_(provider_->name()),
      bulk_capable_(provider_->supports_bulk_load())
{}

std::unique_ptr<db_connection> connection_factory::connect(bool for_bulk_load)
{
    return provider_->connect(login_, for_bulk_load || bulk_capable_);
}

void connection_factory::open_first()
{
    auto first = connect(false);
    std::lock_guard lock(mutex_);
    idle_.push_back({std::move(first), bulk_capable_});
}

std::unique_ptr<db_connection> connection_factory::open(bool for_bulk_load)
{
    {
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            if (for_bulk_load && !it->bulk_load)
                continue;
            auto connection = std::move(it->link);
            idle_.erase(it);
            return connection;
        }
    }
    return connect(for_bulk_load);
}

void connection_factory::give_back(std::unique_ptr<db_connection> connection, bool bulk_load)
{
    std::lock_guard lock(mutex_);
    idle_.push_back({std::move(connection), bulk_load || bulk_capable_});
}

managed_connection::~managed_connection()
{
    if (!link || carried_bulk)
        return;
    if (const auto home = factory.lock())
        home->give_back(std::move(link), bulk_load);
}

busy_lease::busy_lease(std::shared_ptr<managed_connection> connection) : connection_(std::move(connection))
{
    connection_->busy = true;
}

busy_lease::~busy_lease()
{
    if (connection_)
        connection_->busy = false;
}

session_link::session_link(std::shared_ptr<connection_factory> factory,
                           std::shared_ptr<const std::atomic<bool>> fast_load)
    : factory_(std::move(factory)), fast_load_(std::move(fast_load))
{}

std::shared_ptr<managed_connection> session_link::open(bool bulk_load)
{
    auto connection = std::make_shared<managed_connection>();
    connection->link = factory_->open(bulk_load);
    connection->bulk_load = bulk_load || factory_->bulk_capable();
    connection->factory = factory_;
    return connection;
}

std::shared_ptr<managed_connection> session_link::home_connection()
{
    if (!home_)
        home_ = open(fast_load());
    return home_->busy ? reader_connection() : home_;
}

std::shared_ptr<managed_connection> session_link::reader_connection()
{
    for (const auto& reader : readers_)
        if (!reader->busy)
            return reader;
    readers_.push_back(open(false));
    return readers_.back();
}

std::shared_ptr<managed_connection> session_link::bulk_connection()
{
    auto home = home_connection();
    if (!home->bulk_load)
        home = open(true);
    home->carried_bulk = true;
    return home;
}

}  // namespace oledb
