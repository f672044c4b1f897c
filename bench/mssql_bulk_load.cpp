// Rows written into an MS SQL table by bulk load: throughput, and the
// resident memory the process gains while a million narrow rows go through
// the row buffer (it must not grow with the row count: one buffer is bound
// per row, and batches are committed every 100000 bound bytes). The provider
// under the OLE DB layer counts the rows it receives and keeps none.
//   mssql_bulk_load [--benchmark_filter=...]
#include "append_rows.h"
#include "model/column_descriptor.h"
#include "model/index.h"
#include "model/record.h"
#include "model/recordset.h"
#include "mssql/direct/mss_database.h"
#include "mssql/mss_engine.h"
#include "platform/oledb/providers.h"
#include "stub_server.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

std::vector<oledb::db_column> table_columns()
{
    return {{L"id", DBTYPE_I4, 4, 10, 0, 0},
            {L"name", DBTYPE_WSTR, 20, 0, 0, DBCOLUMNFLAGS_ISNULLABLE},
            {L"price", DBTYPE_R8, 8, 15, 0, DBCOLUMNFLAGS_ISNULLABLE}};
}

struct counters {
    std::int64_t rows = 0;
    std::int64_t commits = 0;
};

class counting_load final : public oledb::db_bulk_load {
public:
    explicit counting_load(counters& count) : m_count(count) {}
    const std::vector<oledb::db_column>& columns() const override { return m_columns; }
    void send_row(std::vector<oledb::db_value>) override { ++m_count.rows; }
    void commit(bool) override { ++m_count.commits; }
    std::vector<oledb::db_refused_row> take_refused_rows() override { return {}; }

private:
    counters& m_count;
    std::vector<oledb::db_column> m_columns = table_columns();
};

class counting_connection final : public oledb::db_connection {
public:
    explicit counting_connection(counters& count) : m_count(count) {}
    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement) override
    {
        return bench::version_answer(statement);
    }
    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement, const std::vector<oledb::db_column>&,
                                              const std::vector<oledb::db_value>&) override
    {
        return execute(statement);
    }
    std::unique_ptr<oledb::db_result> open_table(const std::wstring&) override
    {
        return bench::no_rows(table_columns());
    }
    std::unique_ptr<oledb::db_result> open_schema(oledb::schema_kind, const oledb::schema_restrictions&) override
    {
        return bench::no_rows();
    }
    std::unique_ptr<oledb::db_bulk_load> open_bulk_load(const std::wstring&, bool) override
    {
        return std::make_unique<counting_load>(m_count);
    }

private:
    counters& m_count;
};

udb_schema make_schema()
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
    schema.push_back(new t_ftd(20, L"name", VT_BSTR, false, false, ole_variant()));
    schema.push_back(new t_ftd(8, L"price", VT_R8, false, false, ole_variant()));
    return schema;
}

void fill(udb_record& record, std::int32_t id)
{
    record.push_back(new udb_field(L"id", 4, ole_variant(id)));
    record.push_back(new udb_field(L"name", 0, ole_variant(L"Customer " + std::to_wstring(id))));
    record.push_back(new udb_field(L"price", 8, ole_variant(id * 0.25)));
}

void bulk_load_rows(benchmark::State& state)
{
    auto provider = std::make_shared<bench::stub_provider<counting_connection, counters>>(true);
    oledb::install_providers({provider, nullptr, nullptr});
    bench::quiet_handler errors;
    mss_engine engine;
    engine.connect(L"bench", L"sa", L"secret", true);
    std::unique_ptr<mss_database> database(engine.open_db(L"bench", 2, L""));
    const udb_schema schema = make_schema();
    const auto rows = static_cast<std::int32_t>(state.range(0));
    long growth = 0;
    for (auto _ : state) {
        std::unique_ptr<udb_recordset> table(database->create_table(L"[dbo].[orders]", schema, udb_indexes()));
        growth = appended_rows_growth(*table, rows, fill);
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rss_growth_kib"] = static_cast<double>(growth);
    state.counters["rows_received"] = static_cast<double>(provider->count.rows);
    state.counters["commits"] = static_cast<double>(provider->count.commits);
}

}  // namespace

BENCHMARK(bulk_load_rows)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
