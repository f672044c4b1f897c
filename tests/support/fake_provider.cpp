#include "support/fake_provider.h"

#include "platform/oledb/memory_result.h"
#include "platform/oledb/schema_layout.h"
#include "platform/oledb/server_address.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace fake {

using oledb::db_error;
using oledb::schema_kind;

namespace {

// Which layout column each restriction of a schema rowset matches.
std::vector<std::size_t> restricted_columns(schema_kind kind)
{
    switch (kind) {
    case schema_kind::tables: return {0, 1, 2, 3};
    case schema_kind::primary_keys: return {0, 1, 2};
    case schema_kind::indexes: return {0, 1, 5, 9, 2};
    case schema_kind::foreign_keys: return {0, 1, 2, 6, 7, 8};
    }
    return {};
}

bool matches(const row& r, schema_kind kind, const oledb::schema_restrictions& restrictions)
{
    const std::vector<std::size_t> columns = restricted_columns(kind);
    for (std::size_t i = 0; i < restrictions.size() && i < columns.size(); ++i) {
        if (!restrictions[i])
            continue;
        const auto* text = std::get_if<std::wstring>(&r[columns[i]]);
        if (!text || *text != *restrictions[i])
            return false;
    }
    return true;
}

// Position of a column of the layout by its name; throws when absent.
std::size_t schema_column_index(schema_kind kind, const std::wstring& name)
{
    const std::vector<oledb::db_column> columns = oledb::schema_columns(kind);
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == name)
            return i;
    throw std::out_of_range("no such schema rowset column");
}

class schema_row_builder {
public:
    explicit schema_row_builder(schema_kind kind) : kind_(kind), row_(oledb::schema_columns(kind).size()) {}
    schema_row_builder& set(const wchar_t* column, std::wstring value)
    {
        row_[schema_column_index(kind_, column)] = std::move(value);
        return *this;
    }
    row done() { return std::move(row_); }

private:
    schema_kind kind_;
    row row_;
};

std::wstring flag(bool on)
{
    return on ? L"1" : L"0";
}

}  // namespace

class connection final : public oledb::db_connection {
public:
    connection(provider& owner, int id, bool bulk) : owner_(owner), id_(id), bulk_(bulk) {}

    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement) override
    {
        return owner_.run(statement, id_);
    }
    // A stream is kept as what it holds, as a test compares it.
    std::unique_ptr<oledb::db_result> execute(const std::wstring& statement, const std::vector<db_column>& parameters,
                                              const std::vector<db_value>& values) override
    {
        std::vector<db_value> kept = values;
        for (std::size_t i = 0; i < kept.size() && i < parameters.size(); ++i)
            if (const auto* stream = std::get_if<oledb::db_stream>(&kept[i]))
                kept[i] = oledb::read_whole(*stream, parameters[i]);
        return owner_.run(statement, id_, std::move(kept));
    }
    std::unique_ptr<oledb::db_result> open_table(const std::wstring& table) override
    {
        return owner_.table_rows(table);
    }
    std::unique_ptr<oledb::db_result> open_schema(schema_kind kind, const oledb::schema_restrictions& r) override
    {
        return owner_.schema_rows(kind, r);
    }
    std::unique_ptr<oledb::db_bulk_load> open_bulk_load(const std::wstring& table, bool keep_identity) override;

private:
    provider& owner_;
    int id_;
    bool bulk_;
};

class bulk_load final : public oledb::db_bulk_load {
public:
    bulk_load(provider& owner, std::size_t index, std::vector<db_column> columns)
        : owner_(owner), index_(index), columns_(std::move(columns))
    {}
    const std::vector<db_column>& columns() const override { return columns_; }
    // A stream value is kept as what it holds, as a test compares it.
    void send_row(row values) override
    {
        for (std::size_t i = 0; i < values.size() && i < columns_.size(); ++i)
            if (const auto* stream = std::get_if<oledb::db_stream>(&values[i]))
                values[i] = oledb::read_whole(*stream, columns_[i]);
        if (auto refused = owner_.bulk_row(index_, sent_, values))
            in_batch_.push_back(std::move(*refused));
        ++sent_;
    }
    // The server answers for a batch when it is committed.
    void commit(bool done) override
    {
        owner_.bulk_commit(index_, done);
        for (oledb::db_refused_row& refused : in_batch_)
            refused_.push_back(std::move(refused));
        in_batch_.clear();
    }
    std::vector<oledb::db_refused_row> take_refused_rows() override { return std::exchange(refused_, {}); }

private:
    provider& owner_;
    std::size_t index_;
    std::vector<db_column> columns_;
    std::uint64_t sent_ = 0;
    std::vector<oledb::db_refused_row> in_batch_;
    std::vector<oledb::db_refused_row> refused_;
};

std::unique_ptr<oledb::db_bulk_load> connection::open_bulk_load(const std::wstring& table, bool keep_identity)
{
    if (!bulk_)
        throw db_error(owner_.name(), {{L"HY000", 0, L"The connection was not made for bulk load."}});
    std::vector<db_column> columns;
    const std::size_t index = owner_.start_bulk_load(table, keep_identity, id_, columns);
    return std::make_unique<bulk_load>(owner_, index, std::move(columns));
}

std::wstring shown(const std::wstring& text, const std::vector<db_value>& parameters)
{
    std::wstring result = text;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        result += i == 0 ? L" {" : L", ";
        if (const auto* value = std::get_if<std::wstring>(&parameters[i])) {
            result += *value;
        } else if (const auto* bytes = std::get_if<oledb::db_bytes>(&parameters[i])) {
            static const wchar_t digits[] = L"0123456789ABCDEF";
            result += L"0x";
            for (const std::uint8_t byte : *bytes)
                result += {digits[byte >> 4], digits[byte & 15]};
        } else {
            result += L"NULL";
        }
    }
    return parameters.empty() ? result : result + L"}";
}

scripted_failure sql_error(std::int32_t native_error, std::wstring message, std::wstring sql_state)
{
    return {{{std::move(sql_state), native_error, std::move(message)}}, 0};
}

db_column typed_column(std::wstring name, DBTYPE type, std::uint64_t size, bool nullable, std::uint8_t precision,
                       std::uint8_t scale)
{
    const DBCOLUMNFLAGS flags = nullable ? DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL : 0;
    return {std::move(name), type, size, precision, scale, flags};
}

db_column text_column(std::wstring name, std::uint64_t size, bool nullable)
{
    return typed_column(std::move(name), DBTYPE_STR, size, nullable);
}

db_column wide_text_column(std::wstring name, std::uint64_t size, bool nullable)
{
    return typed_column(std::move(name), DBTYPE_WSTR, size, nullable);
}

db_column int_column(std::wstring name, bool nullable)
{
    return typed_column(std::move(name), DBTYPE_I4, 4, nullable, 10);
}

row table_row(std::wstring schema, std::wstring table, std::wstring type)
{
    return schema_row_builder(schema_kind::tables)
        .set(L"TABLE_SCHEMA", std::move(schema))
        .set(L"TABLE_NAME", std::move(table))
        .set(L"TABLE_TYPE", std::move(type))
        .done();
}

row primary_key_row(std::wstring schema, std::wstring table, std::wstring column, unsigned ordinal,
                    std::wstring key_name)
{
    return schema_row_builder(schema_kind::primary_keys)
        .set(L"TABLE_SCHEMA", std::move(schema))
        .set(L"TABLE_NAME", std::move(table))
        .set(L"COLUMN_NAME", std::move(column))
        .set(L"ORDINAL", std::to_wstring(ordinal))
        .set(L"PK_NAME", std::move(key_name))
        .done();
}

row index_row(std::wstring schema, std::wstring table, std::wstring index, std::wstring column, unsigned ordinal,
              bool unique, bool primary)
{
    return schema_row_builder(schema_kind::indexes)
        .set(L"TABLE_SCHEMA", std::move(schema))
        .set(L"TABLE_NAME", std::move(table))
        .set(L"INDEX_NAME", std::move(index))
        .set(L"PRIMARY_KEY", flag(primary))
        .set(L"UNIQUE", flag(unique))
        .set(L"ORDINAL_POSITION", std::to_wstring(ordinal))
        .set(L"COLUMN_NAME", std::move(column))
        .done();
}

row foreign_key_row(std::wstring pk_schema, std::wstring pk_table, std::wstring pk_column, std::wstring fk_schema,
                    std::wstring fk_table, std::wstring fk_column, unsigned ordinal, std::wstring update_rule,
                    std::wstring delete_rule, std::wstring fk_name)
{
    return schema_row_builder(schema_kind::foreign_keys)
        .set(L"PK_TABLE_SCHEMA", std::move(pk_schema))
        .set(L"PK_TABLE_NAME", std::move(pk_table))
        .set(L"PK_COLUMN_NAME", std::move(pk_column))
        .set(L"FK_TABLE_SCHEMA", std::move(fk_schema))
        .set(L"FK_TABLE_NAME", std::move(fk_table))
        .set(L"FK_COLUMN_NAME", std::move(fk_column))
        .set(L"ORDINAL", std::to_wstring(ordinal))
        .set(L"UPDATE_RULE", std::move(update_rule))
        .set(L"DELETE_RULE", std::move(delete_rule))
        .set(L"FK_NAME", std::move(fk_name))
        .done();
}

provider::provider(std::wstring name) : name_(std::move(name)) {}

provider::~provider()
{
    const std::vector<std::string> breaches = rule_checker_.breaches();
    if (breaches.empty())
        return;
    std::fprintf(stderr, "The recording provider received statements that SQL Server refuses:\n");
    for (const std::string& breach : breaches)
        std::fprintf(stderr, "  %s\n", breach.c_str());
    std::abort();
}

std::vector<std::string> provider::rule_breaches() const
{
    std::lock_guard lock(mutex_);
    return rule_checker_.breaches();
}

void provider::set_installed(bool installed)
{
    std::lock_guard lock(mutex_);
    installed_ = installed;
}

void provider::set_bulk_load(bool supported)
{
    std::lock_guard lock(mutex_);
    bulk_ = supported;
}

void provider::refuse_login(scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    login_failure_ = std::move(failure);
}

void provider::answer(std::wstring statement, scripted_rowset result)
{
    std::lock_guard lock(mutex_);
    rules_.push_back({std::move(statement), false, std::move(result), std::nullopt});
}

void provider::answer_prefix(std::wstring prefix, scripted_rowset result)
{
    std::lock_guard lock(mutex_);
    rules_.push_back({std::move(prefix), true, std::move(result), std::nullopt});
}

void provider::fail(std::wstring statement, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    rules_.push_back({std::move(statement), false, std::nullopt, std::move(failure)});
}

void provider::fail_prefix(std::wstring prefix, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    rules_.push_back({std::move(prefix), true, std::nullopt, std::move(failure)});
}

void provider::define_table(std::wstring table, scripted_rowset content)
{
    std::lock_guard lock(mutex_);
    tables_[std::move(table)] = std::move(content);
}

void provider::add_schema_rows(schema_kind kind, std::vector<row> rows)
{
    std::lock_guard lock(mutex_);
    auto& all = schema_[kind];
    all.insert(all.end(), rows.begin(), rows.end());
}

void provider::fail_bulk_open(std::wstring table, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    bulk_open_failures_[std::move(table)] = std::move(failure);
}

void provider::fail_bulk_row(std::wstring table, std::size_t row_index, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    bulk_row_failures_[{std::move(table), row_index}] = std::move(failure);
}

void provider::refuse_bulk_row(std::wstring table, std::size_t row_index, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    bulk_row_refusals_[{std::move(table), row_index}] = std::move(failure);
}

void provider::fail_bulk_commit(std::wstring table, scripted_failure failure)
{
    std::lock_guard lock(mutex_);
    bulk_commit_failures_[std::move(table)] = std::move(failure);
}

std::vector<oledb::db_login> provider::logins() const
{
    std::lock_guard lock(mutex_);
    return logins_;
}

std::vector<statement_record> provider::statements() const
{
    std::lock_guard lock(mutex_);
    return statements_;
}

std::vector<std::wstring> provider::statement_texts() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::wstring> texts;
    for (const statement_record& s : statements_)
        texts.push_back(shown(s.text, s.parameters));
    return texts;
}

std::vector<bulk_load_record> provider::bulk_loads() const
{
    std::lock_guard lock(mutex_);
    return bulk_loads_;
}

int provider::connections_opened() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

bool provider::is_installed() const
{
    std::lock_guard lock(mutex_);
    return installed_;
}

bool provider::supports_bulk_load() const
{
    std::lock_guard lock(mutex_);
    return bulk_;
}

std::unique_ptr<oledb::db_connection> provider::connect(const oledb::db_login& login, bool for_bulk_load)
{
    std::lock_guard lock(mutex_);
    logins_.push_back(login);
    // Like the drivers: an address of no known form never reaches a server.
    oledb::usable_server_address(name_, login.server);
    if (login_failure_)
        raise(*login_failure_);
    if (for_bulk_load && !bulk_)
        throw db_error(name_, {{L"HYC00", 0, L"The driver offers no bulk copy."}});
    return std::make_unique<connection>(*this, ++connections_, for_bulk_load);
}

void provider::raise(const scripted_failure& failure) const
{
    throw db_error(name_, failure.records, failure.hresult);
}

std::unique_ptr<oledb::db_result> provider::run(const std::wstring& statement, int connection_id,
                                                std::vector<db_value> parameters)
{
    std::lock_guard lock(mutex_);
    const std::wstring named = shown(statement, parameters);
    statements_.push_back({statement, connection_id, std::move(parameters)});
    rule_checker_.add_batch(statement);
    for (const rule& r : rules_) {
        const bool hit = r.prefix ? named.compare(0, r.text.size(), r.text) == 0 : named == r.text;
        if (!hit)
            continue;
        if (r.failure)
            raise(*r.failure);
        return std::make_unique<oledb::memory_result>(r.result->columns, r.result->rows);
    }
    return nullptr;
}

std::unique_ptr<oledb::db_result> provider::table_rows(const std::wstring& table)
{
    std::lock_guard lock(mutex_);
    const auto found = tables_.find(table);
    if (found == tables_.end())
        raise(sql_error(208, L"Invalid object name '" + table + L"'.", L"42S02"));
    return std::make_unique<oledb::memory_result>(found->second.columns, found->second.rows);
}

std::unique_ptr<oledb::db_result> provider::schema_rows(schema_kind kind, const oledb::schema_restrictions& r)
{
    std::lock_guard lock(mutex_);
    std::vector<row> selected;
    for (const row& candidate : schema_[kind])
        if (matches(candidate, kind, r))
            selected.push_back(candidate);
    return std::make_unique<oledb::memory_result>(oledb::schema_columns(kind), std::move(selected));
}

std::size_t provider::start_bulk_load(const std::wstring& table, bool keep_identity, int connection_id,
                                      std::vector<db_column>& columns)
{
    std::lock_guard lock(mutex_);
    if (const auto failure = bulk_open_failures_.find(table); failure != bulk_open_failures_.end())
        raise(failure->second);
    const auto found = tables_.find(table);
    if (found == tables_.end())
        raise(sql_error(208, L"Invalid object name '" + table + L"'.", L"42S02"));
    columns = found->second.columns;
    bulk_loads_.push_back({table, keep_identity, connection_id, {}, 0, false});
    return bulk_loads_.size() - 1;
}

std::optional<oledb::db_refused_row> provider::bulk_row(std::size_t load, std::uint64_t number, const row& values)
{
    std::lock_guard lock(mutex_);
    bulk_load_record& record = bulk_loads_[load];
    const std::size_t index = record.sent++;
    const auto failure = bulk_row_failures_.find({record.table, index});
    if (failure != bulk_row_failures_.end())
        raise(failure->second);
    const auto refusal = bulk_row_refusals_.find({record.table, index});
    if (refusal != bulk_row_refusals_.end())
        return oledb::db_refused_row{number, db_error(name_, refusal->second.records, refusal->second.hresult)};
    record.rows.push_back(values);
    return std::nullopt;
}

void provider::bulk_commit(std::size_t load, bool done)
{
    std::lock_guard lock(mutex_);
    bulk_load_record& record = bulk_loads_[load];
    if (const auto failure = bulk_commit_failures_.find(record.table); failure != bulk_commit_failures_.end())
        raise(failure->second);
    if (done)
        record.done = true;
    else
        ++record.commits;
}

}  // namespace fake
