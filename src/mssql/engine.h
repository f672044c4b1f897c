#pragma once

#include "toolkit/tk_singleton.h"

#include <cstdint>
#include <string>

class mss_dmp_database;
struct mss_dump_options;

// The one MS SQL Server connection of a process. It exists in both
// destination modes: the script writer reads its flags too.
class mss_engine : public tk_singleton<mss_engine> {
public:
    // With `no_com_init` zero, COM would be initialized; that is a no-op here.
    explicit mss_engine(std::uint32_t no_com_init = 0);
    ~mss_engine() override;

    bool is_view_owned() const { return view_owned; }

    // A new T-SQL script writer on that file, owned by the caller; no
    // connection is needed.
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

private:
    std::uint32_t m_no_com_init;
};

// The OLE DB type code (DBTYPE) of an MS SQL type name, matched exactly;
// 130 (DBTYPE_WSTR) for a name not in the map.
std::uint16_t mss_get_oledb_type(const std::wstring& type_name);
