#include "platform/oledb/create_table.h"

#include "platform/oledb/table_name.h"

#include <stdexcept>
#include <string>

namespace oledb {

namespace {

constexpr DBLENGTH unlimited = ~DBLENGTH{0};

std::wstring sized(const wchar_t* type, DBLENGTH size, DBLENGTH largest)
{
    if (size == 0 || size == unlimited || size > largest)
        return std::wstring(type) + L"(max)";
    return std::wstring(type) + L"(" + std::to_wstring(size) + L")";
}

std::wstring type_text(const DBCOLUMNDESC& c)
{
    if (c.pwszTypeName && *c.pwszTypeName)
        return c.pwszTypeName;
    switch (c.wType) {
    case DBTYPE_I2: return L"smallint";
    case DBTYPE_I4: return L"int";
    case DBTYPE_I8: return L"bigint";
    case DBTYPE_UI1: return L"tinyint";
    case DBTYPE_BOOL: return L"bit";
    case DBTYPE_R4: return L"real";
    case DBTYPE_R8: return L"float";
    case DBTYPE_CY: return L"money";
    case DBTYPE_NUMERIC:
    case DBTYPE_DECIMAL:
        return L"numeric(" + std::to_wstring(c.bPrecision ? c.bPrecision : 18) + L"," + std::to_wstring(c.bScale) +
               L")";
    case DBTYPE_DBDATE: return L"date";
    case DBTYPE_DBTIME:
    case DBTYPE_DBTIME2: return L"time";
    case DBTYPE_DBTIMESTAMP:
        return c.bScale > 0 && c.bScale <= 7 ? L"datetime2(" + std::to_wstring(c.bScale) + L")" : L"datetime";
    case DBTYPE_DBTIMESTAMPOFFSET: return L"datetimeoffset";
    case DBTYPE_GUID: return L"uniqueidentifier";
    case DBTYPE_STR: return sized(L"varchar", c.ulColumnSize, 8000);
    case DBTYPE_BYTES: return sized(L"varbinary", c.ulColumnSize, 8000);
    case DBTYPE_XML: return L"xml";
    default: return sized(L"nvarchar", c.ulColumnSize, 4000);
    }
}

std::wstring default_text(const VARIANT& value)
{
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR)))
        throw std::invalid_argument("column default that is no text or number");
    std::wstring result(text.bstrVal, SysStringLen(text.bstrVal));
    VariantClear(&text);
    return result;
}

std::wstring column_text(const DBCOLUMNDESC& c)
{
    if (c.dbcid.eKind != DBKIND_NAME || !c.dbcid.uName.pwszName)
        throw std::invalid_argument("column description without a name");
    const std::wstring name = c.dbcid.uName.pwszName;
    const bool quoted = name.size() >= 2 && name.front() == L'[' && name.back() == L']';
    std::wstring text = (quoted ? name : bracketed(name)) + L" " + type_text(c);
    std::wstring nullability, fallback;
    for (ULONG s = 0; s < c.cPropertySets; ++s) {
        const DBPROPSET& set = c.rgPropertySets[s];
        if (set.guidPropertySet != DBPROPSET_COLUMN)
            continue;
        for (ULONG i = 0; i < set.cProperties; ++i) {
            const DBPROP& p = set.rgProperties[i];
            const bool on = p.vValue.vt == VT_BOOL && p.vValue.boolVal != VARIANT_FALSE;
            if (p.dwPropertyID == DBPROP_COL_AUTOINCREMENT && on)
                text += L" IDENTITY(1,1)";
            else if (p.dwPropertyID == DBPROP_COL_NULLABLE && p.vValue.vt == VT_BOOL)
                nullability = on ? L" NULL" : L" NOT NULL";
            else if (p.dwPropertyID == DBPROP_COL_DEFAULT && p.vValue.vt != VT_EMPTY)
                fallback = L" DEFAULT " + default_text(p.vValue);
        }
    }
    return text + nullability + fallback;
}

}  // namespace

std::wstring create_table_statement(const std::wstring& table, DBORDINAL count, const DBCOLUMNDESC columns[])
{
    std::wstring text = L"CREATE TABLE " + quoted_table_name(table) + L" (";
    for (DBORDINAL i = 0; i < count; ++i)
        text += (i ? L", " : L"") + column_text(columns[i]);
    return text + L")";
}

}  // namespace oledb
