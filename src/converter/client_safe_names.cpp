#include "converter/client_safe_names.h"

#include "model/index.h"
#include "model/relationship.h"
#include "model/schema.h"
#include "mssql/client_commands.h"
#include "mssql/identifier_validators.h"
#include "toolkit/tk_string_utils.h"

namespace {

const wchar_t* const column_object = L"Column";

// A validator that knows the names already given.
mss_validator knowing(const std::vector<std::wstring>& names)
{
    mss_validator validator;
    for (const std::wstring& name : names)
        validator.add_existing_name(name);
    return validator;
}

// A name that a client could read as a command gets a new one that no other
// of its kind has.
void mend(std::wstring& name, mss_validator& validator, std::vector<mended_name>& mended, const std::wstring& object)
{
    if (mss_is_client_safe_name(name))
        return;
    std::wstring safe = validator.get_safe_name(name);
    validator.add_existing_name(safe);
    mended.push_back({object, name, safe, {}});
    name = std::move(safe);
}

}  // namespace

std::vector<mended_name> mend_table_names(const std::wstring& table, udb_schema& schema, udb_indexes& indexes)
{
    std::vector<mended_name> mended;
    std::vector<std::wstring> names;
    for (const t_ftd* column : schema)
        names.push_back(column->name);
    mss_validator columns = knowing(names);
    for (t_ftd* column : schema)
        mend(column->name, columns, mended, column_object);
    const udb_name_pairs renamed = mended_columns(mended);
    names.clear();
    for (const udb_index& index : indexes)
        names.push_back(index.name);
    mss_validator index_names = knowing(names);
    for (udb_index& index : indexes) {
        for (std::wstring& field : index.fields) {
            if (const auto found = renamed.find(field); found != renamed.end())
                field = found->second;
        }
        mend(index.name, index_names, mended, L"Index");
    }
    for (mended_name& name : mended)
        name.object += L" of table '" + table + L"'";
    return mended;
}

std::vector<mended_name> mend_key_names(udb_relationships& keys)
{
    std::vector<mended_name> mended;
    std::vector<std::wstring> names;
    for (const udb_relationship& key : keys)
        names.push_back(key.name);
    mss_validator validator = knowing(names);
    for (udb_relationship& key : keys)
        mend(key.name, validator, mended, L"Foreign key");
    return mended;
}

udb_name_pairs mended_columns(const std::vector<mended_name>& mended)
{
    udb_name_pairs columns;
    for (const mended_name& name : mended) {
        if (name.object.starts_with(column_object))
            columns.emplace(name.before, name.after);
    }
    return columns;
}

std::wstring mended_name_line(const mended_name& mended)
{
    const std::wstring reason = mended.reason.empty()
                                    ? L"since T-SQL clients read line breaks and \"$(\" in names as their own commands"
                                    : mended.reason;
    tk_wstring line(mended.object + L": '" + mended.before + L"' becomes '" + mended.after + L"', " + reason);
    return line.replace_all(L"\r", L"\\r").replace_all(L"\n", L"\\n");
}
