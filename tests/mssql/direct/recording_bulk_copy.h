// A bulk copy as the driver's bcp functions would see it, without a server:
// the SQLite ODBC driver keeps and describes the table, and a recording
// bulk-copy interface takes the calls where FreeTDS's bcp functions would.
#pragma once

#include "platform/oledb/db_backend.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct recorded_bulk_copy {
    std::wstring table;
    bool keep_identity = false;
    // Program type of each bound column, by 1-based column number - 1.
    std::vector<int> bound_types;
    // Each sent row: per column its bytes after the length prefix, none for NULL.
    std::vector<std::vector<std::optional<std::vector<unsigned char>>>> rows;
    int batches = 0;
    int dones = 0;
    // Bulk loads begun by bcp_init.
    int inits = 0;
    // Ends of a load that had sent no row, which FreeTDS refuses
    // ("General driver error"); the stand-in refuses them too.
    int refused_dones = 0;
    // The longest value the stand-in's bcp functions take, as FreeTDS's; 0: any.
    std::size_t value_limit = 0;
    // Whether the stand-in's SQL appends a part of bytes to bytes gathered
    // before; else it adds them as numbers, as one T-SQL server does.
    bool joins_bytes = true;
    // A batch holding a row whose first value is one of these is refused
    // and rolled back, as a server does.
    std::vector<std::string> refused_first_values;
    // Batches that were refused.
    int refused_batches = 0;
    // From now on every batch fails and the connection is gone.
    bool connection_lost = false;
    // Whether the rows of a batch the server took are put in SQLite's table,
    // so that the table holds them as a server's would.
    bool holds_bulk_rows = false;
    // How many first rows of a refused batch the server keeps all the same,
    // as one T-SQL server commits every thousand rows of a load.
    std::size_t kept_of_refused_batch = 0;
    // As FreeTDS's bcp, which reads the year of an earlier date text as another.
    int first_date_year = 1;
};

class sqlite_bulk_copy {
public:
    // Opens an in-memory SQLite database with the schema "dbo" attached and
    // runs the statement that makes the table.
    sqlite_bulk_copy(const std::string& driver_library, const std::wstring& create_table);
    ~sqlite_bulk_copy();
    sqlite_bulk_copy(const sqlite_bulk_copy&) = delete;
    sqlite_bulk_copy& operator=(const sqlite_bulk_copy&) = delete;

    // The bulk load of the stand-in over the recording bcp interface.
    std::unique_ptr<oledb::db_bulk_load> open(const std::wstring& table, bool keep_identity);
    const recorded_bulk_copy& record() const;
    void set_value_limit(std::size_t bytes);
    void set_joins_bytes(bool joins);
    recorded_bulk_copy& settings();
    // The rows SQLite holds, as the statement returns them.
    std::unique_ptr<oledb::db_result> query(const std::wstring& statement);
    // A statement with a value for each of its parameter markers.
    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement,
                                              const std::vector<oledb::db_column>& parameters,
                                              const std::vector<oledb::db_value>& values);

    // The program types the stand-in binds: bytes and UTF-8 character data.
    static int binary_type();
    static int character_type();

private:
    struct impl;
    std::unique_ptr<impl> m_impl;
};
