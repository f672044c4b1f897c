// The whole wizard as a user goes through it, from the welcome page to the
// finish page in script mode: the MySQL connection, the database and script
// file, every table with a query added and one column given another name and
// type, every view; then the script the run wrote and the progress page's
// log. Against the private MariaDB server; the pages are driven as they show.
#include "converter/front_end.h"
#include "support/test_mariadb.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/id_dialog.h"
#include "wizard/progress_page.h"
#include "wizard/property_page.h"
#include "wizard/property_sheet.h"
#include "wizard/sel_file_page.h"
#include "wizard/sel_tables_page.h"
#include "wizard/set_query_dlg.h"
#include "wizard/settings_controls.h"
#include "wizard/types_map_dlg.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_shell.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* source_name = "velmora_wizard_end_to_end";

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

void click(property_page& page, int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(page.controls().item(id)))
        button->click();
}

// Acts on each page once it has shown, as the user would, and remembers the
// pages in the order they came.
class user_walk final : public QObject {
public:
    user_walk(const velmora_test::mariadb_endpoint& server, std::filesystem::path script)
        : m_server(server), m_script(std::move(script))
    {
        qApp->installEventFilter(this);
        // A page the walk cannot leave would hold the test until its timeout.
        m_stalled.setSingleShot(true);
        m_stalled.callOnTimeout([] { wizard_shell::ref().sheet().press_cancel(); });
    }
    ~user_walk() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched->objectName() == QString("page_%1").arg(gui::page_progress))
            progress_text =
                static_cast<property_page*>(watched)->controls().item_as<QPlainTextEdit>(progress_log)->toPlainText();
        if (event->type() == QEvent::Show && watched->objectName().startsWith("page_")) {
            auto* page = static_cast<property_page*>(watched);
            QTimer::singleShot(0, this, [this, page] { on_page(*page); });
            m_stalled.start(60000);
        }
        return false;
    }

    std::vector<int> pages;
    std::wstring tables_subtitle_seen;
    // The progress page's log when it went.
    QString progress_text;

private:
    void on_page(property_page& page)
    {
        property_sheet& sheet = wizard_shell::ref().sheet();
        if (sheet.current_page() != &page)
            return;
        const int id = page.dialog_id();
        if (id == gui::page_tables_and_views && page.header_subtitle().find(L"views") != std::wstring::npos)
            pages.push_back(-id);
        else
            pages.push_back(id);
        dialog_controls& controls = page.controls();
        switch (id) {
        case gui::page_welcome: click(page, second_choice); break;
        case gui::page_mysql_settings:
            click(page, second_choice);
            controls.set_text(host_edit, wide(m_server.host));
            controls.set_text(port_edit, std::to_wstring(m_server.port));
            controls.set_text(user_name_edit, wide(m_server.user));
            controls.set_text(password_field, wide(m_server.password));
            break;
        case gui::page_database_and_file:
            controls.set_text(source_database_combo, wide(source_name));
            controls.set_text(destination_edit, m_script.wstring());
            controls.set_checked(convert_views_check, true);
            break;
        case gui::page_tables_and_views:
            click(page, add_all_button);
            if (pages.back() > 0) {
                click(page, add_query_button);
                auto* chosen = controls.item_as<QListWidget>(selected_list);
                chosen->setCurrentItem(chosen->findItems("purchase", Qt::MatchExactly).value(0));
                controls.command(selected_list, gui::double_clicked);
            }
            break;
        case gui::page_progress:
            // The page's timer ticks first, before the run's last lines,
            // queued to the page as the run ended, have reached its log.
            wait_for_the_run();
            page.on_timer();
            return;
        case gui::page_finish: sheet.press_finish(); return;
        default: break;
        }
        sheet.press_next();
    }

    // Without handling the window's events meanwhile.
    static void wait_for_the_run()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!convertor_front_end::ref().is_finished() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    velmora_test::mariadb_endpoint m_server;
    std::filesystem::path m_script;
    QTimer m_stalled;
};

// The query dialog gets a query; the column type editor renames the note
// column of purchase and makes it varchar(80).
void answer_dialog(id_dialog& dialog)
{
    if (dialog.dialog_id() == gui::dlg_query) {
        dialog.controls().set_text(query_name_edit, L"big_amounts");
        dialog.controls().set_text(query_text_edit, L"SELECT id, amount FROM purchase WHERE amount > 10");
        click_control(dialog, gui::id_ok);
        return;
    }
    if (dialog.dialog_id() != gui::dlg_column_types)
        return;
    auto* rows = dialog.controls().item_as<QTreeWidget>(columns_list);
    rows->setCurrentItem(rows->topLevelItem(2));
    dialog.controls().set_text(column_name_edit, L"remark");
    auto* types = dialog.controls().item_as<QComboBox>(column_type_list);
    types->setCurrentIndex(types->findText("varchar"));
    dialog.controls().command(column_type_list, gui::selection_changed);
    dialog.controls().set_text(length_edit, L"80");
    click_control(dialog, gui::id_ok);
}

}  // namespace

class end_to_end_test final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server = velmora_test::mariadb_server();
        const std::string db = source_name;
        run_sql({"DROP DATABASE IF EXISTS " + db, "CREATE DATABASE " + db,
                 "CREATE TABLE " + db + ".customer (id INT PRIMARY KEY, name VARCHAR(20))",
                 "CREATE TABLE " + db + ".purchase (id INT PRIMARY KEY, amount INT, note VARCHAR(40))",
                 "INSERT INTO " + db + ".customer VALUES (1, 'Ann'), (2, 'Bo')",
                 "INSERT INTO " + db + ".purchase VALUES (1, 5, 'small'), (2, 50, 'large')",
                 "CREATE VIEW " + db + ".big_purchase AS SELECT id FROM " + db + ".purchase WHERE amount > 10"});
    }

    void the_wizard_converts_the_chosen_database_into_a_script()
    {
        const std::filesystem::path script =
            std::filesystem::temp_directory_path() / ("velmora-end-to-end-" + std::to_string(::getpid()) + ".sql");
        scripted_user user;
        dialog_script dialogs(answer_dialog);
        user_walk walk(server, script);
        QCOMPARE(run_wizard(""), 0);

        QCOMPARE(walk.pages, std::vector<int>({gui::page_welcome, gui::page_mysql_settings, gui::page_script_settings,
                                               gui::page_database_and_file, gui::page_tables_and_views,
                                               -gui::page_tables_and_views, gui::page_progress, gui::page_finish}));
        // The waiting dialog shows only while a connection takes its time.
        std::erase(dialogs.shown, int(gui::dlg_animation_id));
        QCOMPARE(dialogs.shown, std::vector<int>({gui::dlg_query, gui::dlg_column_types}));
        for (const gui::box_request& box : user.boxes)
            QVERIFY2(box.kind == gui::box_kind::question, qPrintable(QString::fromStdWString(box.text)));

        std::ifstream file(script, std::ios::binary);
        const std::string sql((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::filesystem::remove(script);
        for (const char* expected :
             {"CREATE TABLE [dbo].[customer]", "CREATE TABLE [dbo].[purchase]", "[remark] varchar(80)",
              "CREATE TABLE [dbo].[big_amounts]", "CREATE VIEW [dbo].[big_purchase]", "N'large'", "N'Bo'"})
            QVERIFY2(sql.find(expected) != std::string::npos, expected);
        QVERIFY2(sql.find("[note]") == std::string::npos, "the renamed column kept its name");
        // The query's one matching row.
        const std::size_t query_table = sql.find("CREATE TABLE [dbo].[big_amounts]");
        QVERIFY(sql.find("50", query_table) != std::string::npos);
        // The progress page showed every line of the run before it went.
        QVERIFY2(walk.progress_text.contains("\nSummary: "), qPrintable(walk.progress_text));
    }

private:
    void run_sql(const std::vector<std::string>& statements)
    {
        const std::string failure = velmora_test::run_statements(server, statements);
        QVERIFY2(failure.empty(), failure.c_str());
    }

    velmora_test::mariadb_endpoint server;
};

QTEST_MAIN(end_to_end_test)
#include "end_to_end_test.moc"
