// One row holding a 64 MiB value merged into an existing MS SQL table by
// statements, as modes 3 and 4 write it: the INSERT of a new row and the
// UPDATE of a row the table holds. Reports the time and the peak resident
// memory of the process while the row goes (the value itself included, the
// record holding it once), against the value's size. The provider under the
// OLE DB layer reads each streamed parameter a slice at a time, as the ODBC
// engine does when it gathers a long value on the server, and keeps none.
//   mssql_merge_rows [--benchmark_filter=...]
#include "model/column_descriptor.h"
#include "model/index.h"
#include "model/record.h"
#include "model/recordset.h"
#include "mssql/direct/mss_database.h"
#include "mssql/direct/mss_table.h"
#include "mssql/mss_engine.h"
#include "platform/oledb/providers.h"
#include "platform/oledb/stream_slices.h"
#include "stub_server.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr std::uint32_t value_bytes = 64 << 20;

// The peak resident memory since the last reset, in KiB.
long peak_kib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// The peak starts again from the memory the process holds now.
void reset_peak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct received {
    std::int64_t statements = 0;
    std::int64_t streamed_bytes = 0;
};

class slicing_connection final : public oledb::db_connection {
public:
    explicit slicing_connection(received& count) : m_count(count) {}
    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement) override
    {
        return bench::version_answer(statement);
    }
    std::unique_ptr<oledb::db_result> execute(const std::wstring&, const std::vector<oledb::db_column>& parameters,
                                              const std::vector<oledb::db_value>& values) override
    {
        ++m_count.statements;
        for (std::size_t i = 0; i < values.size(); ++i)
            if (const auto* stream = std::get_if<oledb::db_stream>(&values[i]))
                oledb::send_in_slices(*stream, parameters[i],
                                      [&](const void*, std::size_t bytes) { m_count.streamed_bytes += bytes; });
        return nullptr;
    }
    std::unique_ptr<oledb::db_result> open_table(const std::wstring&) override { return nullptr; }
    std::unique_ptr<oledb::db_result> open_schema(oledb::schema_kind, const oledb::schema_restrictions&) override
    {
        return bench::no_rows();
    }
    std::unique_ptr<oledb::db_bulk_load> open_bulk_load(const std::wstring&, bool) override { return nullptr; }

private:
    received& m_count;
};

// The value: mostly ASCII text with a few longer characters, held in UTF-8 as
// a record read from MySQL holds it, or bytes of every value.
ole_variant large_value(bool binary)
{
    std::string bytes(value_bytes, 'a');
    for (std::uint32_t i = 0; i < value_bytes; ++i)
        bytes[i] = binary ? static_cast<char>(i * 7) : static_cast<char>('a' + i % 26);
    ole_variant value;
    if (binary)
        value.attach_bytes(value_bytes, reinterpret_cast<const BYTE*>(bytes.data()));
    else
        value.attach_string(bytes);
    return value;
}

void merge_row(benchmark::State& state, bool update, bool binary)
{
    auto provider = std::make_shared<bench::stub_provider<slicing_connection, received>>(false);
    oledb::install_providers({provider, nullptr, nullptr});
    bench::quiet_handler errors;
    mss_engine engine;
    engine.connect(L"bench", L"sa", L"secret", false);
    std::unique_ptr<mss_database> database(engine.open_db(L"bench", 2, L""));
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
    schema.push_back(binary ? new t_ftd(0, L"body", ole_vt_bytes, false, false, ole_variant())
                            : new t_ftd(0, L"body", VT_BSTR, false, false, ole_variant()));
    std::unique_ptr<mss_table> table(
        static_cast<mss_table*>(database->create_table(L"[dbo].[large]", schema, udb_indexes())));
    udb_index key(L"pk", true, true);
    key.fields = {L"id"};
    table->add_index(key);
    udb_record record;
    record.push_back(new udb_field(L"id", 4, ole_variant(std::int32_t{1})));
    record.push_back(new udb_field(L"body", 0, large_value(binary)));
    const long before = peak_kib();
    reset_peak();
    for (auto _ : state) {
        if (update)
            table->update1(record);
        else
            table->append_record(record);
    }
    const long peak = peak_kib();
    state.counters["value_mib"] = value_bytes / double(1 << 20);
    state.counters["peak_mib"] = peak / 1024.0;
    state.counters["peak_x_value"] = peak * 1024.0 / value_bytes;
    state.counters["held_before_mib"] = before / 1024.0;
    state.counters["statements"] = static_cast<double>(provider->count.statements);
    state.counters["streamed_mib"] = provider->count.streamed_bytes / double(1 << 20);
}

void insert_text(benchmark::State& state)
{
    merge_row(state, false, false);
}
void update_text(benchmark::State& state)
{
    merge_row(state, true, false);
}
void insert_blob(benchmark::State& state)
{
    merge_row(state, false, true);
}
void update_blob(benchmark::State& state)
{
    merge_row(state, true, true);
}

}  // namespace

BENCHMARK(insert_text)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(update_text)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(insert_blob)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(update_blob)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
