#include "wizard/error_dialogs.h"

#include "toolkit/tk_clipboard.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_send_bug.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/wizard_shell.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

// The system's error icon beside the text, the buttons below it at the right.
QGridLayout* error_layout(QDialog& dialog, QLabel* text)
{
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    text->setMinimumWidth(360);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QGridLayout(&dialog);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setHorizontalSpacing(14);
    layout->setVerticalSpacing(10);
    layout->addWidget(icon, 0, 0, 3, 1);
    layout->addWidget(text, 0, 1);
    return layout;
}

QHBoxLayout* button_row(std::initializer_list<QPushButton*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

}  // namespace

template <int DLG>
dlg_error_ex<DLG>::dlg_error_ex(std::wstring text) : id_dialog(DLG), m_text(std::move(text))
{
    tk_log(1, "dlg_error_ex::ctor");
    QGridLayout* layout = error_layout(*this, m_controls.label(error_text_control, QString()));
    layout->addLayout(
        button_row({m_controls.button(send_bug_button, tr("Send bug"), true), m_controls.button(gui::id_ok, tr("OK")),
                    m_controls.button(copy_button, tr("Copy to clipboard"))}),
        2, 1);
}

template <int DLG>
void dlg_error_ex<DLG>::on_init()
{
    tk_log(1, "dlg_error_ex::on_init");
    setWindowTitle(error_caption());
    m_controls.set_text(error_text_control, m_text);
}

template <int DLG>
void dlg_error_ex<DLG>::on_command(int id, int /*notification*/)
{
    switch (id) {
    case gui::id_ok: done(gui::id_ok); break;
    case copy_button:
        tk_copy_to_clipboard2(m_text);
        done(copy_button);
        break;
    case send_bug_button: {
        const std::wstring title = wizard_shell::is_initialized() ? wizard_shell::ref().get_title() : std::wstring();
        tk_send_bug(tk_unicode_to_ansi(title), tk_unicode_to_ansi(m_text));
        done(send_bug_button);
        break;
    }
    default: break;
    }
}

template <int DLG>
dlg_error_continue<DLG>::dlg_error_continue(std::wstring text) : id_dialog(DLG), m_text(std::move(text))
{
    tk_log(1, "dlg_error_continue::ctor");
    QGridLayout* layout = error_layout(*this, m_controls.label(error_text_control, QString()));
    layout->addWidget(m_controls.plain_check_box(do_not_show_check, tr("&Do not show this dialog box again")), 1, 1);
    layout->addLayout(button_row({m_controls.button(gui::id_cancel, tr("Continue"), true),
                                  m_controls.button(gui::id_ok, tr("Abort"))}),
                      2, 1);
}

template <int DLG>
void dlg_error_continue<DLG>::on_init()
{
    tk_log(1, "dlg_error_continue::on_init");
    setWindowTitle(error_caption());
    m_controls.set_text(error_text_control, m_text);
}

template <int DLG>
void dlg_error_continue<DLG>::on_command(int id, int /*notification*/)
{
    switch (id) {
    case gui::id_ok: done(gui::id_ok); break;
    case gui::id_cancel: done(gui::id_cancel); break;
    case do_not_show_check:
        m_controls.invert_check(do_not_show_check);
        m_do_not_show = m_controls.is_checked(do_not_show_check);
        break;
    default: break;
    }
}

template class dlg_error_ex<gui::dlg_internal_error>;
template class dlg_error_continue<gui::dlg_continue_or_abort>;
