// odb_table: a table or query of the server opened as a rowset, and its
// row count.
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "toolkit/tk_log.h"

#include <cinttypes>
#include <cwchar>
#include <memory>

namespace {

constexpr std::uint32_t low_word_of_no_table = 0x0E37;

DBPROP rowset_property(DBPROPID id, VARTYPE type)
{
    DBPROP property{};
    property.dwPropertyID = id;
    property.dwOptions = DBPROPOPTIONS_REQUIRED;
    property.vValue.vt = type;
    return property;
}

}  // namespace

odb_table::odb_table(const std::wstring& name, const std::wstring& query_text, IOpenRowset* session_interface,
                     std::uint32_t open_mode, udb_database& owner)
    : odb_recordset(name), relationships(owner.relationships), mode(open_mode)
{
    database = &owner;
    session_interface->AddRef();
    session = ole_com_ptr<IOpenRowset>(session_interface);
    tk_log(2, L"odb_table::odb_table(%ls,%d)", name.c_str(), static_cast<int>(mode));
    query = query_text;
    tk_log(2, L"sql=%ls", query.c_str());
    // The rowset first: the count must use the name under which the table was found.
    if (mode != odb_table_no_rowset)
        open_rowset(mode);
    record_count = get_records_cnt();
    tk_log(2, "Got %" PRIu64 " records", record_count);
}

odb_table::odb_table(const std::wstring& name, IOpenRowset* session_interface, std::uint32_t open_mode,
                     udb_database& owner)
    : odb_table(name, std::wstring(), session_interface, open_mode, owner)
{}

odb_table::~odb_table()
{
    session.release();
}

void odb_table::open_rowset(std::uint32_t open_mode)
{
    try {
        internal_initialize(open_mode);
    } catch (const odb_exception& e) {
        if ((e.get_error_number() & 0xFFFF) != low_word_of_no_table || !query.empty())
            throw;
        tk_log(2, "Got table_not_exists error");
        std::wstring tab_name;
        std::wstring owner;
        mss_split_tab_name(table, tab_name, owner);
        table = L"[dbo]." + mss_bracket_name(tab_name);
        tk_log(2, L"Creating %ls", table.c_str());
        internal_initialize(open_mode);
    }
}

void odb_table::internal_initialize(std::uint32_t open_mode)
{
    tk_log(2, "odb_table::internal_initialize");
    if (!query.empty()) {
        odb_command command(session.get());
        command.execute(query, rowset.get_address());
    } else {
        DBID id{};
        id.eKind = DBKIND_NAME;
        id.uName.pwszName = table.data();
        DBPROP properties[] = {rowset_property(DBPROP_IRowsetChange, VT_BOOL),
                               rowset_property(DBPROP_UPDATABILITY, VT_I4)};
        properties[0].vValue.boolVal = VARIANT_TRUE;
        properties[1].vValue.lVal = 4;  // insert
        DBPROPSET set{properties, 2, DBPROPSET_ROWSET};
        const bool read_only = (open_mode & odb_table_read_only) != 0;
        tk_log(2, read_only ? "Open rowset in read_only mode" : "Open rowset in create/append mode");
        odb_check(session->OpenRowset(nullptr, &id, nullptr, IID_IRowset, read_only ? 0 : 1, read_only ? nullptr : &set,
                                      reinterpret_cast<IUnknown**>(rowset.get_address())));
    }
    initialize(true);
}

std::uint64_t odb_table::get_records_cnt()
{
    tk_log(2, "odb_table::get_records_cnt");
    const std::wstring statement =
        query.empty() ? L"SELECT COUNT_BIG(*) FROM " + table : L"SELECT COUNT_BIG(*) FROM (" + query + L") as query";
    ole_com_ptr<IRowset> count_rowset;
    {
        odb_command command(session.get());
        command.execute(statement, count_rowset.get_address());
    }
    odb_recordset result(count_rowset.get());
    result.reset();
    if (result.is_eof())
        return 0;
    const std::wstring text = mss_row_text(*result.get_item(), 0);
    return std::wcstoull(text.c_str(), nullptr, 10);
}

bool odb_table::is_eof()
{
    tk_log(1, "odb_table::is_eof(%u:%" PRIu64 ")", position, record_count);
    return position >= record_count;
}

void odb_table::reset()
{
    tk_log(1, "odb_table::reset()");
    odb_recordset::reset();
    record_count = get_records_cnt();
    tk_log(1, "n_records=%" PRIu64, record_count);
}
