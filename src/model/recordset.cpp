#include "model/recordset.h"

#include "model/name_compare.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <memory>

udb_recordset::udb_recordset(udb_database* database, const std::wstring& table, const std::wstring& query,
                             bool schema_owner)
    : query(query), table(table), schema(schema_owner), database(database)
{}

udb_recordset::udb_recordset(udb_database* database, const std::wstring& table, bool schema_owner)
    : udb_recordset(database, table, std::wstring(), schema_owner)
{}

udb_recordset::udb_recordset(const std::wstring& table) : udb_recordset(nullptr, table, std::wstring(), true)
{
    tk_log(2, "udb_recordset::ctor(default)");
}

udb_recordset::~udb_recordset()
{
    tk_log(2, "udb_recordset::dtor");
}

void udb_recordset::append_record(udb_record&) {}

void udb_recordset::finish() {}

bool udb_recordset::holds_same_key(const udb_record&)
{
    return true;
}

std::vector<udb_refused_record> udb_recordset::take_refused_records()
{
    return {};
}

void udb_recordset::update2(udb_record&, const std::wstring&)
{
    tk_log(1, "udb_recordset::update2");
}

void udb_recordset::update1(udb_record&)
{
    tk_log(1, "udb_recordset::update1");
}

void udb_recordset::reserved() {}

udb_record* udb_recordset::get_item()
{
    return nullptr;
}

bool udb_recordset::is_eof()
{
    return true;
}

bool udb_recordset::is_query()
{
    return !query.empty();
}

void udb_recordset::move_to(std::int32_t position)
{
    tk_log(1, "udb_recordset::move_to(%d)", position);
}

void udb_recordset::next() {}

void udb_recordset::prev() {}

void udb_recordset::reset() {}

void udb_recordset::delete_key(const std::wstring&) {}

void udb_recordset::delete_key(udb_record&) {}

void udb_recordset::add_index(const udb_index& index)
{
    tk_log(2, L"udb_recordset::add_index(%ls, %d)", index.name.c_str(), key_index);
    if (!indexes.is_acceptable_name(index.name)) {
        tk_log(2, L"Index '%ls' cannot be processed", index.name.c_str());
        return;
    }
    if (index.primary || (key_index == -1 && index.unique)) {
        tk_log(2, "Store primary/unique key");
        key_index = static_cast<std::int32_t>(indexes.size());
    }
    indexes.push_back(index);
}

udb_record* udb_recordset::get_key(const udb_record& record)
{
    tk_log(1, "udb_recordset::get_key(that.size=%d)", static_cast<int>(record.size()));
    if (key_index < 0 || static_cast<std::size_t>(key_index) >= indexes.size())
        throw tk_exception("There's no primary/unique key", 1);
    auto key = std::make_unique<udb_record>();
    for (const std::wstring& name : indexes[key_index].fields) {
        const udb_field* field = record.get_field(name);
        if (field == nullptr) {
            tk_log(3, L"Key field '%ls' is not found in record", name.c_str());
            return nullptr;
        }
        key->push_back(new udb_field(*field));
    }
    return key.release();
}
