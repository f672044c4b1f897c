#include "wizard/set_query_dlg.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_support_address.h"
#include "wizard/wizard_shell.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const wchar_t* not_select_text = L"The query must start with SELECT.";
constexpr const wchar_t* syntax_error_text =
    L"You have an error in your query syntax. Make sure that it is a correct SQL SELECT-statement. If the error "
    L"persists, please contact " TK_SUPPORT_MAIL_ADDRESS L".";
constexpr const wchar_t* skipped_before_select = L"\t\n\r ";

}  // namespace

template <class T_CONVERTER, int HELP>
set_query_dlg<T_CONVERTER, HELP>::set_query_dlg(std::wstring table_name, std::wstring query)
    : id_dialog(gui::dlg_query), m_table_name(std::move(table_name)), m_query(std::move(query))
{
    tk_log(1, "set_query_dlg::set_query_dlg");
    setWindowTitle(tr("Add Query"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setHorizontalSpacing(12);

    QLineEdit* name = m_controls.edit(query_name_edit);
    // A name of any length; the server judges it.
    name->setMaxLength(QLineEdit().maxLength());
    QLabel* name_caption = m_controls.label(gui::id_static, tr("&Store as Table:"));
    name_caption->setBuddy(name);
    QPlainTextEdit* text = m_controls.multiline_edit(query_text_edit);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setTabChangesFocus(true);
    text->setMinimumSize(420, 220);
    QLabel* text_caption = m_controls.label(gui::id_static, tr("&Query:"));
    text_caption->setBuddy(text);
    grid->addWidget(name_caption, 0, 0);
    grid->addWidget(name, 1, 0);
    grid->addWidget(text_caption, 2, 0);
    grid->addWidget(text, 3, 0);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_controls.button(gui::id_ok, tr("OK"), true));
    buttons->addWidget(m_controls.button(gui::id_cancel, tr("Cancel")));
    buttons->addSpacing(12);
    buttons->addWidget(m_controls.button(test_query_button, tr("&Test Query")));
    buttons->addStretch();
    buttons->addWidget(m_controls.button(gui::id_help, tr("Help")));
    grid->addLayout(buttons, 1, 1, 3, 1);
    grid->setRowStretch(3, 1);

    QWidget* previous = name;
    for (int id :
         {int(query_text_edit), int(gui::id_ok), int(gui::id_cancel), int(test_query_button), int(gui::id_help)}) {
        QWidget::setTabOrder(previous, m_controls.item(id));
        previous = m_controls.item(id);
    }
}

template <class T_CONVERTER, int HELP>
void set_query_dlg<T_CONVERTER, HELP>::on_init()
{
    tk_log(1, "set_query_dlg::on_init");
    m_controls.set_text(query_name_edit, m_table_name);
    m_controls.set_text(query_text_edit, m_query);
    m_controls.item(query_name_edit)->setFocus();
}

template <class T_CONVERTER, int HELP>
void set_query_dlg<T_CONVERTER, HELP>::on_command(int id, int notification)
{
    if (notification != gui::clicked)
        return;
    switch (id) {
    case gui::id_ok: on_ok(); break;
    case gui::id_cancel:
        tk_log(1, "set_query_dlg::on_cancel");
        done(gui::id_cancel);
        break;
    case test_query_button: on_test_query(); break;
    case gui::id_help: wizard_shell::display_help(HELP); break;
    default: break;
    }
}

template <class T_CONVERTER, int HELP>
bool set_query_dlg<T_CONVERTER, HELP>::is_not_select()
{
    m_query = m_controls.text(query_text_edit);
    if (m_query.empty())
        return false;
    const std::size_t start = m_query.find_first_not_of(skipped_before_select);
    if (start != std::wstring::npos)
        m_query.erase(0, start);
    return m_query.size() < 6 || !tk_starts_with(m_query, L"SELECT", false);
}

template <class T_CONVERTER, int HELP>
void set_query_dlg<T_CONVERTER, HELP>::on_ok()
{
    tk_log(1, "set_query_dlg::on_ok");
    m_table_name = m_controls.text(query_name_edit);
    if (m_table_name.empty())
        wizard_shell::message(L"Table name is empty!");
    else if (is_not_select())
        wizard_shell::error(std::wstring(not_select_text));
    else if (m_query.empty())
        wizard_shell::error(std::wstring(L"Query is empty!"));
    else if (m_refused && *m_refused == m_controls.text(query_text_edit))
        wizard_shell::error(std::wstring(syntax_error_text));
    else
        done(gui::id_ok);
}

template <class T_CONVERTER, int HELP>
void set_query_dlg<T_CONVERTER, HELP>::on_test_query()
{
    const std::wstring typed = m_controls.text(query_text_edit);
    if (is_not_select()) {
        wizard_shell::error(std::wstring(not_select_text));
        return;
    }
    m_refused.reset();
    if (T_CONVERTER::ref().test_query(typed)) {
        wizard_shell::message(L"The query is correct.");
        return;
    }
    // OK does not take, unchanged, what the source has just refused.
    m_refused = typed;
    wizard_shell::error(std::wstring(syntax_error_text));
}

template class set_query_dlg<convertor_front_end, gui::help_query>;
