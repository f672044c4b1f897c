#include "platform/oledb/schema_layout.h"

namespace oledb {

namespace {

db_column text(const wchar_t* name, std::uint64_t size = 128)
{
    return {name, DBTYPE_WSTR, size, 255, 255, DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL};
}

db_column number(const wchar_t* name, DBTYPE type, std::uint64_t size, std::uint8_t precision)
{
    return {name,      type, size,
            precision, 255,  DBCOLUMNFLAGS_ISFIXEDLENGTH | DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL};
}

db_column guid(const wchar_t* name)
{
    return number(name, DBTYPE_GUID, 16, 255);
}
db_column ui4(const wchar_t* name)
{
    return number(name, DBTYPE_UI4, 4, 10);
}
db_column i4(const wchar_t* name)
{
    return number(name, DBTYPE_I4, 4, 10);
}
db_column boolean(const wchar_t* name)
{
    return number(name, DBTYPE_BOOL, 2, 255);
}

std::vector<db_column> tables()
{
    return {text(L"TABLE_CATALOG"),
            text(L"TABLE_SCHEMA"),
            text(L"TABLE_NAME"),
            text(L"TABLE_TYPE"),
            guid(L"TABLE_GUID"),
            text(L"DESCRIPTION", 2000),
            ui4(L"TABLE_PROPID"),
            number(L"DATE_CREATED", DBTYPE_DATE, 8, 255),
            number(L"DATE_MODIFIED", DBTYPE_DATE, 8, 255)};
}

std::vector<db_column> primary_keys()
{
    return {text(L"TABLE_CATALOG"), text(L"TABLE_SCHEMA"), text(L"TABLE_NAME"), text(L"COLUMN_NAME"),
            guid(L"COLUMN_GUID"),   ui4(L"COLUMN_PROPID"), ui4(L"ORDINAL"),     text(L"PK_NAME")};
}

std::vector<db_column> indexes()
{
    return {text(L"TABLE_CATALOG"),
            text(L"TABLE_SCHEMA"),
            text(L"TABLE_NAME"),
            text(L"INDEX_CATALOG"),
            text(L"INDEX_SCHEMA"),
            text(L"INDEX_NAME"),
            boolean(L"PRIMARY_KEY"),
            boolean(L"UNIQUE"),
            boolean(L"CLUSTERED"),
            number(L"TYPE", DBTYPE_UI2, 2, 5),
            i4(L"FILL_FACTOR"),
            i4(L"INITIAL_SIZE"),
            i4(L"NULLS"),
            boolean(L"SORT_BOOKMARKS"),
            boolean(L"AUTO_UPDATE"),
            i4(L"NULL_COLLATION"),
            ui4(L"ORDINAL_POSITION"),
            text(L"COLUMN_NAME"),
            guid(L"COLUMN_GUID"),
            ui4(L"COLUMN_PROPID"),
            number(L"COLLATION", DBTYPE_I2, 2, 5),
            number(L"CARDINALITY", DBTYPE_UI8, 8, 20),
            i4(L"PAGES"),
            text(L"FILTER_CONDITION", 2000),
            boolean(L"INTEGRATED")};
}

std::vector<db_column> foreign_keys()
{
    return {text(L"PK_TABLE_CATALOG"), text(L"PK_TABLE_SCHEMA"), text(L"PK_TABLE_NAME"),
            text(L"PK_COLUMN_NAME"),   guid(L"PK_COLUMN_GUID"),  ui4(L"PK_COLUMN_PROPID"),
            text(L"FK_TABLE_CATALOG"), text(L"FK_TABLE_SCHEMA"), text(L"FK_TABLE_NAME"),
            text(L"FK_COLUMN_NAME"),   guid(L"FK_COLUMN_GUID"),  ui4(L"FK_COLUMN_PROPID"),
            ui4(L"ORDINAL"),           text(L"UPDATE_RULE"),     text(L"DELETE_RULE"),
            text(L"PK_NAME"),          text(L"FK_NAME"),         number(L"DEFERRABILITY", DBTYPE_I2, 2, 5)};
}

}  // namespace

std::vector<db_column> schema_columns(schema_kind kind)
{
    switch (kind) {
    case schema_kind::tables: return tables();
    case schema_kind::primary_keys: return primary_keys();
    case schema_kind::indexes: return indexes();
    case schema_kind::foreign_keys: return foreign_keys();
    }
    return {};
}

std::size_t schema_restriction_count(schema_kind kind)
{
    switch (kind) {
    case schema_kind::tables: return 4;
    case schema_kind::primary_keys: return 3;
    case schema_kind::indexes: return 5;
    case schema_kind::foreign_keys: return 6;
    }
    return 0;
}

}  // namespace oledb
