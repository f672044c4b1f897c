// The wizard started with a profile on its command line: a good profile
// converts at once and ends on the finish page; a profile that does not load
// starts nothing; a profile naming a table the source lost converts the
// others and lists the missing one; Cancel in the middle of a large table
// stops the run. Against the private MariaDB server, with a recording
// stand-in for the MS SQL provider.
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "support/test_mariadb.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/id_dialog.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSize>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr const char* source_name = "velmora_wizard_quick";

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The path in double quotes, with blanks around them.
std::string quoted(const std::filesystem::path& path, const std::string& blanks)
{
    std::string text = blanks;
    text += '"';
    text += path.string();
    text += '"';
    text += blanks;
    return text;
}

// Watches the pages the sheet shows; on the finish page it keeps what the
// page says and presses Finish.
class page_watch final : public QObject {
public:
    page_watch() { qApp->installEventFilter(this); }
    ~page_watch() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched == progress_page)
            progress_log = log();
        if (event->type() != QEvent::Show || !watched->objectName().startsWith("page_"))
            return false;
        pages.push_back(watched->objectName());
        if (pages.size() == 1)
            QMetaObject::invokeMethod(
                qApp, [this] { page_area = wizard_shell::ref().sheet().findChild<QStackedWidget*>()->sizeHint(); },
                Qt::QueuedConnection);
        if (close_on_welcome && watched->objectName() == QString("page_%1").arg(gui::page_welcome))
            QMetaObject::invokeMethod(
                qApp, [] { wizard_shell::ref().sheet().press_cancel(); }, Qt::QueuedConnection);
        if (watched->objectName() == QString("page_%1").arg(gui::page_finish)) {
            finish_title = watched->findChild<QLabel*>("control_1313")->text();
            finish_text = watched->findChild<QLabel*>("control_1314")->text();
            auto* list = watched->findChild<QPlainTextEdit*>("control_1016");
            error_list = list->isVisibleTo(static_cast<QWidget*>(watched)) ? list->toPlainText() : QString();
            QMetaObject::invokeMethod(
                qApp, [] { wizard_shell::ref().sheet().press_finish(); }, Qt::QueuedConnection);
        }
        if (watched->objectName() == QString("page_%1").arg(gui::page_progress))
            progress_page = static_cast<QWidget*>(watched);
        return false;
    }

    // What the progress page shows now.
    int progress() const { return progress_page->findChild<QProgressBar*>("control_1321")->value(); }
    QString current_table() const { return progress_page->findChild<QLabel*>("control_1323")->text(); }
    QString log() const { return progress_page->findChild<QPlainTextEdit*>("control_1016")->toPlainText(); }

    QStringList pages;
    // The room the sheet gave its pages once the first showed.
    QSize page_area;
    bool close_on_welcome = false;
    QString finish_title;
    QString finish_text;
    QString error_list;
    QWidget* progress_page = nullptr;
    // The progress page's log when it was last hidden.
    QString progress_log;
};

}  // namespace

class quick_launch_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server = velmora_test::mariadb_server();
        run_sql({std::string("DROP DATABASE IF EXISTS ") + source_name,
                 std::string("CREATE DATABASE ") + source_name + " CHARACTER SET utf8mb4",
                 std::string("CREATE TABLE ") + source_name + ".customer (id INT PRIMARY KEY, name VARCHAR(20))",
                 std::string("INSERT INTO ") + source_name + ".customer VALUES (1, 'Ann'), (2, 'Bob')",
                 std::string("CREATE TABLE ") + source_name + ".purchase (id INT PRIMARY KEY, amount INT)",
                 std::string("INSERT INTO ") + source_name + ".purchase VALUES (7, 100)",
                 std::string("CREATE TABLE ") + source_name + ".big (id INT PRIMARY KEY, note VARCHAR(200))",
                 std::string("INSERT INTO ") + source_name + ".big SELECT seq, CONCAT(REPEAT('note ', 30), seq) FROM " +
                     source_name + ".seq_1_to_1000000"});
        provider = std::make_shared<fake::provider>();
        provider->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)},
                                               {{oledb::db_value(std::wstring(L"Microsoft SQL Server 2019"))}}});
        oledb::install_providers({provider, nullptr, nullptr});
        folder = std::filesystem::temp_directory_path() / ("velmora-quick-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        wizard_shell::set_help_opener([](const QUrl&) { return true; });
    }

    void cleanupTestCase()
    {
        run_sql({std::string("DROP DATABASE IF EXISTS ") + source_name});
        std::filesystem::remove_all(folder);
        oledb::install_providers({});
    }

    void init() { user.emplace(); }
    void cleanup() { user.reset(); }

    void a_good_profile_in_quotes_converts_at_once_and_ends_on_the_finish_page()
    {
        const std::filesystem::path script = folder / "good.sql";
        const std::filesystem::path profile = write_profile("good.bwk", {"customer", "purchase"}, script);
        page_watch watch;
        QCOMPARE(run_wizard(quoted(profile, "  ")), 0);
        QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
        QVERIFY(watch.finish_text.startsWith("Wizard has exported your MySQL database"));
        QVERIFY(watch.error_list.isEmpty());
        const std::string sql = read_file(script);
        QVERIFY(sql.find("CREATE TABLE [dbo].[customer]") != std::string::npos);
        QVERIFY(sql.find("CREATE TABLE [dbo].[purchase]") != std::string::npos);
        QVERIFY(user->boxes.empty());
        // The profile's settings are the last run's now.
        QVERIFY(read_file(std::getenv("VELMORA_REGISTRY_FILE")).find(source_name) != std::string::npos);
    }

    // No server name means the server on this machine, which the quick launch
    // reaches before it writes the script.
    void a_script_profile_without_a_server_name_converts_at_once()
    {
        std::filesystem::remove(std::getenv("VELMORA_REGISTRY_FILE"));
        const std::filesystem::path script = folder / "local.sql";
        const std::filesystem::path profile = write_profile("local.bwk", {"customer"}, script, {}, {});
        const std::size_t logins_before = provider->logins().size();
        dialog_script dialogs([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
        page_watch watch;
        QCOMPARE(run_wizard(profile.string()), 0);
        QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
        QVERIFY(dialogs.shown.empty());
        QVERIFY(user->boxes.empty());
        QVERIFY(provider->logins().size() > logins_before);
        QCOMPARE(provider->logins()[logins_before].server, std::wstring());
        QVERIFY(read_file(script).find("CREATE TABLE [dbo].[customer]") != std::string::npos);
    }

    // The two pages of a quick launch have the room of every page, as in the
    // whole wizard, so that both open at one size.
    void the_sheet_gives_its_pages_the_room_of_the_whole_wizard()
    {
        page_watch whole;
        whole.close_on_welcome = true;
        run_wizard("");
        QCOMPARE(whole.pages, QStringList({"page_103"}));
        const std::filesystem::path profile = write_profile("sized.bwk", {"customer"}, folder / "sized.sql");
        page_watch quick;
        QCOMPARE(run_wizard(profile.string()), 0);
        QVERIFY(whole.page_area.isValid());
        QCOMPARE(quick.page_area, whole.page_area);
    }

    void a_table_the_source_lost_is_listed_and_nothing_is_written()
    {
        const std::filesystem::path script = folder / "lost.sql";
        const std::filesystem::path profile = write_profile("lost.bwk", {"gone", "customer"}, script);
        page_watch watch;
        QCOMPARE(run_wizard(profile.string()), -1);
        QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
        QVERIFY(watch.finish_text.startsWith("There were some errors"));
        QCOMPARE(watch.finish_title, QString("Conversion is not Completed"));
        QVERIFY2(watch.finish_text.contains("The script file '" + QString::fromStdString(script.string()) +
                                            "' was not written.\n"),
                 qPrintable(watch.finish_text));
        QCOMPARE(watch.error_list, QString("Table gone not exists\n\n"));
        QVERIFY(!std::filesystem::exists(script));
    }

    void cancel_in_the_middle_of_a_large_table_stops_the_run_and_writes_nothing()
    {
        const std::filesystem::path script = folder / "cancelled.sql";
        const std::filesystem::path profile = write_profile("cancelled.bwk", {"customer", "big"}, script);
        page_watch watch;
        int shown_progress = 0;
        bool running_after_no = false;
        bool cancel_offered_while_stopping = true;
        QTimer poll;
        poll.callOnTimeout([&] {
            if (watch.progress_page == nullptr)
                return;
            property_sheet& sheet = wizard_shell::ref().sheet();
            if (shown_progress == 0 && watch.current_table() == "Processing table 'big'" && watch.progress() > 10) {
                shown_progress = watch.progress();
                user->box_answers = {false, true};
                sheet.press_cancel();
                running_after_no = sheet.isVisible() && sheet.button(gui::sheet_cancel)->isEnabled();
                sheet.press_cancel();
                cancel_offered_while_stopping = sheet.button(gui::sheet_cancel)->isEnabled();
            }
        });
        poll.start(5);
        QCOMPARE(run_wizard(profile.string()), -1);
        poll.stop();

        // The bar moved with the rows of the large table, the sheet answered
        // while the run went on, and the run stopped before the table's end.
        QVERIFY2(shown_progress > 10 && shown_progress < 100, qPrintable(QString::number(shown_progress)));
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].text, std::wstring(L"Are you sure you want to exit the wizard?"));
        QVERIFY(running_after_no);
        QVERIFY(!cancel_offered_while_stopping);
        // The stopped run ends on the finish page, which says what it left.
        QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
        QCOMPARE(watch.finish_title, QString("Conversion is Stopped"));
        QVERIFY2(watch.finish_text.startsWith("The conversion was stopped by the user.\nSummary: 1 tables converted"),
                 qPrintable(watch.finish_text));
        QVERIFY2(watch.finish_text.contains("The script file '" + QString::fromStdString(script.string()) +
                                            "' was not written.\n"),
                 qPrintable(watch.finish_text));
        // Neither the script nor its temporary file beside it is left.
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            QVERIFY2(!entry.path().filename().string().starts_with(script.filename().string()),
                     qPrintable(QString::fromStdString(entry.path().string())));
        QVERIFY2(watch.progress_log.contains("The conversion was stopped by the user\n"
                                             "The script file '" +
                                             QString::fromStdString(script.string()) + "' was not written"),
                 qPrintable(watch.progress_log));
        QVERIFY(watch.progress_log.contains("Summary: 1 tables converted, 0 failed; "));
    }

    // A query that fails, answered Continue: the console's rule holds, an
    // earlier script is kept and where none stood what went across is
    // written; the finish page says which and where.
    void a_failed_query_keeps_the_earlier_script_or_writes_what_went_across()
    {
        struct case_row {
            const char* name;
            bool earlier;
            const char* said;
        };
        const case_row rows[] = {
            {"fresh", false, "' was written; it holds what went across.\n"},
            {"kept", true, "' was not written; the earlier file of that name was kept.\n"},
        };
        for (const case_row& row : rows) {
            user.emplace();
            const std::filesystem::path script = folder / (std::string(row.name) + "_query.sql");
            if (row.earlier)
                std::ofstream(script) << "-- earlier script\n";
            const std::filesystem::path profile = write_profile(
                std::string(row.name) + "_query.bwk", {"customer", "broken=SELECT nothing FROM customer"}, script);
            dialog_script continue_run([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
            page_watch watch;
            QCOMPARE(run_wizard(profile.string()), -1);
            QCOMPARE(continue_run.shown, std::vector<int>({gui::dlg_continue_or_abort}));
            QCOMPARE(continue_run.captions[0], QString("Velmora 8.3 Error"));
            QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
            QCOMPARE(watch.finish_title, QString("Conversion is Completed with Errors"));
            QVERIFY2(watch.finish_text.contains("Summary: 1 tables converted, 1 failed;"),
                     qPrintable(watch.finish_text));
            QVERIFY2(
                watch.finish_text.contains("The script file '" + QString::fromStdString(script.string()) + row.said),
                qPrintable(watch.finish_text));
            QVERIFY(watch.error_list.contains("broken"));
            const std::string sql = read_file(script);
            if (row.earlier)
                QCOMPARE(sql, std::string("-- earlier script\n"));
            else
                QVERIFY(sql.find("CREATE TABLE [dbo].[customer]") != std::string::npos);
        }
    }

    // A script needs no server: one that refuses the connection is logged and
    // the script is written all the same.
    void a_script_profile_whose_server_does_not_answer_still_converts()
    {
        auto refusing = std::make_shared<fake::provider>();
        refusing->refuse_login(fake::sql_error(18456, L"Login failed for user 'sa'.", L"28000"));
        oledb::install_providers({refusing, nullptr, nullptr});
        const std::filesystem::path script = folder / "serverless.sql";
        const std::filesystem::path log = folder / "serverless.log";
        const std::filesystem::path profile =
            write_profile("serverless.bwk", {"customer"}, script, {}, "srv", log.string());
        dialog_script dialogs([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
        page_watch watch;
        const int result = run_wizard(profile.string());
        oledb::install_providers({provider, nullptr, nullptr});
        QCOMPARE(result, 0);
        QVERIFY(dialogs.shown.empty());
        QVERIFY(user->boxes.empty());
        QCOMPARE(watch.pages, QStringList({"page_107", "page_116"}));
        QCOMPARE(watch.finish_title, QString("Conversion is Completed"));
        QVERIFY2(watch.finish_text.startsWith("Wizard has exported your MySQL database to the T-SQL\nscript file '" +
                                              QString::fromStdString(script.string()) + "' successfully."),
                 qPrintable(watch.finish_text));
        QVERIFY(read_file(script).find("CREATE TABLE [dbo].[customer]") != std::string::npos);
        QVERIFY(read_file(log).find("No MS SQL server answered") != std::string::npos);
    }

    void a_profile_that_does_not_load_or_connect_starts_nothing()
    {
        struct case_row {
            const char* name;
            std::string content;
            const wchar_t* message;
        };
        const case_row rows[] = {
            {"missing.bwk", "", L"Profile does not exist. Please verify the correct path/name was given."},
            {"headless.bwk", "src=shop\n[Generic settings]\n", L"Cannot load the profile '"},
            {"unreachable.bwk", "", L"onnect"},
        };
        for (const case_row& row : rows) {
            user.emplace();
            std::filesystem::path profile = folder / row.name;
            if (std::string(row.name) == "unreachable.bwk")
                profile = write_profile(row.name, {"customer"}, folder / "never.sql", "1");
            else if (!row.content.empty())
                std::ofstream(profile) << row.content;
            // A failed connection is an error after which one may go on.
            dialog_script script([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
            page_watch watch;
            QCOMPARE(run_wizard(quoted(profile, "")), -1);
            QVERIFY(watch.pages.isEmpty());
            std::vector<std::wstring> shown;
            for (const gui::box_request& box : user->boxes) {
                QCOMPARE(box.title, std::wstring(L"Error"));
                shown.push_back(box.text);
            }
            for (const QString& text : script.texts)
                shown.push_back(text.toStdWString());
            QCOMPARE(shown.size(), std::size_t(1));
            QVERIFY2(shown[0].find(row.message) != std::wstring::npos, qPrintable(QString::fromStdWString(shown[0])));
            QVERIFY(!std::filesystem::exists(folder / "never.sql"));
        }
    }

    // A profile whose log is its own script is refused before the log's first
    // line could empty the earlier script.
    void a_profile_whose_log_is_its_script_keeps_the_earlier_script()
    {
        const std::filesystem::path script = folder / "self_logged.sql";
        std::ofstream(script) << "-- earlier script\n";
        const std::filesystem::path profile =
            write_profile("self_logged.bwk", {"customer"}, script, {}, "srv", script.string());
        dialog_script dialogs([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
        page_watch watch;
        QCOMPARE(run_wizard(profile.string()), -1);
        QVERIFY(watch.pages.isEmpty());
        QCOMPARE(read_file(script), std::string("-- earlier script\n"));
        std::vector<std::wstring> shown;
        for (const gui::box_request& box : user->boxes)
            shown.push_back(box.text);
        for (const QString& text : dialogs.texts)
            shown.push_back(text.toStdWString());
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY2(shown[0].find(L"is the destination script file") != std::wstring::npos,
                 qPrintable(QString::fromStdWString(shown[0])));
    }

private:
    void run_sql(const std::vector<std::string>& statements)
    {
        const std::string failure = velmora_test::run_statements(server, statements);
        QVERIFY2(failure.empty(), failure.c_str());
    }

    // A script-mode profile for the test database; port overrides the server's,
    // and an empty MS SQL server name is left out, as the wizard saves it.
    std::filesystem::path write_profile(const std::string& name, const std::vector<std::string>& tables,
                                        const std::filesystem::path& script, const std::string& port = {},
                                        const std::string& mssql_server = "srv", const std::string& logfile = {})
    {
        const std::filesystem::path path = folder / name;
        std::ofstream file(path);
        file << "[Generic settings]\nsrc=" << source_name << "\ndest=" << script.string() << "\nmode=0\n";
        if (!logfile.empty())
            file << "logfile=" << logfile << "\n";
        file << "\n";
        file << "[Selected Tables]\n";
        for (const std::string& table : tables)
            file << table << "\n";
        file << "\n[MySQL settings]\nhost=" << server.host << "\nuser=" << server.user
             << "\npassword=" << server.password << "\nport=" << (port.empty() ? std::to_string(server.port) : port)
             << "\n\n[MS SQL Server settings]\n";
        if (!mssql_server.empty())
            file << "server=" << mssql_server << "\n";
        file << "windows authentication=1\ndirect mode=0\n";
        return path;
    }

    velmora_test::mariadb_endpoint server;
    std::shared_ptr<fake::provider> provider;
    std::filesystem::path folder;
    std::optional<scripted_user> user;
};

QTEST_MAIN(quick_launch_test)
#include "quick_launch_test.moc"
