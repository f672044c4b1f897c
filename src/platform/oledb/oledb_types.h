// Type codes, status codes and column flags of the OLE DB data model.
#pragma once

#include <cstdint>

using DBTYPE = std::uint16_t;
using DBSTATUS = std::uint32_t;
using DBLENGTH = std::uint64_t;
using DBORDINAL = std::uint64_t;
using DBCOUNTITEM = std::uint64_t;
using DBROWCOUNT = std::int64_t;
using DBCOLUMNFLAGS = std::uint32_t;
using DBPART = std::uint32_t;
using DBMEMOWNER = std::uint32_t;
using DBPARAMIO = std::uint32_t;
using DBBINDSTATUS = std::uint32_t;
using DBACCESSORFLAGS = std::uint32_t;
using DBPROPID = std::uint32_t;
using DBPROPOPTIONS = std::uint32_t;
using DBPROPSTATUS = std::uint32_t;
using DBKIND = std::uint32_t;
using HACCESSOR = std::uintptr_t;
using HROW = std::uintptr_t;
using HCHAPTER = std::uintptr_t;
constexpr HCHAPTER DB_NULL_HCHAPTER = 0;

enum : DBTYPE {
    DBTYPE_EMPTY = 0,
    DBTYPE_NULL = 1,
    DBTYPE_I2 = 2,
    DBTYPE_I4 = 3,
    DBTYPE_R4 = 4,
    DBTYPE_R8 = 5,
    DBTYPE_CY = 6,
    DBTYPE_DATE = 7,
    DBTYPE_BSTR = 8,
    DBTYPE_IDISPATCH = 9,
    DBTYPE_ERROR = 10,
    DBTYPE_BOOL = 11,
    DBTYPE_VARIANT = 12,
    DBTYPE_IUNKNOWN = 13,
    DBTYPE_DECIMAL = 14,
    DBTYPE_I1 = 16,
    DBTYPE_UI1 = 17,
    DBTYPE_UI2 = 18,
    DBTYPE_UI4 = 19,
    DBTYPE_I8 = 20,
    DBTYPE_UI8 = 21,
    DBTYPE_GUID = 72,
    DBTYPE_BYTES = 128,
    DBTYPE_STR = 129,
    DBTYPE_WSTR = 130,
    DBTYPE_NUMERIC = 131,
    DBTYPE_UDT = 132,
    DBTYPE_DBDATE = 133,
    DBTYPE_DBTIME = 134,
    DBTYPE_DBTIMESTAMP = 135,
    DBTYPE_XML = 141,
    DBTYPE_DBTIME2 = 145,
    DBTYPE_DBTIMESTAMPOFFSET = 146,
    DBTYPE_BYREF = 0x4000,
};

enum : DBSTATUS {
    DBSTATUS_S_OK = 0,
    DBSTATUS_E_BADACCESSOR = 1,
    DBSTATUS_E_CANTCONVERTVALUE = 2,
    DBSTATUS_S_ISNULL = 3,
    DBSTATUS_S_TRUNCATED = 4,
    DBSTATUS_E_SIGNMISMATCH = 5,
    DBSTATUS_E_DATAOVERFLOW = 6,
    DBSTATUS_E_CANTCREATE = 7,
    DBSTATUS_E_UNAVAILABLE = 8,
    DBSTATUS_S_DEFAULT = 13,
};

enum : DBCOLUMNFLAGS {
    DBCOLUMNFLAGS_ISBOOKMARK = 0x1,
    DBCOLUMNFLAGS_MAYDEFER = 0x2,
    DBCOLUMNFLAGS_WRITE = 0x4,
    DBCOLUMNFLAGS_WRITEUNKNOWN = 0x8,
    DBCOLUMNFLAGS_ISFIXEDLENGTH = 0x10,
    DBCOLUMNFLAGS_ISNULLABLE = 0x20,
    DBCOLUMNFLAGS_MAYBENULL = 0x40,
    DBCOLUMNFLAGS_ISLONG = 0x80,
    DBCOLUMNFLAGS_ISROWID = 0x100,
    DBCOLUMNFLAGS_ISROWVER = 0x200,
};

enum : DBPART {
    DBPART_INVALID = 0,
    DBPART_VALUE = 0x1,
    DBPART_LENGTH = 0x2,
    DBPART_STATUS = 0x4,
};

enum : DBMEMOWNER {
    DBMEMOWNER_CLIENTOWNED = 0,
    DBMEMOWNER_PROVIDEROWNED = 1,
};

enum : DBPARAMIO {
    DBPARAMIO_NOTPARAM = 0,
    DBPARAMIO_INPUT = 1,
    DBPARAMIO_OUTPUT = 2,
};

enum : DBBINDSTATUS {
    DBBINDSTATUS_OK = 0,
    DBBINDSTATUS_BADORDINAL = 1,
    DBBINDSTATUS_UNSUPPORTEDCONVERSION = 2,
    DBBINDSTATUS_BADBINDINFO = 3,
};

enum : DBACCESSORFLAGS {
    DBACCESSOR_INVALID = 0,
    DBACCESSOR_PASSBYREF = 0x1,
    DBACCESSOR_ROWDATA = 0x2,
    DBACCESSOR_PARAMETERDATA = 0x4,
    DBACCESSOR_OPTIMIZED = 0x8,
};

enum : DBKIND {
    DBKIND_GUID_NAME = 0,
    DBKIND_GUID_PROPID = 1,
    DBKIND_NAME = 2,
    DBKIND_PGUID_NAME = 3,
    DBKIND_PGUID_PROPID = 4,
    DBKIND_PROPID = 5,
    DBKIND_GUID = 6,
};

enum : DBPROPOPTIONS {
    DBPROPOPTIONS_REQUIRED = 0,
    DBPROPOPTIONS_SETIFCHEAP = 1,
    DBPROPOPTIONS_OPTIONAL = 1,
};

enum : DBPROPSTATUS {
    DBPROPSTATUS_OK = 0,
    DBPROPSTATUS_NOTSUPPORTED = 1,
    DBPROPSTATUS_BADVALUE = 2,
    DBPROPSTATUS_BADOPTION = 3,
    DBPROPSTATUS_BADCOLUMN = 4,
    DBPROPSTATUS_NOTALLSETTABLE = 5,
    DBPROPSTATUS_NOTSETTABLE = 6,
    DBPROPSTATUS_NOTSET = 7,
    DBPROPSTATUS_CONFLICTING = 8,
};

// Property ids of the DBINIT, ROWSET and COLUMN property sets.
enum : DBPROPID {
    DBPROP_AUTH_INTEGRATED = 7,
    DBPROP_AUTH_PASSWORD = 9,
    DBPROP_AUTH_USERID = 12,
    DBPROP_COL_AUTOINCREMENT = 26,
    DBPROP_COL_DEFAULT = 27,
    DBPROP_COL_NULLABLE = 29,
    DBPROP_INIT_DATASOURCE = 59,
    DBPROP_UPDATABILITY = 117,
    DBPROP_IRowsetChange = 127,
    DBPROP_ISequentialStream = 137,
    DBPROP_IStream = 139,
    DBPROP_INIT_CATALOG = 233,
};

// Properties of the SQL Server provider property sets.
enum : DBPROPID {
    SSPROP_ENABLEFASTLOAD = 2,
    SSPROP_FASTLOADKEEPIDENTITY = 11,
    SSPROP_IRowsetFastLoad = 14,
};

struct DBDATE {
    std::int16_t year;
    std::uint16_t month;
    std::uint16_t day;
};

struct DBTIME2 {
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint32_t fraction;  // nanoseconds
};

struct DBTIMESTAMP {
    std::int16_t year;
    std::uint16_t month;
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint32_t fraction;  // nanoseconds
};

constexpr int DB_MAX_NUMERIC_LEN = 16;

struct DB_NUMERIC {
    std::uint8_t precision;
    std::int8_t scale;
    std::uint8_t sign;                     // 1 positive, 0 negative
    std::uint8_t val[DB_MAX_NUMERIC_LEN];  // little-endian magnitude
};

static_assert(sizeof(DBDATE) == 6);
static_assert(sizeof(DBTIME2) == 12);
static_assert(sizeof(DBTIMESTAMP) == 16);
static_assert(sizeof(DB_NUMERIC) == 19);
