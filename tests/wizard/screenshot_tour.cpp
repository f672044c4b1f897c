// Pictures of the wizard's pages for the documentation: drives the real
// wizard against a MySQL server (VELMORA_TEST_MARIADB names its connection
// file) and saves each page as OUTPUT_DIR/wizard-<page>.png.
//   wizard_screenshot_tour DATABASE OUTPUT_DIR TABLE...
// First a quick launch converts the tables into a script (progress and
// finish pages; it also leaves its settings as the last run's), then the
// wizard is walked from the welcome page in script mode for as far as its
// pages lead, then once more in direct mode up to the MS SQL settings page.
// The MS SQL provider is the recording stand-in, so no server is needed.
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "support/test_mariadb.h"
#include "wizard/gui_ids.h"
#include "wizard/property_page.h"
#include "wizard/sel_file_page.h"
#include "wizard/sel_tables_page.h"
#include "wizard/settings_controls.h"
#include "wizard/user_prompts.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// What one walk does on a page once it has shown; false ends the walk.
enum class walk { script_mode, direct_mode, quick_launch };

class tour final : public QObject {
public:
    tour(std::filesystem::path output, walk way) : m_output(std::move(output)), m_way(way)
    {
        qApp->installEventFilter(this);
        m_stalled.setSingleShot(true);
        m_stalled.callOnTimeout([] {
            std::fprintf(stderr, "no further page: the walk ends here\n");
            wizard_shell::ref().sheet().press_cancel();
        });
    }
    ~tour() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
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
        case gui::page_database_and_file:
            if (!page.controls().is_checked(convert_views_check))
                click(page, convert_views_check);
            save(page);
            sheet.press_next();
            break;
        case gui::page_tables_and_views:
            click(page, add_all_button);
            save(page);
            sheet.press_next();
            break;
        case gui::page_mssql_settings:
            // The last run wrote a script: its path is no database name.
            page.controls().set_text(database_name_edit, L"velmora_sample");
            save(page);
            sheet.press_cancel();
            break;
        case gui::page_finish:
            save(page);
            sheet.press_finish();
            break;
        default: save(page); sheet.press_next();
        }
    }

    // The progress page while a table is half done.
    void catch_progress(property_page& page)
    {
        auto* bar = page.findChild<QProgressBar*>("control_1321");
        auto* line = page.findChild<QLabel*>("control_1323");
        auto* poll = new QTimer(&page);
        poll->callOnTimeout([this, &page, bar, line, poll] {
            if (!line->text().isEmpty() && bar->value() > 0 && bar->value() < 100) {
                save(page);
                poll->stop();
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
        // The direct walk pictures only the page the script walk does not show.
        if (m_way == walk::direct_mode && page.dialog_id() != gui::page_mssql_settings)
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
        const std::filesystem::path path = m_output / ("wizard-" + name + ".png");
        if (!wizard_shell::ref().sheet().grab().save(QString::fromStdString(path.string())))
            std::fprintf(stderr, "cannot save %s\n", path.c_str());
        else
            std::printf("%s\n", path.c_str());
    }

    std::filesystem::path m_output;
    walk m_way;
    QTimer m_stalled;
};

// A script-mode profile converting the tables.
std::filesystem::path write_profile(const std::filesystem::path& folder, const std::string& database,
                                    const std::vector<std::string>& tables)
{
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
    oledb::install_providers({provider, nullptr, nullptr});
    const std::filesystem::path output = std::filesystem::absolute(argv[2]);
    std::filesystem::create_directories(output);
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "velmora-tour";
    std::filesystem::create_directories(work);
    // Questions are answered Yes; errors are printed, for they spoil a picture.
    gui::set_box_answerer([](const gui::box_request& box) {
        if (box.kind != gui::box_kind::question)
            std::fprintf(stderr, "box: %ls\n", box.text.c_str());
        return true;
    });
    for (walk way : {walk::quick_launch, walk::script_mode, walk::direct_mode}) {
        tour pictures(output, way);
        run_wizard(way == walk::quick_launch ? write_profile(work, argv[1], tables).string() : std::string());
    }
    std::filesystem::remove_all(work);
    return 0;
}
