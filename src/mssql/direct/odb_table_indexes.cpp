// The keys and indexes of an opened table: from the provider's schema
// rowsets, or on Azure SQL from catalogue queries.
#include "model/name_compare.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/odb/odb_meta_data.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"

#include <algorithm>
#include <memory>

namespace {

// Columns of the OLE DB schema rowsets, by position.
namespace pk {
constexpr std::size_t column_name = 3, ordinal = 6, key_name = 7;
}
namespace idx {
constexpr std::size_t index_name = 5, primary_key = 6, unique = 7, column_name = 17;
}
namespace fk {
constexpr std::size_t pk_table = 2, pk_column = 3, fk_table = 8, fk_column = 9, update_rule = 13, delete_rule = 14,
                      fk_name = 16;
}

std::wstring rule_text(const std::wstring& update_rule, const std::wstring& delete_rule)
{
    std::wstring rule;
    if (!update_rule.empty())
        rule += L" ON UPDATE " + update_rule;
    if (!delete_rule.empty())
        rule += L" ON DELETE " + delete_rule;
    return rule;
}

udb_relationship* find_relationship(udb_relationships& list, const std::wstring& name)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const udb_relationship& r) { return udb_same_name(r.name, name); });
    return found == list.end() ? nullptr : &*found;
}

void add_column_pair(udb_relationship& relationship, const std::wstring& fk_column, const std::wstring& pk_column)
{
    for (std::size_t i = 0; i < relationship.fk_flds.size() && i < relationship.pk_flds.size(); ++i) {
        if (udb_same_name(relationship.fk_flds[i], fk_column) && udb_same_name(relationship.pk_flds[i], pk_column)) {
            tk_log(2, L"Column %ls->%ls already exists in FK, skip it", fk_column.c_str(), pk_column.c_str());
            return;
        }
    }
    tk_log(2, L"Add FK column (2): %ls->%ls", fk_column.c_str(), pk_column.c_str());
    relationship.fk_flds.push_back(fk_column);
    relationship.pk_flds.push_back(pk_column);
}

std::wstring dotted(const std::wstring& owner, const std::wstring& name)
{
    return owner.empty() ? name : owner + L"." + name;
}

}  // namespace

void odb_table::init_indexes(const std::wstring& table_name, const std::wstring& owner_name)
{
    tk_log(2, L"odb_table::init_indexes(%ls,%ls)", table_name.c_str(), owner_name.c_str());
    init_primary_key(table_name, owner_name);
    init_referencing_keys(table_name, owner_name);
    init_other_indexes(table_name, owner_name);
}

void odb_table::init_primary_key(const std::wstring& table_name, const std::wstring& owner_name)
{
    tk_log(2, "Initializing primary key");
    odb_pk_meta_data rows(session.get(), table_name, owner_name);
    std::wstring key_name;
    std::vector<std::wstring> columns;
    mss_for_each_row(rows, [&](const udb_record& row) {
        key_name = mss_row_text(row, pk::key_name);
        const std::int32_t ordinal = mss_row_long(row, pk::ordinal);
        const std::wstring column = mss_row_text(row, pk::column_name);
        tk_log(2, L"Got pr.key: %ls", key_name.c_str());
        tk_log(2, L"Got pk column #%d: '%ls'", ordinal, column.c_str());
        const std::size_t slot = ordinal > 0 ? static_cast<std::size_t>(ordinal - 1) : columns.size();
        if (columns.size() <= slot)
            columns.resize(slot + 1);
        columns[slot] = column;
    });
    if (columns.empty()) {
        tk_log(2, "Primary key was NOT found");
        return;
    }
    udb_index key(key_name, true, true);
    key.fields = columns;
    add_index(key);
}

void odb_table::init_referencing_keys(const std::wstring& table_name, const std::wstring& owner_name)
{
    tk_log(2, "Initializing foreign keys");
    odb_fk_meta_data rows(session.get(), table_name, owner_name);
    mss_for_each_row(rows, [&](const udb_record& row) {
        const std::wstring name = mss_row_text(row, fk::fk_name);
        const std::wstring pk_table = mss_row_text(row, fk::pk_table);
        const std::wstring fk_table = mss_row_text(row, fk::fk_table);
        const std::wstring pk_column = mss_row_text(row, fk::pk_column);
        const std::wstring fk_column = mss_row_text(row, fk::fk_column);
        tk_log(2, L"fk_name=%ls, pk_table=%ls, fk_table=%ls", name.c_str(), pk_table.c_str(), fk_table.c_str());
        for (udb_relationship& existing : relationships) {
            if (udb_same_name(existing.name, name) && udb_same_name(existing.pk_table, pk_table) &&
                udb_same_name(existing.fk_table, fk_table)) {
                tk_log(2, L"GOT EXISTING FOREIGN KEY: %ls", name.c_str());
                add_column_pair(existing, fk_column, pk_column);
                return;
            }
        }
        tk_log(2, L"GOT NEW FOREIGN KEY: %ls", name.c_str());
        tk_log(2, L"Add FK column (1): %ls->%ls", fk_column.c_str(), pk_column.c_str());
        const std::wstring update_rule = mss_row_text(row, fk::update_rule);
        const std::wstring delete_rule = mss_row_text(row, fk::delete_rule);
        tk_log(2, L"update rule=%ls, delete_rule=%ls", update_rule.c_str(), delete_rule.c_str());
        relationships.push_back(udb_relationship(name, std::wstring(), fk_table, pk_table, {fk_column}, {pk_column},
                                                 rule_text(update_rule, delete_rule)));
    });
}

void odb_table::init_other_indexes(const std::wstring& table_name, const std::wstring& owner_name)
{
    tk_log(2, "Initializing other indexes");
    udb_indexes gathered;
    {
        odb_id_meta_data rows(session.get(), table_name, owner_name);
        mss_for_each_row(rows, [&](const udb_record& row) {
            const std::wstring name = mss_row_text(row, idx::index_name);
            const bool unique = mss_row_bool(row, idx::unique);
            const bool primary = mss_row_bool(row, idx::primary_key);
            const std::wstring column = mss_row_text(row, idx::column_name);
            tk_log(2, L"Got index: %ls (%d,%d)", name.c_str(), unique ? 1 : 0, primary ? 1 : 0);
            tk_log(2, L"Add idx.column: '%ls'", column.c_str());
            if (gathered.is_acceptable_name(name)) {
                udb_index index(name, unique, primary);
                index.fields.push_back(column);
                gathered.push_back_direct(index);
            } else if (gathered.get_index(name).primary) {
                tk_log(2, "Skip Primary Key DoubleInitialization");
            } else {
                gathered.get_index(name).fields.push_back(column);
            }
        });
    }
    tk_log(2, "Right before copying indexes (size=%d)", static_cast<int>(gathered.size()));
    for (udb_index& index : gathered) {
        const std::wstring statement =
            owner_name.empty()
                ? L"SELECT      col.name FROM sys.indexes ind INNER JOIN      sys.index_columns ic ON  "
                  L"ind.object_id = ic.object_id and ind.index_id = ic.index_id INNER JOIN      sys.columns col ON "
                  L"ic.object_id = col.object_id and ic.column_id = col.column_id INNER JOIN      sys.tables t ON "
                  L"ind.object_id = t.object_id WHERE      ic.is_included_column=1 AND t.name=" +
                      mss_unicode_literal(table_name) + L" AND ind.name=" + mss_unicode_literal(index.name)
                : L"SELECT col.name FROM sys.indexes ind INNER JOIN      sys.index_columns ic ON  ind.object_id = "
                  L"ic.object_id and ind.index_id = ic.index_id INNER JOIN      sys.columns col ON ic.object_id = "
                  L"col.object_id and ic.column_id = col.column_id INNER JOIN      sys.tables t ON ind.object_id = "
                  L"t.object_id INNER JOIN      sys.schemas sch ON t.schema_id = sch.schema_id WHERE      "
                  L"ic.is_included_column=1 AND sch.name=" +
                      mss_unicode_literal(owner_name) + L" AND t.name=" + mss_unicode_literal(table_name) +
                      L" AND ind.name=" + mss_unicode_literal(index.name);
        tk_log(2, L"list_inc_idx_col_qry=%ls", statement.c_str());
        const std::unique_ptr<udb_recordset> result(database->query(statement));
        mss_for_each_row(*result, [&](const udb_record& row) {
            index.included_fields.push_back(mss_row_text(row, 0));
            tk_log(2, L"Got included column for index '%ls': '%ls'", index.name.c_str(),
                   index.included_fields.back().c_str());
        });
        add_index(index);
    }
}

void odb_table::init_indexes2(const std::wstring& table_name, const std::wstring& owner_name)
{
    tk_log(2, L"odb_table::init_indexes2(%ls,%ls)", table_name.c_str(), owner_name.c_str());
    const std::wstring index_query =
        owner_name.empty()
            ? L"SELECT      ind.name, col.name, ind.is_primary_key, ind.is_unique FROM      sys.indexes ind INNER "
              L"JOIN      sys.index_columns ic ON  ind.object_id = ic.object_id and ind.index_id = ic.index_id "
              L"INNER JOIN      sys.columns col ON ic.object_id = col.object_id and ic.column_id = col.column_id "
              L"INNER JOIN      sys.tables t ON ind.object_id = t.object_id WHERE      t.name = " +
                  mss_unicode_literal(table_name) +
                  L" AND t.is_ms_shipped = 0 ORDER BY      t.name, ind.name, ind.index_id, ic.index_column_id"
            : L"SELECT      ind.name, col.name, ind.is_primary_key, ind.is_unique FROM      sys.indexes ind INNER "
              L"JOIN      sys.index_columns ic ON  ind.object_id = ic.object_id and ind.index_id = ic.index_id "
              L"INNER JOIN      sys.columns col ON ic.object_id = col.object_id and ic.column_id = col.column_id "
              L"INNER JOIN      sys.tables t ON ind.object_id = t.object_id WHERE      SCHEMA_NAME(t.schema_id)=" +
                  mss_unicode_literal(owner_name) + L" AND t.name=" + mss_unicode_literal(table_name) +
                  L" AND t.is_ms_shipped=0 ORDER BY      t.name, ind.name, ind.index_id, ic.index_column_id";
    tk_log(2, L"Index query: %ls", index_query.c_str());
    {
        const std::unique_ptr<udb_recordset> result(database->query(index_query));
        mss_for_each_row(*result, [&](const udb_record& row) {
            const std::wstring name = mss_row_text(row, 0);
            const std::wstring column = mss_row_text(row, 1);
            if (!indexes.is_acceptable_name(name)) {
                indexes.get_index(name).fields.push_back(column);
                return;
            }
            udb_index index(name, mss_row_bool(row, 3), mss_row_bool(row, 2));
            index.fields.push_back(column);
            add_index(index);
            tk_log(2, L"Got index: %ls", name.c_str());
        });
    }
    const std::wstring fk_query =
        L"SELECT       obj.name, col1.name, tab2.name, col2.name,      fks.delete_referential_action_desc, "
        L"fks.update_referential_action_desc FROM      sys.foreign_keys fks INNER JOIN sys.foreign_key_columns fkc "
        L"     ON fks.object_id = fkc.constraint_object_id INNER JOIN sys.objects obj     ON obj.object_id = "
        L"fkc.constraint_object_id INNER JOIN sys.tables tab1     ON tab1.object_id = fkc.parent_object_id INNER "
        L"JOIN sys.columns col1     ON col1.column_id = parent_column_id AND col1.object_id = tab1.object_id INNER "
        L"JOIN sys.tables tab2     ON tab2.object_id = fkc.referenced_object_id INNER JOIN sys.columns col2     ON "
        L"col2.column_id = referenced_column_id AND col2.object_id = tab2.object_id WHERE      " +
        (owner_name.empty() ? std::wstring()
                            : L"SCHEMA_NAME(tab1.schema_id)=" + mss_unicode_literal(owner_name) + L" AND ") +
        L"tab1.name = " + mss_unicode_literal(table_name) + L" ORDER BY obj.name";
    tk_log(2, L"FK query: %ls", fk_query.c_str());
    const std::unique_ptr<udb_recordset> result(database->query(fk_query));
    mss_for_each_row(*result, [&](const udb_record& row) {
        const std::wstring name = mss_row_text(row, 0);
        const std::wstring column = mss_row_text(row, 1);
        const std::wstring referenced_column = mss_row_text(row, 3);
        if (udb_relationship* existing = find_relationship(relationships, name)) {
            add_column_pair(*existing, column, referenced_column);
            return;
        }
        tk_log(2, L"GOT FOREIGN KEY: %ls", name.c_str());
        tk_wstring delete_action(mss_row_text(row, 4));
        tk_wstring update_action(mss_row_text(row, 5));
        delete_action.replace_all(L"_", L" ");
        update_action.replace_all(L"_", L" ");
        relationships.push_back(udb_relationship(name, std::wstring(), dotted(owner_name, table_name),
                                                 dotted(owner_name, mss_row_text(row, 2)), {column},
                                                 {referenced_column}, rule_text(update_action, delete_action)));
    });
}
