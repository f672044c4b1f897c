#include "mysql/sql_recordset.h"

#include "mysql/column_types.h"
#include "mysql/row_counter.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_tmp_recordset.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cinttypes>
#include <utility>

namespace {

// The decimals that the server reports for a FLOAT declared without a scale.
constexpr unsigned float_without_scale = 31;

// The first field of the first row of a statement's result; VT_EMPTY when
// the result has no row.
ole_variant first_value(sql_database& database, const std::wstring& statement)
{
    std::unique_ptr<sql_tmp_recordset> result = database.run_query(statement);
    if (!result || result->is_eof())
        return ole_variant();
    return *result->get_item()->at(0);
}

}  // namespace

sql_recordset::sql_recordset(sql_database* database, const std::wstring& table, udb_relationships* relationships)
    : udb_recordset(database, table, true), m_database(database), m_relationships(relationships), m_is_table(true)
{
    tk_log(2, "sql_recordset::sql_recordset1");
    initialize();
}

sql_recordset::sql_recordset(sql_database* database, const std::wstring& name, const std::wstring& query,
                             udb_relationships* relationships)
    : udb_recordset(database, name, query, true), m_database(database), m_relationships(relationships),
      m_is_table(false)
{
    tk_log(2, "sql_recordset::sql_recordset2");
    initialize();
}

sql_recordset::~sql_recordset()
{
    tk_log(1, "sql_recordset::dtor");
    // The worker lets go of the stream before the stream goes.
    clean();
    m_stream.reset();
    drop_count();
}

void sql_recordset::initialize(bool count)
{
    tk_log(2, "sql_recordset::initialize");
    tk_log(2, "is_blob_to_text=%d", sql_current_engine().is_blob_to_text() ? 1 : 0);
    clean();
    if (count)
        count_rows();
    m_count_is_fresh = true;

    // Only the first batch is asked for: the rows stream once more after reset.
    open_stream(sql_batch_size);
    std::wstring column_list = L"SELECT ";
    std::wstring auto_number;
    bool read_as_listed = false;
    bool blob_to_text = sql_current_engine().is_blob_to_text();
    for (unsigned i = 0; i < m_stream->column_count(); ++i) {
        const MYSQL_FIELD& field = m_stream->fields()[i];
        tk_log(2, "Processing field #%d", static_cast<int>(i + 1));
        std::unique_ptr<t_ftd> descriptor = sql_make_descriptor(field, blob_to_text);
        if (i > 0)
            column_list += L",";
        std::wstring safe_name = sql_current_engine().get_safe_name(descriptor->name);
        if (field.type == MYSQL_TYPE_GEOMETRY) {
            tk_log(2, "Got MYSQL_TYPE_GEOMETRY");
            read_as_listed = true;
            column_list += L"ST_AsText(" + safe_name + L") as ";
        } else if (field.type == MYSQL_TYPE_FLOAT && field.decimals >= float_without_scale) {
            // The server writes a FLOAT with six digits, 16777215 as
            // 16777200; as a DOUBLE it writes the single-precision number whole.
            read_as_listed = true;
            column_list += L"(" + safe_name + L" * 1e0) as ";
        }
        column_list += safe_name;
        tk_log(2, L"GOT FIELD: name=%ls, type=%d, size=%lu, flags=%u", descriptor->name.c_str(),
               static_cast<int>(field.type), field.length, field.flags);
        if ((field.flags & AUTO_INCREMENT_FLAG) != 0) {
            tk_log(1, L"Got auto_number column: '%ls'", descriptor->name.c_str());
            auto_number = descriptor->name;
        }
        schema.push_back(descriptor.release());
    }
    column_list +=
        L" FROM " + (m_is_table ? sql_current_engine().get_safe_name(table) : L"(" + query + L") as temp___table");
    tk_log(2, L"local_select_qry=%ls", column_list.c_str());
    // Spatial values are read as their text (their bytes would not survive as
    // text), FLOAT values as DOUBLE: the table or query is read through the
    // column list from here on.
    if (read_as_listed) {
        m_stream.reset();
        query = column_list;
        open_stream(sql_batch_size);
    }
    store_batch();
    m_stream.reset();

    if (!m_is_table) {
        tk_log(2, "It's a SQL-query, nothing to do anymore");
        return;
    }
    if (!auto_number.empty())
        read_identity_seed(auto_number);
    tk_log(2, "sql_recordset::initialize - END");
}

void sql_recordset::read_named_columns(const std::vector<std::wstring>& columns)
{
    std::wstring list;
    for (const std::wstring& column : columns)
        list += (list.empty() ? L"" : L",") + sql_current_engine().get_safe_name(column);
    query = L"SELECT " + list + L" FROM " + sql_current_engine().get_safe_name(table);
    schema.reset();
    initialize(false);
}

void sql_recordset::read_identity_seed(const std::wstring& column)
{
    tk_log(2, L"Refining auto_number '%ls' (last value)", column.c_str());
    std::wstring statement = L"select max( " + sql_current_engine().get_safe_name(column) + L") from " +
                             sql_current_engine().get_safe_name(table);
    tk_log(2, L"auto_number query=%ls", statement.c_str());
    try {
        // A BIGINT column counts past 32 bits; an unsigned one past 63.
        const ole_variant last = first_value(*m_database, statement);
        std::uint64_t seed = 0;
        if (last.get_type() == VT_UI8)
            last.to_i8(seed);
        else
            seed = static_cast<std::uint64_t>(last.to_i8());
        tk_log(2, "got last value=%" PRIu64, seed);
        schema.identity_seed = seed;
    } catch (const std::exception& e) {
        tk_log(3, "Failed to extract last value for auto_number column");
        tk_log(2, "ERROR: %s", e.what());
    }
}

std::int64_t sql_recordset::get_rec_count()
{
    tk_log(2, "sql_recordset::get_rec_count");
    std::wstring statement =
        is_query() ? L"SELECT COUNT(*) FROM (" + query + L") as query"
                   : L"SELECT COUNT(*) FROM " + (sql_current_engine().is_old_version() ? table : sql_quote_name(table));
    std::int64_t count = first_value(*m_database, statement).to_i8();
    tk_log(2, "sql_recordset::get_rec_count - END (result=%lld)", static_cast<long long>(count));
    return count;
}

void sql_recordset::count_rows()
{
    m_count_by_rows = sql_current_engine().get_row_count() == sql_engine::row_count::by_rows;
    if (m_count_by_rows) {
        record_count = 0;
        return;
    }
    std::shared_ptr<sql_row_counter> counter = sql_current_engine().row_counter();
    if (m_is_table && counter) {
        const std::wstring statement =
            L"SELECT COUNT(*) FROM " + sql_quote_name(m_database->name) + L"." + sql_quote_name(table);
        if (counter->start(tk_unicode_to_utf8(statement))) {
            tk_log(2, L"Counting the rows of '%ls' beside reading them", table.c_str());
            m_counter = std::move(counter);
            record_count = 0;
            return;
        }
    }
    record_count = static_cast<std::uint64_t>(get_rec_count());
    tk_log(2, "get_rec_count returns %lld", static_cast<long long>(record_count));
}

bool sql_recordset::is_count_known()
{
    if (m_count_by_rows && !is_eof())
        return false;
    if (m_counter && !m_counter->has_answered())
        return false;
    wait_for_count();
    return true;
}

void sql_recordset::wait_for_count()
{
    // Rows counted by reading them are the rows read so far.
    if (m_count_by_rows)
        record_count = m_position;
    if (!m_counter)
        return;
    const std::shared_ptr<sql_row_counter> counter = std::move(m_counter);
    try {
        record_count = counter->finish();
    } catch (const sql_exception& e) {
        throw tk_exception(L"Cannot count the rows of '" + table + L"': " + tk_utf8_to_unicode(e.what()), 0);
    }
    tk_log(2, L"The count of '%ls' returns %llu", table.c_str(), static_cast<unsigned long long>(record_count));
}

void sql_recordset::drop_count()
{
    try {
        wait_for_count();
    } catch (const tk_exception&) {
        // Nobody waits for this count any more.
    }
}

void sql_recordset::open_stream(std::uint32_t row_limit)
{
    m_stream = std::make_unique<sql_limited_query>(*m_database, is_query() ? query : table, is_query(), row_limit);
}

void sql_recordset::store_batch()
{
    // A stream that breaks leaves no rows.
    m_batch_rows = 0;
    m_stream->fetch_to(m_rows);
    convert_rows(m_rows);
}

void sql_recordset::convert_rows(sql_row_batch& rows)
{
    // A table's records follow its refined schema, also when it is read
    // through a column list.
    m_batch_rows = m_stream->convert(rows, m_batch, m_is_table ? &schema : nullptr);
}

void sql_recordset::clean()
{
    tk_log(2, "sql_recordset::clean");
    m_prefetch.cancel();
    for (auto& slot : m_batch)
        slot.reset();
    m_batch_rows = 0;
}

void sql_recordset::read_ahead()
{
    // Only while no trace line is written: reading rows writes lines of
    // levels 1 and 2 alone, so the log keeps its order.
    if (m_batch_rows != 0 && !tk_log_accepts(2))
        m_prefetch.start(*m_stream);
}

void sql_recordset::take_prefetched_batch()
{
    // A stream that broke leaves no rows, as store_batch does.
    m_batch_rows = 0;
    sql_row_batch& rows = m_prefetch.take();
    try {
        convert_rows(rows);
    } catch (...) {
        m_prefetch.release();
        throw;
    }
    // The records hold their own values now.
    m_prefetch.release();
}

void sql_recordset::append_record(udb_record&)
{
    tk_log(1, "sql_recordset::append_record");
    throw tk_mail_assertion("sql_recs", 257);
}

udb_record* sql_recordset::get_item()
{
    return m_batch_position < m_batch_rows ? m_batch[m_batch_position].get() : nullptr;
}

bool sql_recordset::is_eof()
{
    return m_batch_position >= m_batch_rows;
}

void sql_recordset::next()
{
    tk_log(1, "sql_recordset::next");
    if (!m_stream)
        throw tk_mail_assertion("sql_recs", 292);
    ++m_position;
    if (m_batch_position + 1 < m_batch_rows) {
        ++m_batch_position;
        return;
    }
    m_batch_position = 0;
    if (m_batch_rows == 0)
        return;
    if (m_prefetch.is_started())
        take_prefetched_batch();
    else
        store_batch();
}

void sql_recordset::prev()
{
    tk_log(1, "sql_recordset::prev");
    if (m_position == 0)
        return;
    if (m_batch_position > 0)
        --m_batch_position;
    --m_position;
}

void sql_recordset::reset()
{
    tk_log(2, "sql_recordset::reset");
    m_position = 0;
    m_batch_position = 0;
    // The earlier stream's result must leave the connection before the count.
    m_prefetch.cancel();
    m_stream.reset();
    clean();
    if (!m_count_is_fresh) {
        drop_count();
        count_rows();
    }
    m_count_is_fresh = false;
    open_stream();
    store_batch();
    read_ahead();
}
