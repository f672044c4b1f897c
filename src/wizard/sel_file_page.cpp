#include "wizard/sel_file_page.h"

#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/error_table_text.h"
#include "wizard/file_dialogs.h"
#include "wizard/overwrite_dlg.h"
#include "wizard/wizard_shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

namespace {

convertor_front_end& converter(std::uint32_t assertion_line)
{
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("bwk_shel", assertion_line);
    return convertor_front_end::ref();
}

// The text of the exception's code among the MySQL and then the OLE DB
// messages, or its own text.
void report(const tk_exception& exception)
{
    tk_error_converter messages(mysql_error_message_count, mysql_error_messages);
    messages.load_map(oledb_error_message_count, oledb_error_messages);
    wizard_shell::error(error_table_text(exception, messages));
}

// The script proposed for a database: in the folder the shown path names,
// else in the current folder.
std::wstring script_path_for(const std::wstring& database, const std::wstring& shown)
{
    namespace fs = std::filesystem;
    const fs::path path(tk_unicode_to_ansi(shown));
    std::error_code error;
    // A file of that folder, whose name and extension are replaced.
    const fs::path in_folder = path.has_parent_path() ? fs::absolute(path, error) : fs::current_path(error) / "x";
    return make_dest_file_name(tk_ansi_to_unicode(in_folder.string()), database, L"sql", false);
}

QLabel* buddy_label(dialog_controls& controls, int id, const QString& text, QWidget* buddy)
{
    QLabel* label = controls.label(id, text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

sel_file_page::sel_file_page() : wizard_page(L"Step 3 of 6", L"Select databases")
{
    QVBoxLayout* layout = header_page_layout(
        {m_controls.label(gui::id_static,
                          tr("Enter source and destination database names. Drop down the combo box to see")),
         m_controls.label(gui::id_static,
                          tr("all available MySQL databases (you must have sufficient permissions)."))});
    layout->setSpacing(4);

    // Widgets are made in tab order: source, destination, log file, options.
    m_databases = m_controls.combo_box(source_database_combo, true);
    // A typed name is never completed into a longer one: the list only
    // offers matches below the box.
    m_databases->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_databases->completer()->setCaseSensitivity(Qt::CaseSensitive);
    QLineEdit* destination = m_controls.edit(destination_edit);
    QPushButton* browse_script = m_controls.button(browse_script_button, tr("Browse..."));
    QLineEdit* log_file = m_controls.edit(log_file_edit);
    QPushButton* browse_log = m_controls.button(browse_log_button, tr("Browse..."));

    auto* names = new QGridLayout;
    names->setHorizontalSpacing(8);
    names->setVerticalSpacing(8);
    names->setColumnStretch(1, 1);
    names->addWidget(buddy_label(m_controls, gui::id_static, tr("My&SQL database:"), m_databases), 0, 0);
    names->addWidget(m_databases, 0, 1);
    names->addWidget(buddy_label(m_controls, destination_label, QString(), destination), 1, 0);
    names->addWidget(destination, 1, 1);
    names->addWidget(browse_script, 1, 2);
    names->addItem(new QSpacerItem(0, 8), 2, 0);
    names->addWidget(
        buddy_label(m_controls, gui::id_static, tr("&Logfile (leave blank to disable logging):"), log_file), 3, 0, 1,
        3);
    names->addWidget(log_file, 4, 0, 1, 2);
    names->addWidget(browse_log, 4, 2);
    // The destination label changes with the mode; the column keeps its width.
    names->setColumnMinimumWidth(0, fontMetrics().horizontalAdvance(tr("T-SQL script file:")) + 12);
    layout->addLayout(names);
    layout->addSpacing(12);

    auto* options = new QGridLayout;
    options->setHorizontalSpacing(24);
    options->setVerticalSpacing(6);
    options->addWidget(m_controls.plain_check_box(structure_only_check, tr("&Do not migrate the data")), 0, 0);
    options->addWidget(m_controls.plain_check_box(skip_indexes_check, tr("S&kip converting indexes")), 1, 0);
    options->addWidget(m_controls.plain_check_box(blob_to_text_check, tr("Convert BLOB to &text")), 0, 1);
    options->addWidget(m_controls.plain_check_box(convert_views_check, tr("Convert &views")), 1, 1);
    options->setColumnStretch(2, 1);
    layout->addLayout(options);
    layout->addStretch();
    browse_script->hide();
}

void sel_file_page::on_command(int id, int notification)
{
    switch (id) {
    case browse_script_button: on_browse_script(); break;
    case browse_log_button: on_browse_log(); break;
    case structure_only_check:
    case skip_indexes_check:
    case blob_to_text_check:
    case convert_views_check: invert_chbox(id); break;
    case source_database_combo:
        if (notification == gui::dropped_down)
            on_dropdown();
        else if (notification == gui::selection_changed)
            on_sel_change();
        break;
    default: break;
    }
}

int sel_file_page::page_init()
{
    tk_log(1, "sel_file_page::page_init");
    convertor_front_end& settings = converter(529);
    m_controls.set_checked(skip_indexes_check, settings.skip_indexes);
    m_controls.set_checked(structure_only_check, settings.only_definitions);
    m_controls.set_checked(blob_to_text_check, settings.blob2text);
    m_controls.set_checked(convert_views_check, settings.convert_views);
    m_controls.set_text(destination_label, settings.direct ? L"MS SQL data&base:" : L"T-SQL scr&ipt file:");
    show_ctrl(browse_script_button, !settings.direct);
    if (!settings.get_logfile().empty())
        m_controls.set_text(log_file_edit, tk_ansi_to_unicode(settings.get_logfile()));
    if (!m_list_loaded)
        m_databases->clear();
    const std::wstring& source = settings.get_source_name();
    const std::wstring& destination = settings.get_destination_name();
    if (source.empty() && destination.empty())
        return 1;
    m_databases->setEditText(to_qt(source));
    // An empty database name is asked for: the source's name may belong to
    // an unrelated database on the server. A script is proposed beside the
    // current folder under the source's name.
    if (!destination.empty())
        m_controls.set_text(destination_edit, destination);
    else
        m_controls.set_text(destination_edit, settings.direct ? std::wstring() : script_path_for(source, {}));
    return 1;
}

std::wstring sel_file_page::get_sql_title() const
{
    tk_log(1, "sel_file_page::get_sql_title");
    const std::wstring text = to_wide(m_databases->currentText());
    tk_log(1, L"text=%ls", text.c_str());
    return text;
}

void sel_file_page::on_dropdown()
{
    tk_log(1, "sel_file_page::on_dropdown");
    const QString typed = m_databases->currentText();
    if (!m_list_loaded) {
        std::vector<std::wstring> names;
        try {
            names = converter(529).get_source_databases();
        } catch (const tk_exception& exception) {
            report(exception);
            return;
        }
        for (const std::wstring& name : names)
            m_databases->addItem(to_qt(name));
        m_list_loaded = true;
        // Filling the list must not replace what the box shows.
        m_databases->setCurrentIndex(-1);
        m_databases->setEditText(typed);
    }
    // Only the database of exactly that name: a longer name that begins
    // with it is another database.
    const int found = m_databases->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0)
        m_databases->setCurrentIndex(found);
}

void sel_file_page::on_sel_change()
{
    tk_log(1, "sel_file_page::on_sel_change");
    convertor_front_end& settings = converter(529);
    const std::wstring database = get_sql_title();
    // The database chosen before, chosen again (or reselected as the list
    // opens), keeps its destination and what was chosen of it.
    if (database == settings.get_source_name())
        return;
    m_controls.set_text(destination_edit,
                        settings.direct ? database : script_path_for(database, m_controls.text(destination_edit)));
    settings.available_queries.clear();
    settings.table_names.clear();
    settings.selected.clear();
    settings.views.clear();
}

void sel_file_page::on_browse_script()
{
    save_file_dialog dialog(this, L"T-SQL Script Files (.sql)|*.sql|All Files (*.*)|*.*|", L"Select File",
                            m_controls.text(destination_edit), L"sql");
    if (dialog.show())
        m_controls.set_text(destination_edit, dialog.path());
}

void sel_file_page::on_browse_log()
{
    save_file_dialog dialog(this, L"Log Files (.log)|*.log|All Files (*.*)|*.*|", L"Select Log File",
                            m_controls.text(log_file_edit), L"log");
    if (dialog.show())
        m_controls.set_text(log_file_edit, dialog.path());
}

void sel_file_page::store_settings()
{
    convertor_front_end& settings = converter(577);
    settings.only_definitions = m_controls.is_checked(structure_only_check);
    settings.skip_indexes = m_controls.is_checked(skip_indexes_check);
    settings.blob2text = m_controls.is_checked(blob_to_text_check);
    settings.convert_views = m_controls.is_checked(convert_views_check);
    settings.set_source_name(get_sql_title());
    std::wstring destination = m_controls.text(destination_edit);
    // A script named without its folder is written into the current one:
    // the page shows, and the run writes, that whole path.
    const std::filesystem::path typed(tk_unicode_to_ansi(destination));
    if (!settings.direct && !destination.empty() && !typed.is_absolute()) {
        std::error_code error;
        const std::filesystem::path whole = std::filesystem::absolute(typed, error);
        if (!error) {
            destination = tk_ansi_to_unicode(whole.string());
            m_controls.set_text(destination_edit, destination);
        }
    }
    settings.set_destination_name(destination);
    // The name is checked here; the log itself opens when the run starts.
    settings.set_logfile(tk_unicode_to_ansi(m_controls.text(log_file_edit)));
    settings.check_log_file();
}

void sel_file_page::on_help()
{
    wizard_shell::display_help(gui::help_database_and_file);
}

int sel_file_page::on_next()
{
    tk_log(1, "sel_file_page::on_next");
    try {
        store_settings();
        convertor_front_end& settings = converter(577);
        const std::wstring& source = settings.get_source_name();
        if (source.empty()) {
            wizard_shell::message(L"You should enter MySQL database name");
            return gui::stay_on_page;
        }
        if (settings.get_destination_name().empty()) {
            wizard_shell::message(settings.direct ? L"You should enter MS SQL database name"
                                                  : L"You should enter T-SQL script file name");
            return gui::stay_on_page;
        }
        tk_log(2, L"mysql_converter_impl::is_mysql_base_exist( %ls )", source.c_str());
        if (!settings.is_source_db_exist(source)) {
            wizard_shell::message(L"MySQL database does not exist");
            return gui::stay_on_page;
        }
        const bool resolved = settings.direct ? resolve_existing_database() : resolve_existing_script();
        return resolved ? gui::neighbour_page : gui::stay_on_page;
    } catch (const tk_exception& exception) {
        report(exception);
    }
    return gui::stay_on_page;
}

// Overwriting the whole database is only a choice here: the run drops the
// database once the source has been checked.
bool sel_file_page::resolve_existing_database()
{
    convertor_front_end& settings = converter(577);
    if (!settings.is_dest_db_exist(settings.get_destination_name()))
        return true;
    overwrite_dlg3<gui::dlg_existing_database> dialog(
        L"The destination database already exists. Select one of the\noptions below. Click 'Help' button for more "
        L"information.",
        gui::help_existing_database);
    if (dialog.run_modal() != gui::id_ok)
        return false;
    settings.set_mode(dialog.mode());
    return true;
}

// An existing script stays until the run has written its replacement whole.
bool sel_file_page::resolve_existing_script()
{
    const std::wstring& path = converter(577).get_destination_name();
    common_check_dest(path);
    return !tk_is_file_exist2(path, tk_file_exists) ||
           wizard_shell::question(L"Destination file already exists. Overwrite?", gui::default_second_button);
}

int sel_file_page::on_back()
{
    try {
        store_settings();
        return converter(577).direct ? gui::page_mssql_settings : gui::page_script_settings;
    } catch (const tk_exception& exception) {
        report(exception);
    }
    return gui::stay_on_page;
}
