#include "wizard/finish_page.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/file_dialogs.h"
#include "wizard/finish_text.h"
#include "wizard/welcome_page.h"
#include "wizard/wizard_shell.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

template <int DLG>
gui_finish_page<DLG>::gui_finish_page(std::wstring success_text, std::wstring errors_text)
    : m_success_text(std::move(success_text)), m_errors_text(std::move(errors_text))
{
    dialog_controls& controls = this->m_controls;
    QLabel* title = controls.label(finish_title, QObject::tr("Conversion is Completed"));
    title->setFont(this->title_font());
    QFont larger = title->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.35);
    title->setFont(larger);
    QPlainTextEdit* errors = controls.multiline_edit(error_list);
    errors->setVisible(false);
    errors->setReadOnly(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 22, 20, 16);
    layout->addWidget(title);
    layout->addSpacing(18);
    layout->addWidget(controls.label(finish_text, QString()));
    layout->addWidget(errors, 1);
    layout->addStretch();
    auto* save_row = new QHBoxLayout;
    save_row->addStretch();
    save_row->addWidget(controls.button(save_settings, QObject::tr("&Save Settings...")));
    layout->addLayout(save_row);
}

template <int DLG>
int gui_finish_page<DLG>::page_init()
{
    tk_log(2, "gui_finish_page::page_init");
    wizard_shell& shell = wizard_shell::ref();
    shell.sheet().enable_button(gui::sheet_cancel, false);
    shell.sheet().enable_button(gui::sheet_help, false);
    dialog_controls& controls = this->m_controls;
    const std::vector<std::string> errors = shell.get_errors();
    const run_outcome outcome = outcome_of(convertor_front_end::ref(), shell.error_count());
    controls.set_text(finish_title, finish_heading(outcome));
    controls.set_text(finish_text, finish_message(outcome, m_success_text, m_errors_text));
    if (errors.empty()) {
        tk_log(1, outcome.complete ? "Display success-message" : "Display the run's end");
        return 1;
    }
    tk_log(1, "Display errors");
    controls.show(error_list, true);
    auto* box = controls.template item_as<QPlainTextEdit>(error_list);
    box->clear();
    for (std::string error : errors) {
        std::replace(error.begin(), error.end(), '\n', ' ');
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(to_qt(tk_ansi_to_unicode(error) + L"\n\n"));
    }
    if (const std::wstring more = more_errors_line(errors.size(), shell.error_count()); !more.empty()) {
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(to_qt(more + L"\n"));
    }
    box->setReadOnly(true);
    return 1;
}

template <int DLG>
void gui_finish_page<DLG>::on_command(int id, int notification)
{
    if (id == error_list && notification == gui::focus_gained)
        on_eb_focus();
}

template <int DLG>
void gui_finish_page<DLG>::on_eb_focus()
{
    tk_log(1, "gui_finish_page::on_eb_focus");
    if (!m_first_focus)
        return;
    m_first_focus = false;
    auto* box = this->m_controls.template item_as<QPlainTextEdit>(error_list);
    QTextCursor cursor = box->textCursor();
    cursor.clearSelection();
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
    wizard_shell::ref().sheet().button(gui::sheet_finish)->setFocus();
}

template <class T_CONVERTER, int DLG>
gui_finish_page_t<T_CONVERTER, DLG>::gui_finish_page_t(std::wstring success_text, std::wstring errors_text,
                                                       std::wstring extension)
    : gui_finish_page<DLG>(std::move(success_text), std::move(errors_text)), m_extension(std::move(extension))
{}

template <class T_CONVERTER, int DLG>
void gui_finish_page_t<T_CONVERTER, DLG>::on_command(int id, int notification)
{
    if (id == save_settings && notification == gui::clicked)
        on_store();
    else
        gui_finish_page<DLG>::on_command(id, notification);
}

template <class T_CONVERTER, int DLG>
void gui_finish_page_t<T_CONVERTER, DLG>::on_store()
{
    const std::wstring filter = profile_filter(m_extension, 141);
    tk_log(1, L"gui_finish_page_t::on_store(%ls)", filter.c_str());
    save_file_dialog dialog(this, filter, L"Select Profile", std::wstring(), m_extension);
    if (dialog.show() && !T_CONVERTER::ref().store_profile_file(dialog.path()))
        wizard_shell::error(L"The settings could not be saved to '" + dialog.path() + L"'.");
}

template class gui_finish_page<gui::page_finish>;
template class gui_finish_page_t<convertor_front_end, gui::page_finish>;
