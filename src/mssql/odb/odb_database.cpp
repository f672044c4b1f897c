#include "mssql/odb/odb_database.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/name_compare.h"
#include "mssql/literals.h"
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb/odb_record.h"
#include "mssql/odb/odb_recordset.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "variant/ole_exceptions.h"

#include <memory>

namespace {

constexpr DBLENGTH unlimited_size = ~DBLENGTH{0};
constexpr std::uint32_t subtype_current_timestamp = 9;
constexpr std::uint32_t subtype_timestamp_offset = 16;

std::wstring doubled_quotes(const std::wstring& text)
{
    std::wstring result;
    for (wchar_t c : text) {
        result += c;
        if (c == L'\'')
            result += L'\'';
    }
    return result;
}

// A value of a VARIANT type from its text; the text when it does not convert.
VARIANT typed_value(const std::wstring& text, VARTYPE type)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    VariantChangeType(&value, &value, 0, type);
    return value;
}

// The description of one new column, its property set and its names.
struct column_description {
    std::wstring name;
    oledb::property_set properties{DBPROPSET_COLUMN};
};

// The type correction a column needs after the provider made it, or nothing.
std::wstring type_correction(const t_ftd& column, bool native_date_time)
{
    tk_log(1, "MSS: vt=%d, dw_reserved=%d", column.vartype, static_cast<int>(column.dw_reserved));
    if (native_date_time && column.vartype == VT_BSTR) {
        if (column.dw_reserved != odb_subtype_date_time_or_guid)
            return {};
        tk_log(2, "GOT MS SQL UUID");
        return L" uniqueidentifier";
    }
    if (column.vartype == VT_R8 && column.dw_reserved == 1) {
        tk_log(1, "GOT MS SQL REAL");
        return L" REAL";
    }
    if (column.vartype == VT_DECIMAL && !column.native_type.empty())
        return L" " + column.native_type;
    if (column.vartype == VT_DATE && (column.dw_reserved & subtype_timestamp_offset)) {
        tk_log(2, "GOT MS SQL DBTIMESTAMPOFFSET");
        return L" DATETIMEOFFSET";
    }
    return {};
}

}  // namespace

odb_database::odb_database(const std::wstring& name, IDBInitialize* source, IOpenRowset* session_interface,
                           std::uint32_t mode)
    : udb_database(name, mode, false)
{
    if (source)
        source->AddRef();
    data_source = ole_com_ptr<IDBInitialize>(source);
    if (session_interface)
        session_interface->AddRef();
    session = ole_com_ptr<IOpenRowset>(session_interface);
    tk_log(2, "odb_database::ctor");
}

odb_database::~odb_database()
{
    data_source.release();
    session.release();
}

udb_recordset* odb_database::query(const std::wstring& statement)
{
    tk_log(1, L"odb_database::query(%ls)", statement.c_str());
    ole_com_ptr<IRowset> rowset;
    {
        odb_command command(session.get());
        command.execute(statement, rowset.get_address());
    }
    return new odb_recordset(rowset.get());
}

bool odb_database::test_query(const std::wstring& statement)
{
    tk_log(2, L"odb_database::test_query(%ls)", statement.c_str());
    odb_command command(session.get());
    ole_com_ptr<IRowset> rowset;
    try {
        command.execute(statement, rowset.get_address());
    } catch (...) {
        tk_log(1, "Query failed");
        return false;
    }
    rowset.release();
    tk_log(1, "Query succeeded");
    return true;
}

bool odb_database::delete_tab(const std::wstring& table)
{
    tk_log(2, L"odb_database::delete_tab(%ls)", table.c_str());
    mss_engine::instance();
    std::unique_ptr<udb_recordset> dropped(query(L"DROP TABLE " + mss_engine::get_safe_tname(table)));
    return udb_database::delete_tab(mss_simplify_tab_name(table, L'.'));
}

udb_recordset* odb_database::create_table(const std::wstring& table, const udb_schema& schema,
                                          const udb_indexes& indexes)
{
    tk_log(2, L"odb_database::create_table(%ls, n_indexes=%d)", table.c_str(), static_cast<int>(indexes.size()));
    ole_com_ptr<IDBCreateSession> factory;
    if (data_source.is_empty() ||
        FAILED(data_source.get()->QueryInterface(IID_IDBCreateSession, factory.get_void_address())))
        throw tk_mail_assertion("odb_db", 38);
    ole_com_ptr<IUnknown> new_session;
    odb_check(factory->CreateSession(nullptr, IID_IUnknown, new_session.get_address()));

    std::wstring table_name = mss_quote_name(table);
    DBID table_id{};
    table_id.eKind = DBKIND_NAME;
    table_id.uName.pwszName = table_name.data();
    tk_log(2, L"Got safe table name: %ls", table_name.c_str());
    ole_com_ptr<ITableDefinition> definition;
    if (FAILED(new_session->QueryInterface(IID_ITableDefinition, definition.get_void_address())))
        throw tk_mail_assertion("odb_db", 57);

    tk_log(2, "Schema size=%d", static_cast<int>(schema.size()));
    const bool native_date_time = odb_is_native_date_time();
    std::vector<DBCOLUMNDESC> columns(schema.size(), DBCOLUMNDESC{});
    std::vector<std::unique_ptr<column_description>> descriptions;
    for (std::size_t i = 0; i < schema.size(); ++i) {
        const t_ftd& d = *schema[i];
        DBCOLUMNDESC& c = columns[i];
        auto description = std::make_unique<column_description>();
        tk_log(1, L"Creating column '%ls', type=%d, size=%d, native_type=%ls", d.name.c_str(), d.vartype, d.size,
               d.native_type.c_str());
        tk_log(1, "schema[i]->b_auto_num=%d", d.identity ? 1 : 0);
        const bool auto_increment = d.identity && udb_is_integer_type(d.vartype);
        description->properties.add_bool(DBPROP_COL_AUTOINCREMENT, auto_increment);
        tk_log(1, "b_auto_num(2)=%d", auto_increment ? 1 : 0);
        bool nullable = !auto_increment && !d.b_not_null;
        if (indexes.is_idx_field(d.name, true)) {
            tk_log(2, "Field is a part of Primary Key");
            nullable = false;
        }
        description->properties.add_bool(DBPROP_COL_NULLABLE, nullable);
        description->name = mss_quote_name(d.name);
        c.dbcid.eKind = DBKIND_NAME;
        c.dbcid.uName.pwszName = description->name.data();
        tk_log(2, L"uName.pwszName=%ls", description->name.c_str());
        if (udb_custom_conversion::is_acceptable1(d)) {
            tk_log(1, "Just before udb_custom_conversion::handle");
            udb_custom_conversion::handle1_1(d, &c);
        } else {
            c.wType = odb_record::get_oledb_type(d);
            c.ulColumnSize = static_cast<DBLENGTH>(d.size);
            tk_log(1, ">> Binding column #%d (%d, %d)", static_cast<int>(i), c.wType, d.size);
            if (tk_ends_with(d.native_type, L"text", false) || (d.size == 0 && d.vartype == VT_BSTR)) {
                tk_log(2, "Setting flag for text/ntext column, old size=%d", d.size);
                c.ulColumnSize = unlimited_size;
            }
        }
        if (d.vartype == VT_DECIMAL) {
            tk_log(2, "Scale/precision for decimal column: (%d, %d)", d.scale, d.precision);
            if (d.precision < 39) {
                tk_log(2, "Scale/precision for decimal column: (%d, %d)", c.bScale, c.bPrecision);
                c.bPrecision = static_cast<BYTE>(d.precision);
                c.bScale = static_cast<BYTE>(d.scale);
            } else {
                c.wType = DBTYPE_R8;
            }
        }
        if (d.vartype == VT_DATE && native_date_time) {
            tk_log(1, "Got VT_DATE, cols[i].wType=%d", c.wType);
            if (c.wType == DBTYPE_DBTIMESTAMP || c.wType == 212) {
                tk_log(1, "Processing datetime in MS SQL 2008+ way");
                c.bScale = 6;
            } else if (c.wType == DBTYPE_DATE || c.wType == DBTYPE_DBTIME2) {
                const bool pure_date = c.wType == DBTYPE_DATE;
                tk_log(1, pure_date ? "Processing pure date in MS SQL 2008+ way"
                                    : "Processing pure time in MS SQL 2008+ way");
                c.pwszTypeName = const_cast<wchar_t*>(pure_date ? L"DATE" : L"TIME");
                c.pTypeInfo = nullptr;
                c.rgPropertySets = nullptr;
                c.pclsid = nullptr;
                c.cPropertySets = 0;
                c.ulColumnSize = 0;
                if (!pure_date)
                    c.bScale = 4;
            }
        }
        if (c.ulColumnSize == 0 && c.wType == DBTYPE_BYTES) {
            tk_log(2, "Got BLOB field, set size=-1");
            c.ulColumnSize = unlimited_size;
        } else if (!d.identity && c.wType != DBTYPE_BYTES) {
            set_def_value(&d, &description->properties);
        }
        c.rgPropertySets = description->properties.get();
        c.cPropertySets = 1;
        descriptions.push_back(std::move(description));
    }

    tk_log(2, "Right before creating the table");
    {
        ole_com_ptr<IUnknown> rowset;
        odb_check(definition->CreateTable(nullptr, &table_id, columns.size(), columns.data(), IID_IUnknown, 0, nullptr,
                                          nullptr, rowset.get_address()));
    }
    tk_log(2, "Right after CreateTable");

    tk_log(2, L"udb_names_map::add_fn_map(%ls)", table_name.c_str());
    mss_engine::ref();
    names_map.add_fn_map(table_name, udb_name_pairs());

    tk_log(2, "Refining types for decimal & uniqueidentifier");
    for (const t_ftd* d : schema) {
        const std::wstring correction = type_correction(*d, native_date_time);
        if (correction.empty())
            continue;
        std::wstring statement =
            L"ALTER TABLE " + table_name + L" ALTER COLUMN " + mss_quote_name(d->name) + correction;
        if (d->b_not_null)
            statement += L" NOT NULL";
        tk_log(2, L"Alter type query: %ls", statement.c_str());
        try {
            std::unique_ptr<udb_recordset> altered(query(statement));
        } catch (const ole_type_exception&) {
            tk_log(3, L"Invalid default value: %ls", d->default_value.to_wstring().c_str());
        } catch (const tk_exception& e) {
            tk_log(3, "ERROR: %s", e.what());
        }
    }
    return nullptr;
}

void odb_database::set_def_value(const t_ftd* d, oledb::property_set* properties)
{
    tk_log(1, "odb_database::set_def_value");
    if (!d)
        throw tk_mail_assertion("odb_db", 524);
    if (!properties)
        throw tk_mail_assertion("odb_db", 525);
    const std::wstring text = d->default_value.to_wstring();
    tk_log(1, L"Got default value: '%ls', type=%d", text.c_str(), d->default_value.get_type());
    const std::uint32_t subtype = d->dw_reserved;
    if (d->vartype == VT_DATE && (udb_same_name(text, L"CURRENT_TIMESTAMP") || udb_same_name(text, L"now()") ||
                                  subtype == subtype_current_timestamp)) {
        tk_log(2, "Special processing for CURRENT_TIMESTAMP");
        properties->add_text(DBPROP_COL_DEFAULT, L"CURRENT_TIMESTAMP");
        return;
    }
    if (d->vartype == VT_DATE && (udb_same_name(text, L"GETDATE()") || subtype == 10 || subtype == 11)) {
        tk_log(2, "Got getdate() def.value");
        properties->add_text(DBPROP_COL_DEFAULT, L"GETDATE()");
        return;
    }
    if (text.empty())
        return;
    if (d->vartype == VT_BOOL) {
        tk_log(2, "Special processing for VT_BOOL def.values");
        properties->add_text(DBPROP_COL_DEFAULT, d->default_value.to_long() != 0 ? L"1" : L"0");
        return;
    }
    if (d->vartype == VT_BSTR && text == L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')") {
        tk_log(2, "Special processing for sysdate def.value");
        properties->add_text(DBPROP_COL_DEFAULT, L"CONVERT(VARCHAR(19), GETDATE(), 120)");
        return;
    }
    try {
        const ole_variant safe = mssql_get_safe_variant(ole_variant::from_wstring(text, d->vartype));
        std::wstring safe_text = safe.to_wstring();
        const bool quotable = d->vartype == VT_DATE || d->vartype == VT_BSTR;
        if (quotable && d->size >= 0 && static_cast<std::size_t>(d->size) < safe_text.size() && d->size > 0) {
            safe_text.resize(static_cast<std::size_t>(d->size - 1));
            tk_log(2, L"Truncate def.value to %d bytes: '%ls'", d->size - 1, safe_text.c_str());
        }
        if (d->vartype == VT_DATE && (subtype & 3) == odb_subtype_pure_time) {
            tk_log(1, "Def.value for pure time");
            const std::size_t null_date = safe_text.find(L"0000-00-00 ");
            if (safe_text.size() > 10 && null_date != std::wstring::npos && null_date <= safe_text.size() - 11) {
                tk_log(2, "odb_database::set_def_value: Null date has been found");
                safe_text.erase(null_date, 11);
            }
        }
        tk_log(2, L"Got safe default value: %ls", safe_text.c_str());
        if (quotable) {
            tk_log(1, "Def.value is quotable");
            properties->add_text(DBPROP_COL_DEFAULT, L"'" + doubled_quotes(safe_text) + L"'");
        } else {
            tk_log(1, "Def.value NOT quotable");
            properties->add(DBPROP_COL_DEFAULT, typed_value(safe_text, safe.get_type()));
        }
    } catch (const ole_type_exception&) {
        tk_log(2, "Invalid default value");
    }
}
