// The oledb folder: the OLE DB interfaces that the MS SQL target calls, with
// their structures, identifiers and result codes, implemented over ODBC. The
// providers (providers.h) are slots filled with SQL Server ODBC drivers;
// sessions run commands, open tables and schema rowsets, create tables and
// bulk-load through the driver's bulk copy. Every object talks to a
// data-access engine (db_backend.h): ODBC in a run, a recording engine in
// tests. ODBC diagnostics become OLE DB error records; no exception leaves
// an interface method, which answers with an HRESULT. It includes only the
// platform folder's top and automation/.
//
// This file: the interfaces themselves. Wide text in row buffers
// (DBTYPE_WSTR) and in streams bound to wide-text columns is wchar_t, so
// lengths are in bytes of wchar_t.
#pragma once

#include "platform/automation/oleauto.h"
#include "platform/oledb/error_info.h"
#include "platform/oledb/oledb_types.h"
#include "platform/oledb/sequential_stream.h"

#include <string>
#include <vector>

using DBBYTEOFFSET = std::uint64_t;
using DBROWOFFSET = std::int64_t;
using DBREFCOUNT = std::uint32_t;
using DBROWOPTIONS = std::uint32_t;
using DBROWSTATUS = std::uint32_t;
using DISPID = LONG;

class ITypeInfo;
struct DBBINDEXT;
using DB_UPARAMS = std::uint64_t;
using DBPARAMFLAGS = DWORD;

// The parameter values of one execution: `cParamSets` rows of `pData`,
// read by the parameter accessor `hAccessor`.
struct DBPARAMS {
    void* pData;
    DB_UPARAMS cParamSets;
    HACCESSOR hAccessor;
};

// What a parameter is on the server's side: its type by name (DBTYPE_WVARCHAR,
// DBTYPE_VARBINARY, ...) and size.
struct DBPARAMBINDINFO {
    LPOLESTR pwszDataSourceType;
    LPOLESTR pwszName;
    DBLENGTH ulParamSize;
    DBPARAMFLAGS dwFlags;
    BYTE bPrecision;
    BYTE bScale;
};

struct DBID {
    union {
        GUID guid;
        GUID* pguid;
    } uGuid;
    DBKIND eKind;
    union {
        LPOLESTR pwszName;
        ULONG ulPropid;
    } uName;
};

struct DBCOLUMNINFO {
    LPOLESTR pwszName;
    ITypeInfo* pTypeInfo;
    DBORDINAL iOrdinal;
    DBCOLUMNFLAGS dwFlags;
    DBLENGTH ulColumnSize;
    DBTYPE wType;
    BYTE bPrecision;
    BYTE bScale;
    DBID columnid;
};

struct DBOBJECT {
    DWORD dwFlags;
    IID iid;
};

struct DBBINDING {
    DBORDINAL iOrdinal;
    DBBYTEOFFSET obValue;
    DBBYTEOFFSET obLength;
    DBBYTEOFFSET obStatus;
    ITypeInfo* pTypeInfo;
    DBOBJECT* pObject;
    DBBINDEXT* pBindExt;
    DBPART dwPart;
    DBMEMOWNER dwMemOwner;
    DBPARAMIO eParamIO;
    DBLENGTH cbMaxLen;
    DWORD dwFlags;
    DBTYPE wType;
    BYTE bPrecision;
    BYTE bScale;
};

struct DBPROP {
    DBPROPID dwPropertyID;
    DBPROPOPTIONS dwOptions;
    DBPROPSTATUS dwStatus;
    DBID colid;
    VARIANT vValue;
};

struct DBPROPSET {
    DBPROP* rgProperties;
    ULONG cProperties;
    GUID guidPropertySet;
};

struct DBPROPIDSET {
    DBPROPID* rgPropertyIDs;
    ULONG cPropertyIDs;
    GUID guidPropertySet;
};

struct DBCOLUMNDESC {
    LPOLESTR pwszTypeName;
    ITypeInfo* pTypeInfo;
    DBPROPSET* rgPropertySets;
    CLSID* pclsid;
    ULONG cPropertySets;
    DBLENGTH ulColumnSize;
    DBID dbcid;
    DBTYPE wType;
    BYTE bPrecision;
    BYTE bScale;
};

struct ERRORINFO {
    HRESULT hrError;
    DWORD dwMinor;  // the server's native error number
    CLSID clsid;
    IID iid;
    DISPID dispid;
};

// Result codes.
inline constexpr HRESULT DB_E_BADACCESSORHANDLE = static_cast<HRESULT>(0x80040E00u);
inline constexpr HRESULT DB_E_BADROWHANDLE = static_cast<HRESULT>(0x80040E04u);
inline constexpr HRESULT DB_E_OBJECTOPEN = static_cast<HRESULT>(0x80040E05u);
inline constexpr HRESULT DB_E_BADBINDINFO = static_cast<HRESULT>(0x80040E08u);
inline constexpr HRESULT DB_E_NOCOMMAND = static_cast<HRESULT>(0x80040E0Cu);
inline constexpr HRESULT DB_E_BADCOLUMNID = static_cast<HRESULT>(0x80040E11u);
inline constexpr HRESULT DB_E_ERRORSINCOMMAND = static_cast<HRESULT>(0x80040E14u);
inline constexpr HRESULT DB_E_ERRORSOCCURRED = static_cast<HRESULT>(0x80040E21u);
inline constexpr HRESULT DB_E_NOAGGREGATION = static_cast<HRESULT>(0x80040E22u);
inline constexpr HRESULT DB_E_CANTFETCHBACKWARDS = static_cast<HRESULT>(0x80040E24u);
inline constexpr HRESULT DB_E_ROWSNOTRELEASED = static_cast<HRESULT>(0x80040E25u);
inline constexpr HRESULT DB_E_INTEGRITYVIOLATION = static_cast<HRESULT>(0x80040E2Fu);
inline constexpr HRESULT DB_E_NOTABLE = static_cast<HRESULT>(0x80040E37u);
inline constexpr HRESULT DB_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x80040E10u);
inline constexpr HRESULT DB_E_BADTYPENAME = static_cast<HRESULT>(0x80040E30u);
inline constexpr HRESULT DB_SEC_E_AUTH_FAILED = static_cast<HRESULT>(0x80040E4Du);
inline constexpr HRESULT DB_E_ALREADYINITIALIZED = static_cast<HRESULT>(0x80040E52u);
inline constexpr HRESULT DB_E_NOTSUPPORTED = static_cast<HRESULT>(0x80040E53u);
inline constexpr HRESULT DB_S_ENDOFROWSET = static_cast<HRESULT>(0x00040EC6u);
inline constexpr HRESULT DB_S_ERRORSOCCURRED = static_cast<HRESULT>(0x00040EDAu);

inline constexpr DBROWCOUNT DB_COUNTUNAVAILABLE = -1;

// Interfaces.
class IDBInitialize : public IUnknown {
public:
    virtual HRESULT Initialize() = 0;
    virtual HRESULT Uninitialize() = 0;
};

class IDBProperties : public IUnknown {
public:
    // Sets dwStatus of every property; DB_S_ERRORSOCCURRED when some and
    // DB_E_ERRORSOCCURRED when none could be set.
    virtual HRESULT SetProperties(ULONG cPropertySets, DBPROPSET rgPropertySets[]) = 0;
};

class IDataInitialize : public IUnknown {
public:
    virtual HRESULT GetDataSource(IUnknown* pUnkOuter, DWORD dwClsCtx, LPCOLESTR pwszInitializationString, REFIID riid,
                                  IUnknown** ppDataSource) = 0;
};

class IDBCreateSession : public IUnknown {
public:
    virtual HRESULT CreateSession(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppDBSession) = 0;
};

class IOpenRowset : public IUnknown {
public:
    virtual HRESULT OpenRowset(IUnknown* pUnkOuter, DBID* pTableID, DBID* pIndexID, REFIID riid, ULONG cPropertySets,
                               DBPROPSET rgPropertySets[], IUnknown** ppRowset) = 0;
};

class IDBCreateCommand : public IUnknown {
public:
    virtual HRESULT CreateCommand(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppCommand) = 0;
};

class ICommand : public IUnknown {
public:
    // A statement without a result set leaves *ppRowset null.
    virtual HRESULT Execute(IUnknown* pUnkOuter, REFIID riid, DBPARAMS* pParams, DBROWCOUNT* pcRowsAffected,
                            IUnknown** ppRowset) = 0;
};

class ICommandText : public ICommand {
public:
    virtual HRESULT SetCommandText(REFGUID rguidDialect, LPCOLESTR pwszCommand) = 0;
};

class ICommandWithParameters : public IUnknown {
public:
    // Describes the parameters of the ordinals given; the ones described
    // before are replaced.
    virtual HRESULT SetParameterInfo(DB_UPARAMS cParams, const DB_UPARAMS rgParamOrdinals[],
                                     const DBPARAMBINDINFO rgParamBindInfo[]) = 0;
};

class IRowset : public IUnknown {
public:
    virtual HRESULT GetData(HROW hRow, HACCESSOR hAccessor, void* pData) = 0;
    // Forward only: lRowsOffset is 0 or skips rows; fewer rows than asked
    // give DB_S_ENDOFROWSET. A null *prghRows is allocated with CoTaskMemAlloc.
    virtual HRESULT GetNextRows(HCHAPTER hReserved, DBROWOFFSET lRowsOffset, DBROWCOUNT cRows,
                                DBCOUNTITEM* pcRowsObtained, HROW** prghRows) = 0;
    virtual HRESULT ReleaseRows(DBCOUNTITEM cRows, const HROW rghRows[], DBROWOPTIONS rgRowOptions[],
                                DBREFCOUNT rgRefCounts[], DBROWSTATUS rgRowStatus[]) = 0;
    // Runs the statement again when rows were read.
    virtual HRESULT RestartPosition(HCHAPTER hReserved) = 0;
};

class IColumnsInfo : public IUnknown {
public:
    // The array and the names buffer come from CoTaskMemAlloc; the names in
    // the array point into the buffer.
    virtual HRESULT GetColumnInfo(DBORDINAL* pcColumns, DBCOLUMNINFO** prgInfo, OLECHAR** ppStringsBuffer) = 0;
};

class IAccessor : public IUnknown {
public:
    virtual HRESULT CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings, const DBBINDING rgBindings[],
                                   DBLENGTH cbRowSize, HACCESSOR* phAccessor, DBBINDSTATUS rgStatus[]) = 0;
    virtual HRESULT ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount) = 0;
};

class IRowsetInfo : public IUnknown {
public:
    // The sets and their properties come from CoTaskMemAlloc.
    virtual HRESULT GetProperties(ULONG cPropertyIDSets, const DBPROPIDSET rgPropertyIDSets[], ULONG* pcPropertySets,
                                  DBPROPSET** prgPropertySets) = 0;
};

class IDBSchemaRowset : public IUnknown {
public:
    virtual HRESULT GetRowset(IUnknown* pUnkOuter, REFGUID rguidSchema, ULONG cRestrictions,
                              const VARIANT rgRestrictions[], REFIID riid, ULONG cPropertySets,
                              DBPROPSET rgPropertySets[], IUnknown** ppRowset) = 0;
};

class ITableDefinition : public IUnknown {
public:
    virtual HRESULT CreateTable(IUnknown* pUnkOuter, DBID* pTableID, DBORDINAL cColumnDescs,
                                const DBCOLUMNDESC rgColumnDescs[], REFIID riid, ULONG cPropertySets,
                                DBPROPSET rgPropertySets[], DBID** ppTableID, IUnknown** ppRowset) = 0;
};

class IRowsetFastLoad : public IUnknown {
public:
    // Reads every bound column of the row; a bound stream (DBTYPE_IUNKNOWN)
    // is read to its end and its reference stays with the caller.
    virtual HRESULT InsertRow(HACCESSOR hAccessor, void* pData) = 0;
    virtual HRESULT Commit(bool fDone) = 0;
};

// Of this layer, not of OLE DB: a fast-load rowset writes the rows of a batch
// the server refused again one at a time, and names here those the server
// refused alone: each by its number in the order of InsertRow (from 0), with
// the server's first error record.
struct DBREFUSEDROW {
    DBCOUNTITEM iRow = 0;
    std::wstring message;
    std::wstring sqlState;
    LONG nativeError = 0;
};

class IRowsetFastLoadRefusals : public IUnknown {
public:
    // The rows refused since the last call.
    virtual HRESULT TakeRefusedRows(std::vector<DBREFUSEDROW>& rows) = 0;
};

class IErrorRecords : public IUnknown {
public:
    virtual HRESULT GetRecordCount(ULONG* pcRecords) = 0;
    virtual HRESULT GetBasicErrorInfo(ULONG ulRecordNum, ERRORINFO* pErrorInfo) = 0;
    virtual HRESULT GetCustomErrorObject(ULONG ulRecordNum, REFIID riid, IUnknown** ppObject) = 0;
    virtual HRESULT GetErrorInfo(ULONG ulRecordNum, LCID lcid, IErrorInfo** ppErrorInfo) = 0;
};

class ISQLErrorInfo : public IUnknown {
public:
    virtual HRESULT GetSQLInfo(BSTR* pbstrSQLState, LONG* plNativeError) = 0;
};

// Identifiers.
inline constexpr IID IID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

#define VELMORA_OLEDB_IID(name, d1)                                                                                    \
    inline constexpr IID name                                                                                          \
    {                                                                                                                  \
        d1, 0x2A1C, 0x11CE,                                                                                            \
        {                                                                                                              \
            0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D                                                             \
        }                                                                                                              \
    }
VELMORA_OLEDB_IID(IID_IAccessor, 0x0C733A8C);
VELMORA_OLEDB_IID(IID_IColumnsInfo, 0x0C733A11);
VELMORA_OLEDB_IID(IID_ICommand, 0x0C733A63);
VELMORA_OLEDB_IID(IID_ICommandText, 0x0C733A27);
VELMORA_OLEDB_IID(IID_ICommandWithParameters, 0x0C733A64);
VELMORA_OLEDB_IID(IID_IDBCreateCommand, 0x0C733A1D);
VELMORA_OLEDB_IID(IID_IDBCreateSession, 0x0C733A5D);
VELMORA_OLEDB_IID(IID_IDBInitialize, 0x0C733A8B);
VELMORA_OLEDB_IID(IID_IDBProperties, 0x0C733A8A);
VELMORA_OLEDB_IID(IID_IDBSchemaRowset, 0x0C733A7B);
VELMORA_OLEDB_IID(IID_IErrorRecords, 0x0C733A67);
VELMORA_OLEDB_IID(IID_IOpenRowset, 0x0C733A69);
VELMORA_OLEDB_IID(IID_IRowset, 0x0C733A7C);
VELMORA_OLEDB_IID(IID_IRowsetInfo, 0x0C733A55);
VELMORA_OLEDB_IID(IID_ISQLErrorInfo, 0x0C733A74);
VELMORA_OLEDB_IID(IID_ITableDefinition, 0x0C733A86);
#undef VELMORA_OLEDB_IID

inline constexpr IID IID_IDataInitialize{0x2206CCB1, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
inline constexpr IID IID_IRowsetFastLoad{0x5CF4CA13, 0xEF21, 0x11D0, {0x97, 0xE7, 0x00, 0xC0, 0x4F, 0xC2, 0xAD, 0x98}};
inline constexpr IID IID_IRowsetFastLoadRefusals{
    0x5CF4CA14, 0xEF21, 0x11D0, {0x97, 0xE7, 0x00, 0xC0, 0x4F, 0xC2, 0xAD, 0x98}};

#define VELMORA_OLEDB_GUID(name, d1)                                                                                   \
    inline constexpr GUID name                                                                                         \
    {                                                                                                                  \
        d1, 0x5CF3, 0x11CE,                                                                                            \
        {                                                                                                              \
            0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D                                                             \
        }                                                                                                              \
    }
VELMORA_OLEDB_GUID(DBGUID_DEFAULT, 0xC8B521FB);
VELMORA_OLEDB_GUID(DBPROPSET_COLUMN, 0xC8B522B9);
VELMORA_OLEDB_GUID(DBPROPSET_DBINIT, 0xC8B522BC);
VELMORA_OLEDB_GUID(DBPROPSET_ROWSET, 0xC8B522BE);
VELMORA_OLEDB_GUID(DBSCHEMA_FOREIGN_KEYS, 0xC8B522C4);
VELMORA_OLEDB_GUID(DBSCHEMA_INDEXES, 0xC8B5221E);
VELMORA_OLEDB_GUID(DBSCHEMA_PRIMARY_KEYS, 0xC8B522C5);
VELMORA_OLEDB_GUID(DBSCHEMA_TABLES, 0xC8B52229);
#undef VELMORA_OLEDB_GUID

inline constexpr GUID DBPROPSET_SQLSERVERDATASOURCE{
    0x28EFAEE4, 0x2D2C, 0x11D1, {0x98, 0x07, 0x00, 0xC0, 0x4F, 0xC2, 0xAD, 0x98}};
inline constexpr GUID DBPROPSET_SQLSERVERROWSET{
    0x5CF4CA10, 0xEF21, 0x11D0, {0x97, 0xE7, 0x00, 0xC0, 0x4F, 0xC2, 0xAD, 0x98}};

// Provider classes and the data-initialize service.
inline constexpr CLSID CLSID_SQLNCLI11{0x397C2819, 0x8272, 0x4532, {0xAD, 0x3A, 0xFB, 0x5E, 0x43, 0xBE, 0xAA, 0x39}};
inline constexpr CLSID CLSID_SQLNCLI10{0x8F4A6B68, 0x4F36, 0x4E3C, {0xBE, 0x81, 0xBC, 0x7C, 0xA4, 0xE9, 0xC4, 0x5C}};
inline constexpr CLSID CLSID_SQLOLEDB{0x0C7FF16C, 0x38E3, 0x11D0, {0x97, 0xAB, 0x00, 0xC0, 0x4F, 0xC2, 0xAD, 0x98}};
inline constexpr CLSID CLSID_MSDAINITIALIZE{
    0x2206CDB0, 0x19C1, 0x11D1, {0x89, 0xE0, 0x00, 0xC0, 0x4F, 0xD7, 0xA8, 0x29}};
