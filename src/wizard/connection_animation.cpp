#include "wizard/connection_animation.h"

#include "platform/automation/com_library.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <cstdlib>
#include <utility>

namespace {

// The dialog's own text stays when no message is given.
constexpr int message_label = 1320;

}  // namespace

connection_animation::connection_animation(std::wstring message, std::function<void()> connect)
    : dlg_animation(std::move(message), message_label), m_connect(std::move(connect))
{}

void connection_animation::operator()()
{
    tk_log(2, "mssql_settings_page::animation::operator()");
    CoInitialize(nullptr);
    m_succeeded = false;
    m_failure = nullptr;
    try {
        m_connect();
        m_succeeded = true;
    } catch (const tk_exception&) {
        m_failure = std::current_exception();
    } catch (const tk_final_exception&) {
        tk_log(2, "The connection attempt was ended by the user");
    } catch (const std::exception& exception) {
        wizard_shell::error(std::string(exception.what()));
        std::_Exit(-1);
    }
    end_animation();
    CoUninitialize();
}

bool connection_animation::run(tk_thread& worker)
{
    run_while(worker);
    // The worker has ended its work by now: the dialog closes only then.
    if (!m_succeeded && m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return m_succeeded;
}
