// The conversion job: the settings every conversion has, and their storage in
// a profile under "Generic settings" and the table, view and query sections.
// The conversion driver derives from it and adds both database ends.
#pragma once

#include "toolkit/tk_converter.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class udb_profile;

using udb_name_list = std::vector<std::pair<std::wstring, std::wstring>>;

// Existing-table modes: what a run does with a destination database or table
// that exists already. Profiles, the registry and the command line keep these
// numbers.
inline constexpr std::uint32_t udb_overwrite_database = 0;
inline constexpr std::uint32_t udb_overwrite_tables = 1;
inline constexpr std::uint32_t udb_skip_tables = 2;
inline constexpr std::uint32_t udb_merge_rows = 3;
inline constexpr std::uint32_t udb_synchronize_rows = 4;

class udb_converter : public tk_converter {
public:
    udb_converter();

    // Whether the source accepts the SELECT text.
    virtual bool test_query(const std::wstring& query) = 0;

    // Adds the profile's lists and settings to what the converter holds. The
    // log file name is checked and may raise tk_exception.
    bool load_profile(udb_profile& profile);
    bool store_profile(udb_profile& profile) const;

    void set_mode(std::uint32_t mode);

    // One of the existing-table modes above.
    std::uint32_t mode = udb_overwrite_database;
    // Progress of a run, read by the window thread while the run goes on.
    std::atomic<std::uint32_t> tables_total = 0;
    std::atomic<std::uint32_t> tables_done = 0;
    std::wstring current_table;
    std::atomic<std::uint64_t> rows_total = 0;
    std::atomic<std::uint64_t> rows_done = 0;
    std::vector<std::wstring> table_names;
    // Tables (empty text) and queries (the SELECT that fills a new table of
    // that name), in selection order.
    udb_name_list selected;
    udb_name_list views;
    udb_name_list available_queries;
    bool only_definitions = false;
    bool skip_indexes = false;
    bool convert_views = false;
};
