#include "converter/mysql_converter_impl.h"

#include "converter/profile_values.h"
#include "model/database.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <iterator>
#include <memory>

using namespace profile_values;

namespace {

// A TCP port written in decimal digits only, 1 to 65535; 0 for anything else,
// so that no text is read as some other port.
int parse_port(const std::string& text)
{
    constexpr int highest = 65535;
    if (text.empty() || text.size() > 5)
        return 0;
    int value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9')
            return 0;
        value = value * 10 + (digit - '0');
    }
    return value <= highest ? value : 0;
}

// Client errors of a server that cannot be reached: no socket, refused, no
// such host, or no answer within the time-out (gone away, lost).
constexpr std::uint32_t unreachable_errors[] = {0x400000 | 2002, 0x400000 | 2003, 0x400000 | 2005,
                                                0x400000 | 2006, 0x400000 | 2013, 0x400000 | 2055};

bool is_unreachable(const tk_exception& failure)
{
    return std::find(std::begin(unreachable_errors), std::end(unreachable_errors), failure.get_error_number()) !=
           std::end(unreachable_errors);
}

}  // namespace

mysql_converter_impl::mysql_converter_impl()
{
    tk_log(2, "mysql_converter_impl::ctor");
}

mysql_converter_impl::~mysql_converter_impl() = default;

void mysql_converter_impl::store_mysql_settings(const std::string& host, const std::string& user,
                                                const std::string& password, const std::string& port)
{
    // The password stays out of the log.
    tk_log(2, "mysql_converter_impl::store_mysql_settings(%s,%s,%s)", host.c_str(), user.c_str(), port.c_str());
    // A password is kept as given: its blanks are part of it.
    this->user = tk_trim(user);
    this->password = password;
    this->host = tk_trim(host);
    this->port = tk_trim(port);
    if (this->port.empty())
        this->port = "3306";
}

void mysql_converter_impl::connect_mysql_server()
{
    tk_log(2, "mysql_converter_impl::connect_mysql_server");
    const int port_number = parse_port(port);
    if (port_number == 0)
        throw tk_exception("Invalid port number", 1);
    try {
        mysql_engine.connect(host, user, password, port_number);
    } catch (const tk_exception& failure) {
        if (!is_unreachable(failure))
            throw;
        // Before any connection was made, a connection lost is one that was
        // never there: the text says where the server was looked for.
        throw tk_exception("Cannot connect to the MySQL server at " + (host.empty() ? "localhost" : host) + ", port " +
                               std::to_string(port_number) + " (" + failure.what() +
                               ").\nCheck to verify that MySQL server is launched and the correct host/port values "
                               "were given.",
                           failure.get_code());
    }
}

bool mysql_converter_impl::test_query(const std::wstring& database, const std::wstring& query)
{
    try {
        std::unique_ptr<udb_database> opened(mysql_engine.open_db(database, 1));
        return opened->test_query(query);
    } catch (...) {
        return false;
    }
}

bool mysql_converter_impl::load_profile(udb_profile& profile)
{
    tk_log(2, "mysql_converter_impl::load_profile");
    auto value = [&](const wchar_t* key) { return profile.get_value(section_mysql, key); };
    host = tk_unicode_to_utf8(value(L"host"));
    if (std::wstring text = value(L"user"); !text.empty())
        user = tk_unicode_to_utf8(text);
    password = tk_unicode_to_utf8(value(L"password"));
    if (std::wstring text = value(L"port"); !text.empty())
        port = tk_unicode_to_utf8(text);
    if (std::wstring text = value(L"dump line break"); !text.empty())
        mysql_dump_options.line_break = text == L"1" ? 1 : 0;
    read_flag(profile, section_mysql, L"dump new version", mysql_dump_options.new_version);
    read_flag(profile, section_mysql, L"dump add lock to insert", mysql_dump_options.add_lock_to_insert);
    read_dump_flags(profile, section_mysql, mysql_dump_options.insert_comments, mysql_dump_options.create_database,
                    mysql_dump_options.create_table);
    return true;
}

bool mysql_converter_impl::store_profile(udb_profile& profile) const
{
    tk_log(2, "mysql_converter_impl::store_profile");
    auto write = [&](const wchar_t* key, const std::wstring& value) { profile.set_value(section_mysql, key, value); };
    write(L"host", tk_utf8_to_unicode(host));
    write(L"user", tk_utf8_to_unicode(user));
    write(L"password", tk_utf8_to_unicode(password));
    write(L"port", tk_utf8_to_unicode(port));
    write(L"dump line break", flag_text(mysql_dump_options.line_break == 1));
    write(L"dump new version", flag_text(mysql_dump_options.new_version));
    write(L"dump add lock to insert", flag_text(mysql_dump_options.add_lock_to_insert));
    write_dump_flags(profile, section_mysql, mysql_dump_options.insert_comments, mysql_dump_options.create_database,
                     mysql_dump_options.create_table);
    return true;
}
