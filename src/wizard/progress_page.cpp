#include "wizard/progress_page.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/gui_thread.h"
#include "wizard/wizard_shell.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

// The current-table line holds at most 255 characters.
constexpr std::size_t line_length = 255;

}  // namespace

progress_page::progress_page() : wizard_page(L"Step 6 of 6", L"Database conversion is in progress"), tk_thread(false)
{
    QVBoxLayout* layout =
        header_page_layout({m_controls.label(gui::id_static, tr("Database conversion is in progress. Please wait "
                                                                "until wizard completes\nmoving your MySQL database "
                                                                "to MS SQL server."))});
    QPlainTextEdit* log = m_controls.multiline_edit(progress_log);
    log->setReadOnly(true);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(log, 1);
    QLabel* line = m_controls.label(current_table_line, QString());
    line->setWordWrap(false);
    layout->addWidget(line);
    layout->addWidget(m_controls.progress_bar(progress_bar));
}

progress_page::~progress_page()
{
    gui::close_calls();
}

tk_thread_functor* progress_page::create_functor()
{
    return &convertor_front_end::ref();
}

int progress_page::page_init()
{
    tk_log(1, "progress_page::page_init");
    wizard_shell::ref().sheet().set_wizard_buttons(0);
    m_controls.item_as<QProgressBar>(progress_bar)->setValue(0);
    m_controls.item_as<QPlainTextEdit>(progress_log)->clear();
    // The run starts: only now is its log file opened.
    convertor_front_end::ref().start_log();
    start();
    return 1;
}

std::uint32_t progress_page::percentage(std::uint32_t tables_total, std::uint32_t tables_done, std::uint64_t rows_total,
                                        std::uint64_t rows_done)
{
    if (tables_total == 0)
        return 0;
    std::uint32_t share = tables_done * 100 / tables_total;
    if (rows_total != 0)
        share += static_cast<std::uint32_t>(rows_done * 100 / rows_total) / tables_total;
    return share;
}

void progress_page::on_timer()
{
    tk_log(1, "progress_page::on_timer");
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("bwk_shel", 754);
    const convertor_front_end& converter = convertor_front_end::ref();
    const std::uint32_t share =
        percentage(converter.tables_total, converter.tables_done, converter.rows_total, converter.rows_done);
    // Tables done may pass the total when queries and tables run together.
    m_controls.item_as<QProgressBar>(progress_bar)->setValue(static_cast<int>(std::min<std::uint32_t>(share, 100)));
    if (converter.is_finished()) {
        wizard_shell::ref().kill_timer();
        // The run's last lines may still be queued to this page's log: the
        // finish page follows them, or they would land in its error list. A
        // stopped run ends on the finish page too, which tells what it left.
        gui::post(this, [] { wizard_shell::ref().sheet().set_current_page_id(gui::page_finish); });
    }
    const std::wstring table = converter.get_current_table();
    std::wstring line = table.empty() ? std::wstring() : L"Processing table '" + table + L"'";
    if (line.size() > line_length)
        line.resize(line_length);
    m_controls.set_text(current_table_line, line);
}

bool progress_page::on_cancel()
{
    if (!property_page::on_cancel())
        return false;
    if (!is_running())
        return true;
    tk_log(2, "progress_page: the run is asked to stop");
    request_stop();
    wizard_shell::ref().sheet().enable_button(gui::sheet_cancel, false);
    return false;
}

void progress_page::on_help()
{
    wizard_shell::display_help();
}
