// The interface of a database server. The base treats a database as a file;
// the MySQL engine overrides that.
#pragma once

#include <cstdint>
#include <string>

class udb_database;
class udb_properties;

class udb_engine {
public:
    virtual void create_db(const std::wstring& name) = 0;
    // A new database object owned by the caller.
    virtual udb_database* open_db(const std::wstring& name, std::uint32_t mode) = 0;
    virtual void db_delete(const std::wstring& name);
    virtual bool is_db_exist(const std::wstring& name);
    virtual void set_properties(udb_properties* properties);

    // The type-mapping rules' property set; not owned.
    udb_properties* properties = nullptr;

protected:
    // Engines are destroyed as the class they were made as.
    ~udb_engine() = default;
};
