#include "wizard/overwrite_dlg.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

template <int DLG>
overwrite_dlg2<DLG>::overwrite_dlg2(std::wstring message, int help_topic)
    : overwrite_dlg2(std::move(message), help_topic,
                     {overwrite_database_choice, overwrite_tables_choice, skip_tables_choice, merge_choice}, 156)
{}

template <int DLG>
overwrite_dlg2<DLG>::overwrite_dlg2(std::wstring message, int help_topic, std::vector<int> choices,
                                    std::uint32_t assertion_line)
    : id_dialog(DLG), m_message(std::move(message)), m_help_topic(help_topic), m_choices(std::move(choices)),
      m_assertion_line(assertion_line)
{
    tk_log(1, "overwrite_dlg2::ctor");
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    QLabel* text = m_controls.label(overwrite_message, QString());
    text->setMinimumWidth(380);
    auto* modes = new QVBoxLayout;
    modes->setContentsMargins(0, 6, 0, 6);
    modes->addWidget(m_controls.radio_button(overwrite_database_choice, tr("&Overwrite the entire database")));
    modes->addWidget(m_controls.radio_button(overwrite_tables_choice, tr("Overwrite existing &tables only")));
    modes->addWidget(m_controls.radio_button(skip_tables_choice, tr("&Skip existing tables")));
    modes->addWidget(m_controls.radio_button(merge_choice, tr("&Merge")));
    modes->addWidget(m_controls.radio_button(synchronize_choice, tr("S&ynchronize")));

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(m_controls.button(gui::id_ok, tr("OK"), true), QDialogButtonBox::AcceptRole);
    buttons->addButton(m_controls.button(gui::id_cancel, tr("Cancel")), QDialogButtonBox::RejectRole);
    buttons->addButton(m_controls.button(gui::id_help, tr("Help")), QDialogButtonBox::HelpRole);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setHorizontalSpacing(14);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(text, 0, 1);
    layout->addLayout(modes, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

template <int DLG>
void overwrite_dlg2<DLG>::on_init()
{
    tk_log(1, "overwrite_dlg2::on_init");
    setWindowTitle(to_qt(wizard_shell::ref().get_title() + L" Warning"));
    m_controls.set_text(overwrite_message, m_message);
    // The choice that changes nothing which stands is proposed, so that
    // Enter never drops the database.
    m_controls.set_checked(skip_tables_choice, true);
    QApplication::beep();
}

template <int DLG>
void overwrite_dlg2<DLG>::on_command(int id, int /*notification*/)
{
    switch (id) {
    case gui::id_ok: {
        std::uint32_t mode = 0;
        while (mode < m_choices.size() && !m_controls.is_checked(m_choices[mode]))
            ++mode;
        if (mode == m_choices.size())
            throw tk_mail_assertion("over_dlg", m_assertion_line);
        m_mode = mode;
        done(gui::id_ok);
        break;
    }
    case gui::id_help: wizard_shell::display_help(m_help_topic); break;
    case gui::id_cancel: done(gui::id_cancel); break;
    default: break;
    }
}

template <int DLG>
overwrite_dlg3<DLG>::overwrite_dlg3(std::wstring message, int help_topic)
    : overwrite_dlg2<DLG>(
          std::move(message), help_topic,
          {overwrite_database_choice, overwrite_tables_choice, skip_tables_choice, merge_choice, synchronize_choice},
          223)
{
    tk_log(1, "overwrite_dlg3::ctor");
}

template class overwrite_dlg2<gui::dlg_existing_database>;
template class overwrite_dlg3<gui::dlg_existing_database>;
