#include "platform/oledb/odbc_provider.h"

#include "platform/oledb/connection_string.h"
#include "platform/oledb/odbc_bulk_copy.h"
#include "platform/oledb/odbc_connection.h"
#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/server_address.h"
#include "platform/oledb/utf16.h"

#include <odbcinst.h>

namespace oledb::odbc {

namespace {

constexpr const wchar_t* default_port = L"1433";

}  // namespace

std::string registered_driver_library(const std::wstring& driver)
{
    char path[4096] = {};
    const std::string section = to_utf8(driver);
    const int length = SQLGetPrivateProfileString(section.c_str(), "Driver", "", path, sizeof(path), "odbcinst.ini");
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

odbc_provider::odbc_provider(std::wstring driver, driver_family family) : driver_(std::move(driver)), family_(family) {}

odbc_provider::~odbc_provider() = default;

bool odbc_provider::is_installed() const
{
    SQLHENV env = environment();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR description[512] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLDriversW(env, direction, description, 512, &length, nullptr, 0, nullptr);
        if (!SQL_SUCCEEDED(rc))
            return false;
        if (from_utf16(description, std::min<std::size_t>(static_cast<std::size_t>(length), 511)) == driver_)
            return true;
        direction = SQL_FETCH_NEXT;
    }
}

const bulk_copy_api* odbc_provider::bulk_api() const
{
    std::call_once(bulk_once_, [this] {
        if (family_ == driver_family::freetds)
            bulk_ = freetds_bulk_copy();
        else if (const std::string library = registered_driver_library(driver_); !library.empty())
            bulk_ = library_bulk_copy(library);
    });
    return bulk_.get();
}

bool odbc_provider::supports_bulk_load() const
{
    return bulk_api() != nullptr;
}

// The Microsoft drivers read every address form in Server; FreeTDS reads a
// host and an instance there but takes the port from its own key, and has no
// port of its own to fall back on.
std::wstring odbc_provider::server_keys(const std::wstring& address) const
{
    const server_address parts = usable_server_address(driver_, address);
    if (family_ != driver_family::freetds) {
        std::wstring server = parts.host;
        if (!parts.port.empty())
            server += L"," + parts.port;
        else if (!parts.instance.empty())
            server += L"\\" + parts.instance;
        return L"Server=" + odbc_quote(server) + L";";
    }
    if (parts.port.empty() && !parts.instance.empty())
        return L"Server=" + odbc_quote(parts.host + L"\\" + parts.instance) + L";";
    return L"Server=" + odbc_quote(parts.host) + L";Port=" + (parts.port.empty() ? default_port : parts.port) + L";";
}

std::wstring odbc_provider::connection_string(const db_login& login) const
{
    std::wstring text = L"Driver=" + odbc_quote(driver_) + L";" + server_keys(login.server);
    if (!login.database.empty())
        text += L"Database=" + odbc_quote(login.database) + L";";
    if (login.integrated)
        text += L"Trusted_Connection=yes;";
    else
        text += L"UID=" + odbc_quote(login.user) + L";PWD=" + odbc_quote(login.password) + L";";
    if (family_ == driver_family::freetds)
        text += L"TDS_Version=7.4;ClientCharset=UTF-8;";
    else
        // Like the native clients: no forced encryption, and a server that
        // asks for it is accepted with its own certificate.
        text += L"Encrypt=no;TrustServerCertificate=yes;";
    return text;
}

std::unique_ptr<db_connection> odbc_provider::connect(const db_login& login, bool for_bulk_load)
{
    const bulk_copy_api* bulk = for_bulk_load ? bulk_api() : nullptr;
    if (for_bulk_load && !bulk)
        throw db_error(driver_, {{L"HYC00", 0, L"The driver offers no bulk copy."}});
    return std::make_unique<odbc_connection>(driver_, connection_string(login), bulk);
}

}  // namespace oledb::odbc
