// Rows written into a T-SQL script: throughput, and the resident memory the
// process gains while writing them (it must not grow with the row count,
// since only the open INSERT statement is held).
//   mssql_script_rows [--benchmark_filter=...]
#include "append_rows.h"
#include "model/record.h"
#include "model/recordset.h"
#include "model/schema.h"
#include "mssql/mss_engine.h"
#include "mssql/script/script_writer.h"
#include "variant/ole_date.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

udb_schema make_schema()
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"id", VT_I4, true, true, ole_variant()));
    schema.push_back(new t_ftd(40, L"name", VT_BSTR, true, false, ole_variant(std::wstring(L"n/a"))));
    schema.push_back(new t_ftd(8, L"price", VT_R8, false, false, ole_variant()));
    schema.push_back(new t_ftd(0, L"sold", VT_DATE, false, false, ole_variant()));
    schema.push_back(new t_ftd(16, L"image", VT_ARRAY | VT_UI1, false, false, ole_variant()));
    return schema;
}

void fill(udb_record& record, std::int32_t id)
{
    record.push_back(new udb_field(L"id", 4, ole_variant(id)));
    record.push_back(new udb_field(L"name", 40, ole_variant(std::wstring(L"Customer O'Brien ") + std::to_wstring(id))));
    record.push_back(new udb_field(L"price", 8, ole_variant(id * 0.25)));
    record.push_back(new udb_field(L"sold", 0, ole_variant(ole_date(std::string("2024-02-29 13:14:15.123456")))));
    record.push_back(new udb_field(L"image", 16, ole_variant(std::vector<BYTE>(16, BYTE(id)))));
}

void script_rows(benchmark::State& state)
{
    mss_engine engine;
    const udb_schema schema = make_schema();
    const auto rows = static_cast<std::int32_t>(state.range(0));
    long growth = 0;
    for (auto _ : state) {
        std::unique_ptr<mss_dmp_database> script(engine.create_dump(L"/dev/null", mss_dump_options()));
        std::unique_ptr<udb_recordset> table(script->create_table(L"orders", schema, udb_indexes()));
        growth = appended_rows_growth(*table, rows, fill);
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rss_growth_kib"] = static_cast<double>(growth);
}

}  // namespace

BENCHMARK(script_rows)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
