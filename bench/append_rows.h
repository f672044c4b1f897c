// Rows appended to a table while the resident memory of the process is
// watched: it must not grow with the row count.
#pragma once

#include "model/record.h"
#include "model/recordset.h"

#include <cstdint>
#include <cstdio>
#include <unistd.h>

inline long resident_kib()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Appends the rows 0 to rows - 1 that `fill` makes; the resident memory
// gained after the first row, which sets up what every row reuses.
template <typename Fill>
long appended_rows_growth(udb_recordset& table, std::int32_t rows, Fill fill)
{
    udb_record first;
    fill(first, 0);
    table.append_record(first);
    const long before = resident_kib();
    for (std::int32_t id = 1; id < rows; ++id) {
        udb_record record;
        fill(record, id);
        table.append_record(record);
    }
    return resident_kib() - before;
}
