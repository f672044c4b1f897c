// The WHERE condition of a key text such as <id>5</id><name>a&amp;b</name>,
// for updates and deletes by key.
#pragma once

#include <string>

class udb_database;

class sql_sync {
public:
    explicit sql_sync(udb_database* database);

    // Numbers and binary values of columns of those types stand bare when
    // they are numbers; everything else is a masked, quoted literal.
    std::wstring get_filter_subquery(const std::wstring& table, const std::wstring& key);

private:
    udb_database* m_database;
};
