#include "wizard/mysql_settings_page.h"

#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/error_table_text.h"
#include "wizard/wizard_shell.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t text_room = 259;

std::string field_text(const dialog_controls& controls, int id)
{
    return tk_unicode_to_ansi(controls.text(id).substr(0, text_room));
}

convertor_front_end& converter()
{
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("bwk_shel", 78);
    return convertor_front_end::ref();
}

// A row of a group: the field's label, the field and a hint to its right.
QLabel* add_field(QGridLayout& grid, const QString& label, QLineEdit* edit, const QString& hint = {})
{
    const int row = grid.rowCount();
    grid.setColumnStretch(1, 1);
    auto* caption = new QLabel(label);
    caption->setBuddy(edit);
    grid.addWidget(caption, row, 0);
    if (hint.isEmpty()) {
        grid.addWidget(edit, row, 1, 1, 2);
    } else {
        grid.addWidget(edit, row, 1);
        grid.addWidget(new QLabel(hint), row, 2);
    }
    return caption;
}

// A field as wide as the longest text it takes, its hint beside it.
QLabel* add_short_field(QGridLayout& grid, const QString& label, QLineEdit* edit, int characters, const QString& hint)
{
    const int row = grid.rowCount();
    auto* caption = new QLabel(label);
    caption->setBuddy(edit);
    grid.addWidget(caption, row, 0);
    const QMargins margins = edit->textMargins() + edit->contentsMargins();
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(characters, QChar('0'))) + margins.left() +
                        margins.right() + 12);
    auto* line = new QHBoxLayout;
    line->addWidget(edit);
    line->addWidget(new QLabel(hint));
    line->addStretch();
    grid.addLayout(line, row, 1, 1, 2);
    return caption;
}

}  // namespace

template <class T_CONVERTER, int HELP, int AUTH_HELP>
sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::sql_settings_page2()
    : wizard_page<gui::page_mysql_settings, gui::button_back | gui::button_next, gui::page_has_help>(
          L"Step 1 of 6", L"Connect to MySQL server"),
      m_animation(L"Connecting to MySQL server. Please wait...", [] { converter().connect_mysql_server(); })
{
    QVBoxLayout* layout = this->header_page_layout({this->m_controls.label(
        gui::id_static, this->tr("Provide necessary information to establish connection with MySQL server."))});

    auto* access = new QGroupBox(this->tr(" Access mode "));
    auto* modes = new QHBoxLayout(access);
    modes->addWidget(this->m_controls.radio_button(first_choice, this->tr("&Local")));
    modes->addWidget(this->m_controls.radio_button(second_choice, this->tr("&Remote")));
    modes->addStretch();
    layout->addWidget(access);

    auto* authorization = new QGroupBox(this->tr(" Authorization settings "));
    auto* login = new QGridLayout(authorization);
    std::vector<QLabel*> captions;
    captions.push_back(add_field(*login, this->tr("&User name:"), this->m_controls.edit(user_name_edit)));
    captions.push_back(add_field(*login, this->tr("User pa&ssword:"), this->m_controls.password_edit(password_field)));
    layout->addWidget(authorization);

    auto* remote = new QGroupBox(this->tr(" Remote settings "));
    auto* where = new QGridLayout(remote);
    captions.push_back(add_field(*where, this->tr("H&ost:"), this->m_controls.edit(host_edit),
                                 this->tr("(it could be network name or IP address)")));
    captions.push_back(add_short_field(*where, this->tr("&Port:"), this->m_controls.edit(port_edit), 6,
                                       this->tr("(default MySQL port is 3306)")));
    layout->addWidget(remote);
    // The fields of both groups start at one edge.
    int caption_width = 0;
    for (QLabel* caption : captions)
        caption_width = std::max(caption_width, caption->sizeHint().width());
    for (QLabel* caption : captions)
        caption->setMinimumWidth(caption_width);
    layout->addStretch();
    // Tab order follows the dialog: access mode, login, then the remote fields.
    QWidget::setTabOrder(this->m_controls.item(second_choice), this->m_controls.item(user_name_edit));
    QWidget::setTabOrder(this->m_controls.item(user_name_edit), this->m_controls.item(password_field));
    QWidget::setTabOrder(this->m_controls.item(password_field), this->m_controls.item(host_edit));
    QWidget::setTabOrder(this->m_controls.item(host_edit), this->m_controls.item(port_edit));
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
void sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::on_command(int id, int /*notification*/)
{
    if (id == first_choice)
        enable_remote(false);
    else if (id == second_choice)
        enable_remote(true);
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
void sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::enable_remote(bool enable)
{
    this->enable_ctrl(host_edit, enable);
    this->enable_ctrl(port_edit, enable);
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
int sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::page_init()
{
    tk_log(1, "sql_settings_page2::page_init");
    const mysql_connection_settings settings = converter().get_mysql_settings();
    this->m_controls.set_text(user_name_edit, tk_ansi_to_unicode(settings.user));
    this->m_controls.set_text(password_field, tk_ansi_to_unicode(settings.password));
    const bool remote = !settings.host.empty();
    this->m_controls.set_checked(remote ? second_choice : first_choice, true);
    enable_remote(remote);
    if (remote) {
        this->m_controls.set_text(host_edit, tk_ansi_to_unicode(settings.host));
        this->m_controls.set_text(port_edit, tk_ansi_to_unicode(settings.port));
    }
    return 1;
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
void sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::store_settings()
{
    tk_log(1, "sql_settings_page2::store_settings");
    // A local connection ignores whatever the greyed fields show.
    std::string port = "3306";
    std::string host;
    if (this->m_controls.is_checked(second_choice)) {
        host = field_text(this->m_controls, host_edit);
        port = field_text(this->m_controls, port_edit);
    }
    const std::string user = field_text(this->m_controls, user_name_edit);
    const std::string password = field_text(this->m_controls, password_field);
    converter().store_mysql_settings(host, user, password, port);
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
void sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::on_help()
{
    wizard_shell::display_help(HELP);
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
int sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::on_next()
{
    tk_log(1, "sql_settings_page2::on_next");
    try {
        store_settings();
        if (!m_animation.run(m_connection))
            return gui::stay_on_page;
        return converter().direct ? gui::page_mssql_settings : gui::page_script_settings;
    } catch (const tk_exception& exception) {
        if (is_unsupported_source_login(exception)) {
            wizard_shell::error(std::string(exception.what()));
            wizard_shell::display_help(AUTH_HELP);
            return gui::stay_on_page;
        }
        const tk_error_converter messages(mysql_error_message_count, mysql_error_messages);
        wizard_shell::error(error_table_text(exception, messages));
        const std::uint32_t error_number = exception.get_error_number() & 0xFFFF;
        if (error_number == 1249 || error_number == 1250)
            wizard_shell::display_help(AUTH_HELP);
    }
    return gui::stay_on_page;
}

template <class T_CONVERTER, int HELP, int AUTH_HELP>
int sql_settings_page2<T_CONVERTER, HELP, AUTH_HELP>::on_back()
{
    store_settings();
    return gui::neighbour_page;
}

template class sql_settings_page2<convertor_front_end, gui::help_mysql_settings, gui::help_mysql_authentication>;
