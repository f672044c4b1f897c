// A recording provider for tests of the direct path. It plugs in where the
// ODBC drivers do (oledb::install_providers), keeps every login, statement
// and bulk-loaded row it receives, and answers with scripted rowsets, error
// records and failures. Statements nobody scripted succeed without a result.
#pragma once

#include "platform/oledb/db_backend.h"
#include "support/tsql_rules.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace fake {

using oledb::db_column;
using oledb::db_value;
using row = std::vector<db_value>;

struct scripted_rowset {
    std::vector<db_column> columns;
    std::vector<row> rows;
};

// A failure: the error records the engine reports, and a result code of its
// own when the records should not decide it.
struct scripted_failure {
    std::vector<oledb::db_error_record> records;
    std::int32_t hresult = 0;
};

// One SQL Server error record.
scripted_failure sql_error(std::int32_t native_error, std::wstring message, std::wstring sql_state = L"42000");

db_column text_column(std::wstring name, std::uint64_t size = 50, bool nullable = true);
db_column wide_text_column(std::wstring name, std::uint64_t size = 50, bool nullable = true);
db_column int_column(std::wstring name, bool nullable = false);
db_column typed_column(std::wstring name, DBTYPE type, std::uint64_t size, bool nullable = true,
                       std::uint8_t precision = 0, std::uint8_t scale = 0);

// Rows of the schema rowsets, the columns not named here NULL.
row table_row(std::wstring schema, std::wstring table, std::wstring type = L"TABLE");
row primary_key_row(std::wstring schema, std::wstring table, std::wstring column, unsigned ordinal,
                    std::wstring key_name);
row index_row(std::wstring schema, std::wstring table, std::wstring index, std::wstring column, unsigned ordinal,
              bool unique, bool primary);
row foreign_key_row(std::wstring pk_schema, std::wstring pk_table, std::wstring pk_column, std::wstring fk_schema,
                    std::wstring fk_table, std::wstring fk_column, unsigned ordinal, std::wstring update_rule,
                    std::wstring delete_rule, std::wstring fk_name);

// A statement as tests name it: its text, then the values of its parameter
// markers, if any, in braces: "UPDATE [t] SET [a]=? WHERE [id]=1 {x}" (bytes
// as 0x and hexadecimal digits, NULL as NULL).
std::wstring shown(const std::wstring& text, const std::vector<db_value>& parameters);

struct statement_record {
    std::wstring text;
    int connection;  // which physical connection ran it, from 1 on
    // The values of its parameter markers, a stream as what it holds.
    std::vector<db_value> parameters = {};
};

struct bulk_load_record {
    std::wstring table;
    bool keep_identity = false;
    int connection = 0;
    std::vector<row> rows;
    std::size_t sent = 0;  // rows sent, refused ones included
    int commits = 0;       // intermediate commits
    bool done = false;
};

class provider final : public oledb::db_provider {
public:
    explicit provider(std::wstring name = L"Fake SQL Server");
    // A provider that received a statement SQL Server would refuse by one of
    // the rules of support/tsql_rules.h (which the T-SQL peer does not
    // enforce) prints them and ends the test process.
    ~provider() override;

    // Configuration.
    void set_installed(bool installed);
    void set_bulk_load(bool supported);
    void refuse_login(scripted_failure failure);
    void answer(std::wstring statement, scripted_rowset result);
    void answer_prefix(std::wstring prefix, scripted_rowset result);
    void fail(std::wstring statement, scripted_failure failure);
    void fail_prefix(std::wstring prefix, scripted_failure failure);
    // A table's description and rows, for opened tables and bulk loads.
    void define_table(std::wstring table, scripted_rowset content);
    // Schema rows in the OLE DB layout, filtered by the restrictions asked.
    void add_schema_rows(oledb::schema_kind kind, std::vector<row> rows);
    void fail_bulk_open(std::wstring table, scripted_failure failure);
    // The row cannot be sent: the call that sends it fails.
    void fail_bulk_row(std::wstring table, std::size_t row_index, scripted_failure failure);
    // The server refuses the row in its batch: the load names it among its
    // refused rows once the batch is committed, and holds the others.
    void refuse_bulk_row(std::wstring table, std::size_t row_index, scripted_failure failure);
    void fail_bulk_commit(std::wstring table, scripted_failure failure);

    // What it received.
    std::vector<oledb::db_login> logins() const;
    std::vector<statement_record> statements() const;
    // The statements as shown(); scripted answers and failures match them.
    std::vector<std::wstring> statement_texts() const;
    std::vector<bulk_load_record> bulk_loads() const;
    int connections_opened() const;
    // The rules of support/tsql_rules.h the statements broke, so far.
    std::vector<std::string> rule_breaches() const;

    // The engine interface.
    std::wstring name() const override { return name_; }
    bool is_installed() const override;
    bool supports_bulk_load() const override;
    std::unique_ptr<oledb::db_connection> connect(const oledb::db_login& login, bool for_bulk_load) override;

private:
    friend class connection;
    friend class bulk_load;
    struct rule {
        std::wstring text;
        bool prefix;
        std::optional<scripted_rowset> result;
        std::optional<scripted_failure> failure;
    };
    std::unique_ptr<oledb::db_result> run(const std::wstring& statement, int connection_id,
                                          std::vector<db_value> parameters = {});
    std::unique_ptr<oledb::db_result> table_rows(const std::wstring& table);
    std::unique_ptr<oledb::db_result> schema_rows(oledb::schema_kind kind, const oledb::schema_restrictions& r);
    std::size_t start_bulk_load(const std::wstring& table, bool keep_identity, int connection_id,
                                std::vector<db_column>& columns);
    std::optional<oledb::db_refused_row> bulk_row(std::size_t load, std::uint64_t number, const row& values);
    void bulk_commit(std::size_t load, bool done);
    [[noreturn]] void raise(const scripted_failure& failure) const;

    std::wstring name_;
    mutable std::mutex mutex_;
    bool installed_ = true;
    bool bulk_ = true;
    std::optional<scripted_failure> login_failure_;
    std::vector<rule> rules_;
    std::map<std::wstring, scripted_rowset> tables_;
    std::map<oledb::schema_kind, std::vector<row>> schema_;
    std::map<std::wstring, scripted_failure> bulk_open_failures_;
    std::map<std::pair<std::wstring, std::size_t>, scripted_failure> bulk_row_failures_;
    std::map<std::pair<std::wstring, std::size_t>, scripted_failure> bulk_row_refusals_;
    std::map<std::wstring, scripted_failure> bulk_commit_failures_;
    std::vector<oledb::db_login> logins_;
    std::vector<statement_record> statements_;
    tsql::rule_checker rule_checker_;
    std::vector<bulk_load_record> bulk_loads_;
    int connections_ = 0;
};

}  // namespace fake
