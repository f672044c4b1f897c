#include "wizard/mssql_connection_animation.h"

#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "platform/automation/com_library.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/error_table_text.h"
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
    } catch (const tk_exception& exception) {
        if (is_destination_error(exception)) {
            const tk_error_converter messages(oledb_error_message_count, oledb_error_messages);
            wizard_shell::error(error_table_text(exception, messages));
        } else {
            error_handler::instance().handle(exception, false);
        }
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
    convertor_front_end& converter = convertor_front_end::instance();
    const std::wstring& database = converter.get_destination_name();
    if (database.empty())
        converter.connect_mssql_server();
    else
        converter.connect_mssql_database(database);
}
