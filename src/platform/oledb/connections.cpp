#include "platform/oledb/connections.h"

namespace oledb {

connection_factory::connection_factory(std::shared_ptr<db_provider> provider, db_login login)
    : provider_(std::move(provider)), login_(std::move(login)), source_(provider_->name())
{}

void connection_factory::open_first()
{
    auto first = provider_->connect(login_, false);
    std::lock_guard lock(mutex_);
    spare_ = std::move(first);
}

std::unique_ptr<db_connection> connection_factory::open(bool for_bulk_load)
{
    if (!for_bulk_load) {
        std::lock_guard lock(mutex_);
        if (spare_)
            return std::move(spare_);
    }
    return provider_->connect(login_, for_bulk_load);
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
    connection->bulk_load = bulk_load;
    return connection;
}

std::shared_ptr<managed_connection> session_link::home_connection()
{
    if (!home_)
        home_ = open(fast_load());
    return home_->busy ? open(false) : home_;
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
    const auto home = home_connection();
    return home->bulk_load ? home : open(true);
}

}  // namespace oledb
