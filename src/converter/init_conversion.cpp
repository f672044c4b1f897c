#include "converter/init_conversion.h"

#include "converter/shell_services.h"
#include "platform/automation/com_library.h"
#include "platform/local_time.h"
#include "toolkit/tk_log.h"

namespace {

// Day before month, as the conversion log has always shown them.
void log_time(const char* format)
{
    const platform::local_clock_time now = platform::get_local_time();
    tk_log(3, format, now.day, now.month, now.year, now.hour, now.minute, now.second);
}

}  // namespace

init_conversion::init_conversion(std::atomic<bool>& finished, bool no_com) : m_finished(finished), m_no_com(no_com)
{
    log_time("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d");
    if (!m_no_com)
        CoInitialize(nullptr);
    if (shell_services::ready())
        shell_services::instance().set_timer(200);
}

init_conversion::~init_conversion()
{
    if (!m_no_com)
        CoUninitialize();
    log_time("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d");
    m_finished.store(true, std::memory_order_release);
}
