#include "wizard/mssql_connection_animation.h"

#include "converter/brantwick_convertor.h"
#include "toolkit/error_handler.h"
#include "converter/error_messages.h"
#include "mssql/odb/odb_exception.h"
#include "platform/automation/com_library.h"
#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/wizard_shell.h"

#include <cstdlib>

mssql_connection_animation::mssql_connection_animation() = default;

void mssql_connection_animation::operator()()
{
    tk_log(2, "mssql_settings_page::animation::operator()");
    CoInitialize(nullptr);
    m_succeeded = false;
    try {
        connect();
        m_succeeded = true;
    } catch (const odb_exception& exception) {
        const tk_error_converter messages(oledb_error_message_count, oledb_error_messages);
        const std::string text = messages.convert(exception.get_error_number());
        wizard_shell::error(text.empty() ? std::string(exception.what()) : text);
    } catch (const tk_exception& exception) {
        error_handler::instance().handle(exception, false);
    } catch (const tk_final_exception&) {
        tk_log(2, "The connection attempt was ended by the user");
    } catch (const std::exception& exception) {
        wizard_shell::error(std::string(exception.what()));
        std::_Exit(-1);
    }
    end_animation();
    CoUninitialize();
}

void mssql_connection_animation::connect()
{
    brantwick_convertor& converter = brantwick_convertor::instance();
    const std::wstring& database = converter.get_destination_name();
    if (database.empty()) {
        converter.connect_mssql_server();
        return;
    }
    // Windows authentication sends no login; the password never reaches the log.
    const std::wstring login = converter.secure_login ? std::wstring() : converter.mssql_user;
    const std::wstring password = converter.secure_login ? std::wstring() : converter.mssql_pass;
    tk_log(2, L"Connecting to non-default DB '%ls'", database.c_str());
    tk_log(2, L"mssql_host=%ls, mssql_user=%ls\n", converter.mssql_host.c_str(), login.c_str());
    converter.mssql_engine.connect(converter.mssql_host, login, password, database, false);
}
