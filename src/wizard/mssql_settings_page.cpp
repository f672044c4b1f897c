#include "wizard/mssql_settings_page.h"

#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_log.h"
#include "wizard/error_table_text.h"
#include "wizard/wizard_shell.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr std::size_t text_room = 259;

convertor_front_end& converter(std::uint32_t line)
{
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("mss_set", line);
    return convertor_front_end::ref();
}

// The destination's failures read in the OLE DB messages; the others go
// to the error handler, whose Abort only ends the attempt.
void report_failure(const tk_exception& exception)
{
    if (is_destination_error(exception)) {
        const tk_error_converter messages(oledb_error_message_count, oledb_error_messages);
        wizard_shell::error(error_table_text(exception, messages));
        return;
    }
    try {
        error_handler::instance().handle(exception, false);
    } catch (const tk_final_exception&) {
        tk_log(2, "The connection attempt was ended by the user");
    }
}

QLabel* caption_for(const QString& text, QWidget* buddy)
{
    auto* caption = new QLabel(text);
    caption->setBuddy(buddy);
    return caption;
}

}  // namespace

template <class T_CONVERTER>
mss_settings_page<T_CONVERTER>::mss_settings_page()
    : wizard_page<gui::page_mssql_settings, gui::button_back | gui::button_next, gui::page_has_help>(
          L"Step 2 of 6", L"Connect to MS SQL server")
{
    QVBoxLayout* layout = this->header_page_layout(
        {this->m_controls.label(gui::id_static,
                                this->tr("Provide necessary information to establish MS SQL server connection.")),
         this->m_controls.label(gui::id_static,
                                this->tr("Leave 'MS SQL Server' field empty to connect to local server."))});

    auto* server = new QFormLayout;
    QLineEdit* host = this->m_controls.edit(host_edit);
    QLabel* server_caption = caption_for(this->tr("MS &SQL Server:"), host);
    server->addRow(server_caption, host);
    layout->addLayout(server);

    auto* using_box = new QGroupBox(this->tr(" Connect using: "));
    auto* using_layout = new QVBoxLayout(using_box);
    using_layout->addWidget(this->m_controls.radio_button(first_choice, this->tr("&Windows authentication")));
    using_layout->addWidget(this->m_controls.radio_button(second_choice, this->tr("S&QL Server authentication")));
    auto* login = new QFormLayout;
    login->setContentsMargins(20, 0, 0, 0);
    QLineEdit* user = this->m_controls.edit(user_name_edit);
    QLineEdit* password = this->m_controls.password_edit(password_field);
    login->addRow(caption_for(this->tr("&Login name:"), user), user);
    login->addRow(caption_for(this->tr("&Password:"), password), password);
    using_layout->addLayout(login);
    layout->addWidget(using_box);

    auto* database_form = new QFormLayout;
    QLineEdit* database = this->m_controls.edit(database_name_edit);
    auto* database_row = new QHBoxLayout;
    database_row->addWidget(database);
    database_row->addWidget(
        new QLabel(this->tr("(connect to non-default database\nor leave it blank). It must exist")));
    QLabel* database_caption = caption_for(this->tr("&Database:"), database);
    database_form->addRow(database_caption, database_row);
    layout->addLayout(database_form);
    // The server and database fields start at one edge.
    const int caption_width = std::max(server_caption->sizeHint().width(), database_caption->sizeHint().width());
    server_caption->setMinimumWidth(caption_width);
    database_caption->setMinimumWidth(caption_width);
    layout->addStretch();
}

template <class T_CONVERTER>
void mss_settings_page<T_CONVERTER>::on_command(int id, int /*notification*/)
{
    if (id == first_choice || id == second_choice)
        choose_authentication(id == first_choice);
}

template <class T_CONVERTER>
void mss_settings_page<T_CONVERTER>::choose_authentication(bool windows)
{
    this->m_controls.set_checked(windows ? first_choice : second_choice, true);
    // Enabling here must not move the focus away from the choice.
    for (int id : {user_name_edit, password_field})
        this->m_controls.item(id)->setEnabled(!windows);
}

template <class T_CONVERTER>
int mss_settings_page<T_CONVERTER>::page_init()
{
    tk_log(1, "mssql_settings_page<t_converter>::page_init");
    const mssql_connection_settings settings = converter(57).get_mssql_settings();
    this->m_controls.set_text(database_name_edit, m_database);
    this->m_controls.set_text(host_edit, settings.host);
    this->m_controls.set_text(user_name_edit, settings.user);
    this->m_controls.set_text(password_field, settings.password);
    choose_authentication(settings.secure_login);
    return 1;
}

template <class T_CONVERTER>
void mss_settings_page<T_CONVERTER>::store_settings()
{
    T_CONVERTER& target = converter(132);
    mssql_connection_settings settings;
    settings.secure_login = this->m_controls.is_checked(first_choice);
    // The login is kept also with Windows authentication, for a later switch.
    settings.host = this->m_controls.text(host_edit).substr(0, text_room);
    settings.user = this->m_controls.text(user_name_edit).substr(0, text_room);
    settings.password = this->m_controls.text(password_field).substr(0, text_room);
    target.set_mssql_settings(settings);
    m_database = this->m_controls.text(database_name_edit).substr(0, text_room);
    tk_log(1, "mss_engine::set_as_dbo(%d)", 0);
    target.set_as_dbo(false);
}

template class mss_settings_page<convertor_front_end>;

mssql_settings_page::mssql_settings_page() : tk_thread(false) {}

int mssql_settings_page::page_init()
{
    tk_log(1, "mssql_settings_page::page_init");
    m_database = converter(57).get_destination_name();
    tk_log(1, L"mss_db=%ls", m_database.c_str());
    return mss_settings_page::page_init();
}

void mssql_settings_page::on_help()
{
    wizard_shell::display_help(gui::help_mssql_settings);
}

int mssql_settings_page::on_next()
{
    store_settings();
    converter(132).set_destination_name(m_database);
    try {
        if (m_animation.run(*this))
            return gui::page_database_and_file;
    } catch (const tk_exception& exception) {
        report_failure(exception);
    }
    return gui::stay_on_page;
}

void mssql_connection_holder::connect_destination()
{
    convertor_front_end& converter = convertor_front_end::instance();
    const std::wstring& database = converter.get_destination_name();
    if (database.empty())
        converter.connect_mssql_server();
    else
        converter.connect_mssql_database(database);
}

int mssql_settings_page::on_back()
{
    store_settings();
    return gui::neighbour_page;
}
