// Pictures of the wizard's pages for the documentation: drives the real
// wizard against a MySQL server (VELMORA_TEST_MARIADB names its connection
// file) and saves each page as OUTPUT_DIR/wizard-<page>.png.
//   wizard_screenshot_tour DATABASE OUTPUT_DIR TABLE...
// First a quick launch converts the tables into a script (progress and
// finish pages; it also leaves its settings as the last run's), then the
// wizard is walked from the welcome page in script mode for as far as its
// pages lead, then once more in direct mode up to the MS SQL settings page.
// Last come two more quick launches for their finish pages: one whose MS SQL
// server refuses the login and whose query fails (a run with errors), and
// one cancelled in the middle of its large table (a stopped run). The MS SQL
// provider is the recording stand-in, so no server is needed.
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "support/test_mariadb.h"
#include "wizard/gui_ids.h"
#include "wizard/id_dialog.h"
#include "wizard/property_page.h"
#include "wizard/sel_file_page.h"
#include "wizard/sel_tables_page.h"
#include "wizard/settings_controls.h"
#include "wizard/types_map_dlg.h"
#include "wizard/user_prompts.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// What one walk does on a page once it has shown; false ends the walk.
enum class walk { script_mode, direct_mode, quick_launch, errors_quick_launch, stopped_quick_launch };

const std::map<int, std::string> dialog_names = {{gui::dlg_animation_id, "waiting"},
                                                 {gui::dlg_continue_or_abort, "continue-or-abort"},
                                                 {gui::dlg_query, "query"},
                                                 {gui::dlg_existing_database, "existing-database"},
                                                 {gui::dlg_column_types, "column-types"}};

void save_picture(QWidget& window, const std::filesystem::path& path)
{
    if (!window.grab().save(QString::fromStdString(path.string())))
        std::fprintf(stderr, "cannot save %s\n", path.c_str());
    else
        std::printf("%s\n", path.c_str());
}

// The stand-in server answers a login after a while, as a real one does, so
// that the waiting dialog shows.
class slow_provider final : public oledb::db_provider {
public:
    explicit slow_provider(std::shared_ptr<oledb::db_provider> server) : m_server(std::move(server)) {}
    std::wstring name() const override { return m_server->name(); }
    bool is_installed() const override { return m_server->is_installed(); }
    bool supports_bulk_load() const override { return m_server->supports_bulk_load(); }
    std::unique_ptr<oledb::db_connection> connect(const oledb::db_login& login, bool for_bulk_load) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return m_server->connect(login, for_bulk_load);
    }

private:
    std::shared_ptr<oledb::db_provider> m_server;
};

class tour final : public QObject {
public:
    tour(std::filesystem::path output, walk way) : m_output(std::move(output)), m_way(way)
    {
        qApp->installEventFilter(this);
        id_dialog::set_shown_hook([this](id_dialog& dialog) { on_dialog(dialog); });
        m_stalled.setSingleShot(true);
        m_stalled.callOnTimeout([] {
            std::fprintf(stderr, "no further page: the walk ends here\n");
            wizard_shell::ref().sheet().press_cancel();
        });
    }
    ~tour() override
    {
        id_dialog::set_shown_hook({});
        qApp->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched))
                QTimer::singleShot(400, box, [this, box] { on_box(*box); });
        if (event->type() != QEvent::Show || !watched->objectName().startsWith("page_"))
            return false;
        auto* page = static_cast<property_page*>(watched);
        // Let the page fill and lay out before it is pictured; the run does
        // not wait.
        if (page->dialog_id() == gui::page_progress)
            catch_progress(*page);
        else
            QTimer::singleShot(400, this, [this, page] { on_page(*page); });
        m_stalled.start(page->dialog_id() == gui::page_progress ? 120000 : 10000);
        return false;
    }

private:
    void on_page(property_page& page)
    {
        property_sheet& sheet = wizard_shell::ref().sheet();
        if (sheet.current_page() != &page)
            return;
        switch (page.dialog_id()) {
        case gui::page_welcome:
            click(page, m_way == walk::direct_mode ? 1329 : 1330);
            save(page);
            sheet.press_next();
            break;
        case gui::page_tables_and_views:
            click(page, add_all_button);
            save(page);
            if (page.header_subtitle().find(L"views") == std::wstring::npos) {
                click(page, add_query_button);
                edit_column_types(L"orders");
            }
            sheet.press_next();
            break;
        case gui::page_mysql_settings:
            // A wrong password once, for the error box.
            if (m_way == walk::direct_mode && m_password.empty()) {
                m_password = page.controls().text(1013);
                page.controls().set_text(1013, L"wrong password");
                sheet.press_next();
                page.controls().set_text(1013, m_password);
            }
            save(page);
            sheet.press_next();
            break;
        case gui::page_mssql_settings:
            // The last run wrote a script: its path is no database name.
            page.controls().set_text(database_name_edit, L"velmora_sample");
            save(page);
            sheet.press_next();
            break;
        case gui::page_database_and_file:
            if (m_way == walk::direct_mode) {
                // The database exists on the server: the user is asked what to do.
                sheet.press_next();
                sheet.press_cancel();
                break;
            }
            if (!page.controls().is_checked(convert_views_check))
                click(page, convert_views_check);
            save(page);
            sheet.press_next();
            break;
        case gui::page_finish:
            save(page);
            sheet.press_finish();
            break;
        default: save(page); sheet.press_next();
        }
    }

    // A dialog is pictured once it has laid out, then closed as Cancel would;
    // the waiting dialog closes itself when the connection is made.
    void on_dialog(id_dialog& dialog)
    {
        const auto name = dialog_names.find(dialog.dialog_id());
        const std::string file = name == dialog_names.end() ? std::to_string(dialog.dialog_id()) : name->second;
        const bool waiting = dialog.dialog_id() == gui::dlg_animation_id;
        QTimer::singleShot(waiting ? 700 : 400, &dialog, [this, &dialog, file, waiting] {
            // A connection may be made before the dialog could be pictured.
            if (dialog.isVisible())
                save_picture(dialog, m_output / ("dialog-" + file + ".png"));
            if (!waiting)
                dialog.done(gui::id_cancel);
        });
    }

    // Error boxes are pictured; questions are answered Yes, other boxes OK.
    void on_box(QMessageBox& box)
    {
        if (box.icon() == QMessageBox::Critical)
            save_picture(box, m_output / "dialog-error.png");
        if (QAbstractButton* yes = box.button(QMessageBox::Yes))
            yes->click();
        else if (QAbstractButton* ok = box.button(QMessageBox::Ok))
            ok->click();
    }

    // The progress page while a table is half done.
    void catch_progress(property_page& page)
    {
        auto* bar = page.findChild<QProgressBar*>("control_1321");
        auto* line = page.findChild<QLabel*>("control_1323");
        auto* poll = new QTimer(&page);
        poll->callOnTimeout([this, &page, bar, line, poll] {
            if (!line->text().isEmpty() && bar->value() > 0 && bar->value() < 100) {
                poll->stop();
                if (m_way == walk::stopped_quick_launch)
                    wizard_shell::ref().sheet().press_cancel();
                else
                    save(page);
            }
        });
        poll->start(50);
    }

    static void click(property_page& page, int id)
    {
        if (auto* button = qobject_cast<QAbstractButton*>(page.controls().item(id)))
            button->click();
    }

    void save(property_page& page)
    {
        // The direct walk pictures only the page the script walk does not show,
        // the last two quick launches only their finish pages.
        if (m_way == walk::direct_mode && page.dialog_id() != gui::page_mssql_settings)
            return;
        const bool last_launches = m_way == walk::errors_quick_launch || m_way == walk::stopped_quick_launch;
        if (last_launches && page.dialog_id() != gui::page_finish)
            return;
        static const std::map<int, std::string> names = {{gui::page_welcome, "welcome"},
                                                         {gui::page_mysql_settings, "mysql-settings"},
                                                         {gui::page_mssql_settings, "mssql-settings"},
                                                         {gui::page_script_settings, "script-settings"},
                                                         {gui::page_database_and_file, "database-and-file"},
                                                         {gui::page_progress, "progress"},
                                                         {gui::page_finish, "finish"}};
        std::string name = "page-" + std::to_string(page.dialog_id());
        if (auto found = names.find(page.dialog_id()); found != names.end())
            name = found->second;
        // The tables and views pages share one dialog.
        if (page.dialog_id() == gui::page_tables_and_views)
            name = page.header_subtitle().find(L"views") != std::wstring::npos ? "views" : "tables";
        if (m_way == walk::errors_quick_launch)
            name += "-errors";
        else if (m_way == walk::stopped_quick_launch)
            name += "-stopped";
        save_picture(wizard_shell::ref().sheet(), m_output / ("wizard-" + name + ".png"));
    }

    std::filesystem::path m_output;
    walk m_way;
    QTimer m_stalled;
    std::wstring m_password;
};

// A script-mode profile converting the tables.
std::filesystem::path write_profile(const std::filesystem::path& folder, const std::string& database,
                                    const std::vector<std::string>& tables)
{
    std::filesystem::remove(folder / (database + ".sql"));
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    const std::filesystem::path path = folder / "tour.bwk";
    std::ofstream file(path);
    file << "[Generic settings]\nsrc=" << database << "\ndest=" << (folder / (database + ".sql")).string()
         << "\nmode=0\n\n[Selected Tables]\n";
    for (const std::string& table : tables)
        file << table << "\n";
    file << "\n[MySQL settings]\nhost=" << server.host << "\nuser=" << server.user << "\npassword=" << server.password
         << "\nport=" << server.port
         << "\n\n[MS SQL Server settings]\nserver=sql.example.com\nwindows authentication=0\nlogin=sa\n"
            "direct mode=0\n";
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATABASE OUTPUT_DIR TABLE...\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> tables(argv + 3, argv + argc);
    auto provider = std::make_shared<fake::provider>();
    provider->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)},
                                           {{oledb::db_value(std::wstring(L"Microsoft SQL Server 2019"))}}});
    provider->answer(L"SELECT name from master.sys.databases ORDER BY name",
                     {{fake::wide_text_column(L"name", 128)}, {{oledb::db_value(QString(argv[1]).toStdWString())}}});
    provider->answer(L"SELECT HAS_DBACCESS(N'" + QString(argv[1]).toStdWString() + L"')",
                     {{fake::int_column(L"a")}, {{oledb::db_value(std::wstring(L"1"))}}});
    auto refusing = std::make_shared<fake::provider>();
    refusing->refuse_login(fake::sql_error(18456, L"Login failed for user 'sa'.", L"28000"));
    const std::filesystem::path output = std::filesystem::absolute(argv[2]);
    std::filesystem::create_directories(output);
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "velmora-tour";
    std::filesystem::create_directories(work);
    // Message boxes show as they do to a user: the tour pictures and answers them.
    for (walk way : {walk::quick_launch, walk::script_mode, walk::direct_mode, walk::errors_quick_launch,
                     walk::stopped_quick_launch}) {
        std::shared_ptr<oledb::db_provider> server = provider;
        if (way == walk::errors_quick_launch)
            server = refusing;
        else if (way == walk::direct_mode)
            server = std::make_shared<slow_provider>(provider);
        oledb::install_providers({server, nullptr, nullptr});
        tour pictures(output, way);
        std::vector<std::string> chosen = tables;
        // The run with errors leaves out the large last table, which only
        // the progress and the stop need.
        if (way == walk::errors_quick_launch) {
            chosen.pop_back();
            chosen.push_back("broken_query=SELECT no_such_column FROM customers");
        }
        const bool quick = way != walk::script_mode && way != walk::direct_mode;
        run_wizard(quick ? write_profile(work, argv[1], chosen).string() : std::string());
    }
    std::filesystem::remove_all(work);
    return 0;
}
