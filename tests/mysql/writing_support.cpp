#include "mysql/writing_support.h"

#include "mysql/sql_engine.h"

#include <algorithm>
#include <set>

namespace velmora_test {

destination_database::destination_database(versioned_engine& engine, std::string name)
    : m_engine(engine), m_name(std::move(name))
{
    auto admin = connect_test_server();
    execute(admin.get(), "DROP DATABASE IF EXISTS `" + m_name + "`");
    engine.create_db(wide(m_name));
    reopen();
}

destination_database::~destination_database()
{
    m_database.reset();
    try {
        auto admin = connect_test_server();
        execute(admin.get(), "DROP DATABASE IF EXISTS `" + m_name + "`");
    } catch (const std::exception&) {
    }
}

void destination_database::reopen(std::uint32_t mode)
{
    m_database.reset();
    m_database.reset(static_cast<sql_database*>(m_engine.open_db(wide(m_name), mode)));
}

std::vector<std::unique_ptr<udb_record>> read_records(udb_recordset& recordset)
{
    std::vector<std::unique_ptr<udb_record>> rows;
    for (recordset.reset(); !recordset.is_eof(); recordset.next()) {
        auto copy = std::make_unique<udb_record>();
        for (const udb_field* field : *recordset.get_item())
            copy->push_back(new udb_field(*field));
        rows.push_back(std::move(copy));
    }
    return rows;
}

void copy_table(sql_database& source, sql_database& destination, const std::wstring& table, bool reverse_fields)
{
    std::unique_ptr<udb_recordset> reader(source.get_table(table, 2));
    // One connection serves both ends: every row is read before any is written.
    std::vector<std::unique_ptr<udb_record>> rows = read_records(*reader);
    std::unique_ptr<udb_recordset> writer(destination.create_table(table, reader->schema, reader->indexes));
    reader.reset();
    for (auto& row : rows) {
        if (reverse_fields)
            std::reverse(row->begin(), row->end());
        writer->append_record(*row);
    }
    writer->finish();
}

std::vector<std::string> differing_columns(MYSQL* connection, const std::string& source, const std::string& destination,
                                           const std::string& table, const std::string& key)
{
    static const std::set<std::string> byte_types = {
        "char", "varchar",    "tinytext", "text", "mediumtext", "longtext", "binary",   "varbinary", "tinyblob",
        "blob", "mediumblob", "longblob", "enum", "set",        "json",     "geometry", "point"};
    std::vector<std::string> differing;
    const std::string a = "`" + source + "`.`" + table + "`";
    const std::string b = "`" + destination + "`.`" + table + "`";
    if (query_value(connection, "SELECT COUNT(*) FROM " + a) != query_value(connection, "SELECT COUNT(*) FROM " + b))
        differing.push_back("<row count>");
    if (mysql_query(connection, ("SELECT COLUMN_NAME, DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" +
                                 source + "' AND TABLE_NAME='" + table + "' ORDER BY ORDINAL_POSITION")
                                    .c_str()) != 0)
        throw std::runtime_error(mysql_error(connection));
    std::vector<std::pair<std::string, std::string>> columns;
    MYSQL_RES* result = mysql_store_result(connection);
    while (MYSQL_ROW row = mysql_fetch_row(result))
        columns.emplace_back(row[0], row[1]);
    mysql_free_result(result);
    for (const auto& [name, type] : columns) {
        const bool bytes = byte_types.count(type) != 0;
        const std::string x = bytes ? "CAST(x.`" + name + "` AS BINARY)" : "x.`" + name + "`";
        const std::string y = bytes ? "CAST(y.`" + name + "` AS BINARY)" : "y.`" + name + "`";
        std::string count =
            query_value(connection, "SELECT COUNT(*) FROM " + a + " x LEFT JOIN " + b + " y ON x.`" + key + "` = y.`" +
                                        key + "` WHERE NOT (" + x + " <=> " + y + ")");
        if (count != "0")
            differing.push_back(name);
    }
    return differing;
}

udb_field* field(const std::wstring& name, const ole_variant& value, std::uint32_t size)
{
    return new udb_field(name, size, value);
}

}  // namespace velmora_test
