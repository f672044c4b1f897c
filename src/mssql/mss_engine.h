// The mssql folder: the MS SQL Server side, in three parts over a shared top.
// The top holds what both paths need to write the same T-SQL: the engine
// (this file), the data-source opener and OLE DB errors, quoting and names
// of tables, indexes and views, the type mapping and its catalogues, column
// definitions, literals, the fit of text values, identifier rules, what
// T-SQL clients read as their own commands and view rewriting. script/ writes a T-SQL script file; odb/ is the access to OLE
// DB (commands, rowsets, schema rowsets, records); direct/ writes into a
// server over odb/. direct/ may include odb/ and the top, script/ and odb/
// only the top (tools/check_layers.sh), so the script needs no connection;
// the engine still holds what a connection made earlier in the process told
// (user, dbo rights, version), which the script then follows. Both paths write a value or refuse its record alike. It
// includes model and the layers below it, never src/mysql. Classes start
// with mss_ (odb_ in the OLE DB access).
//
// This file: the engine, the process's one MS SQL Server connection and the
// flags both paths read.
#pragma once

#include "mssql/odb_initializer.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_singleton.h"
#include "variant/ole_com_ptr.h"

#include <cstdint>
#include <string>
#include <vector>

class mss_database;
class mss_dmp_database;
struct mss_dump_options;

// The version code that get_version_code gives Azure SQL.
inline constexpr std::int32_t mss_azure_version_code = 100;

// The login may connect to the server but not to that database.
class mss_no_perm_exception : public tk_exception {
public:
    mss_no_perm_exception(const std::wstring& user, const std::wstring& database);
};

// The one MS SQL Server connection of a process. It exists in both
// destination modes: the script writer reads its flags too.
class mss_engine : public tk_singleton<mss_engine> {
public:
    // With `no_com_init` zero, COM would be initialized; that is a no-op here.
    explicit mss_engine(std::uint32_t no_com_init = 0);
    ~mss_engine() override;

    bool is_view_owned() const { return view_owned; }

    // A new T-SQL script writer on that file, owned by the caller; no
    // connection is needed. Defined with the writer (script/mss_engine_dump.cpp).
    mss_dmp_database* create_dump(const std::wstring& file_name, const mss_dump_options& options);

    // The server version code of a "SELECT @@VERSION" text: 1 to 18 by the
    // release year, 100 for Azure SQL, 1 when not recognized.
    static std::int32_t get_version_code(const std::wstring& version_text);

    // [owner].[table]; a name without owner gets dbo, or the login when the
    // login is neither sa nor connected as the database owner.
    static std::wstring get_safe_tname(const std::wstring& name);
    // One ON DELETE and one ON UPDATE action, in either order.
    static bool is_valid_fk_props(const std::wstring& rule);

    std::int32_t version_code = 0;
    // Login of the last SQL Server authentication connect; empty with
    // Windows authentication.
    std::wstring user;
    bool connected = false;
    // The data source was opened through a native-client provider.
    bool native_client = false;
    bool fast_load = true;
    // Text columns are NVARCHAR and text literals carry the N prefix.
    bool unicode = true;
    // Tables go to dbo even when the login is not sa.
    bool as_dbo = false;
    bool view_owned = true;

    // Connection to the server, for the direct path (direct/mss_engine_connection.cpp).
    // Failures raise odb_exception; the operations on databases need a connection.
    void connect(const std::wstring& server, const std::wstring& user, const std::wstring& password,
                 const std::wstring& database, bool fast_load);
    void connect(const std::wstring& server, const std::wstring& user, const std::wstring& password, bool fast_load);
    // Windows authentication.
    void connect(const std::wstring& server, bool fast_load);
    // Whether the provider took the fast-load setting for that data source.
    bool enable_fast_load(IDBInitialize* source, bool on);
    std::int32_t get_version(IDBInitialize* source);
    void init_db_contents(IDBInitialize* source);
    std::vector<std::wstring> get_contents() const;
    std::string get_code_page(IDBInitialize* source);
    bool is_db_exist(const std::wstring& name);
    // New database objects, owned by the caller.
    mss_database* open_db(const std::wstring& name, std::uint32_t mode, const std::wstring& owner);
    mss_database* create_db(const std::wstring& name);
    void delete_db(const std::wstring& name);

    std::wstring server;
    // Kept to reconnect with a database as the initial catalog.
    std::wstring password;
    odb_initializer initializer;
    std::vector<std::wstring> databases;
    ole_com_ptr<IDBInitialize> data_source;

private:
    void open_data_source(const std::wstring& server, const std::wstring& user, const std::wstring& password,
                          const std::wstring& database, bool fast_load);

    std::uint32_t m_no_com_init;
};

// The OLE DB type code (DBTYPE) of an MS SQL type name, matched exactly;
// 130 (DBTYPE_WSTR) for a name not in the map.
std::uint16_t mss_get_oledb_type(const std::wstring& type_name);
