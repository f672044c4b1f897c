// The database and file page in a sheet: what it shows for each scenario,
// the database list, the destination it proposes, the refusals of Next, and
// an existing destination, which Next leaves as it is for the run to replace.
// Against the private MariaDB server, with a recording stand-in for the MS SQL
// provider.
#include "converter/brantwick_convertor.h"
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "support/test_mariadb.h"
#include "toolkit/tk_log.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/id_dialog.h"
#include "wizard/overwrite_dlg.h"
#include "wizard/sel_file_page.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mysql.h>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* shop = "vdp_shop";
constexpr const char* shop_archive = "vdp_shop_archive";
constexpr const wchar_t* target = L"vdp_target";

// The pages around the database page: Back leads to one of the first two,
// Next to the last.
template <int DLG>
class page_stand_in final : public wizard_page<DLG, gui::button_back | gui::button_next, 0> {};

struct wizard_under_test {
    wizard_under_test()
    {
        for (property_page* page : std::initializer_list<property_page*>{&mssql, &script, &database, &tables})
            shell.sheet().add_page(*page);
    }

    wizard_shell shell{L"Velmora 8.3 ", 0, 0, 0};
    page_stand_in<gui::page_mssql_settings> mssql;
    page_stand_in<gui::page_script_settings> script;
    sel_file_page database;
    page_stand_in<gui::page_tables_and_views> tables;
};

int current_page_id(wizard_shell& shell)
{
    property_page* page = shell.sheet().current_page();
    return page == nullptr ? 0 : page->dialog_id();
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string read_file(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool has_statement(const fake::provider& provider, const std::wstring& prefix)
{
    const std::vector<std::wstring> texts = provider.statement_texts();
    return std::any_of(texts.begin(), texts.end(), [&](const std::wstring& text) { return text.starts_with(prefix); });
}

}  // namespace

class database_page_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server = velmora_test::mariadb_server();
        run_sql({std::string("DROP DATABASE IF EXISTS ") + shop, std::string("DROP DATABASE IF EXISTS ") + shop_archive,
                 "DROP DATABASE IF EXISTS vdp_late", std::string("CREATE DATABASE ") + shop,
                 std::string("CREATE DATABASE ") + shop_archive,
                 std::string("CREATE TABLE ") + shop + ".customer (id INT PRIMARY KEY, name VARCHAR(20))",
                 std::string("INSERT INTO ") + shop + ".customer VALUES (1, 'Ann')"});
        provider = std::make_shared<fake::provider>();
        provider->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)},
                                               {{oledb::db_value(std::wstring(L"Microsoft SQL Server 2019"))}}});
        provider->answer(L"SELECT name from master.sys.databases ORDER BY name",
                         {{fake::wide_text_column(L"name", 128)}, {{oledb::db_value(std::wstring(target))}}});
        provider->answer(L"SELECT HAS_DBACCESS(N'" + std::wstring(target) + L"')",
                         {{fake::int_column(L"a")}, {{oledb::db_value(std::wstring(L"1"))}}});
        oledb::install_providers({provider, nullptr, nullptr});
        wizard_shell::set_help_opener([](const QUrl&) { return true; });
        folder = fs::temp_directory_path() / ("velmora-database-page-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }

    void cleanupTestCase()
    {
        run_sql({std::string("DROP DATABASE IF EXISTS ") + shop, std::string("DROP DATABASE IF EXISTS ") + shop_archive,
                 "DROP DATABASE IF EXISTS vdp_late"});
        fs::remove_all(folder);
        oledb::install_providers({});
    }

    void init()
    {
        user.emplace();
        converter.emplace(convertor_form::wizard);
        converter->host = server.host;
        converter->port = std::to_string(server.port);
        converter->user = server.user;
        converter->password = server.password;
        converter->connect_mysql_server();
        w.emplace();
    }

    void cleanup()
    {
        w.reset();
        converter.reset();
        user.reset();
    }

    void the_page_shows_the_settings_in_the_words_of_the_scenario()
    {
        struct case_row {
            bool direct;
            const wchar_t* source;
            const wchar_t* destination;
            const wchar_t* shown_destination;
            const wchar_t* label;
        };
        // An empty database name is asked for, never taken from the source,
        // which may name an unrelated database on the server; a script is
        // proposed in the current folder under the source's name.
        const std::wstring proposed_script = (std::filesystem::current_path() / "shop.sql").wstring();
        const case_row rows[] = {
            {true, L"", L"", L"", L"MS SQL data&base:"},
            {false, L"shop", L"", proposed_script.c_str(), L"T-SQL scr&ipt file:"},
            {true, L"shop", L"archive", L"archive", L"MS SQL data&base:"},
            {true, L"shop", L"", L"", L"MS SQL data&base:"},
        };
        for (const case_row& row : rows) {
            w.emplace();
            converter->direct = row.direct;
            converter->set_source_name(row.source);
            converter->set_destination_name(row.destination);
            converter->skip_indexes = row.direct;
            converter->convert_views = !row.direct;
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
                dialog_controls& controls = w->database.controls();
                QCOMPARE(controls.text(source_database_combo), std::wstring(row.source));
                QCOMPARE(controls.text(destination_edit), std::wstring(row.shown_destination));
                QCOMPARE(controls.text(destination_label), std::wstring(row.label));
                QCOMPARE(controls.item(browse_script_button)->isVisibleTo(&w->database), !row.direct);
                QCOMPARE(controls.is_checked(skip_indexes_check), row.direct);
                QCOMPARE(controls.is_checked(convert_views_check), !row.direct);
                QVERIFY(!controls.is_checked(structure_only_check) && !controls.is_checked(blob_to_text_check));
                QCOMPARE(w->database.controls().item_as<QComboBox>(source_database_combo)->count(), 0);
            });
        }
    }

    void the_list_is_read_once_and_only_the_exact_name_is_taken()
    {
        converter->direct = false;
        converter->set_source_name(wide(shop));
        converter->set_destination_name((folder / "shop.sql").wstring());
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
            auto* combo = w->database.controls().item_as<QComboBox>(source_database_combo);
            w->database.controls().command(source_database_combo, gui::dropped_down);
            QVERIFY(combo->findText(shop_archive) >= 0);
            QCOMPARE(combo->currentIndex(), combo->findText(shop));
            QCOMPARE(combo->currentText(), QString(shop));
            // Typing the beginning of a name is no choice of that database.
            combo->lineEdit()->clear();
            QApplication::setActiveWindow(combo->window());
            combo->lineEdit()->setFocus();
            QTest::keyClicks(combo->lineEdit(), "vdp_sho");
            QCOMPARE(combo->currentText(), QString("vdp_sho"));
            run_sql({"CREATE DATABASE vdp_late"});
            w->database.controls().command(source_database_combo, gui::dropped_down);
            QCOMPARE(combo->currentText(), QString("vdp_sho"));
            QCOMPARE(combo->findText("vdp_late"), -1);
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
        });
        QCOMPARE(converter->get_source_name(), std::wstring(L"vdp_sho"));
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].kind, gui::box_kind::information);
        QCOMPARE(user->boxes[0].text, std::wstring(L"MySQL database does not exist"));
    }

    void choosing_a_database_proposes_its_destination_and_forgets_the_selection()
    {
        const std::wstring here = fs::current_path().wstring();
        struct case_row {
            bool direct;
            std::wstring shown;
            std::wstring proposed;
        };
        const case_row rows[] = {
            {true, L"anything", wide(shop)},
            {false, L"", here + L"/" + wide(shop) + L".sql"},
            {false, L"bare", here + L"/" + wide(shop) + L".sql"},
            {false, L"/srv/dumps/old.sql", L"/srv/dumps/" + wide(shop) + L".sql"},
        };
        for (const case_row& row : rows) {
            converter->direct = row.direct;
            converter->set_source_name(wide(shop_archive));
            converter->table_names = {L"customer"};
            converter->selected = {{L"customer", L""}};
            converter->views = {{L"v", L""}};
            converter->available_queries = {{L"q", L"SELECT 1"}};
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
                w->database.controls().set_text(destination_edit, row.shown);
                auto* combo = w->database.controls().item_as<QComboBox>(source_database_combo);
                w->database.controls().command(source_database_combo, gui::dropped_down);
                combo->setCurrentIndex(combo->findText(shop));
                w->database.controls().command(source_database_combo, gui::selection_changed);
                QCOMPARE(w->database.controls().text(destination_edit), row.proposed);
            });
            QVERIFY(converter->table_names.empty() && converter->selected.empty());
            QVERIFY(converter->views.empty() && converter->available_queries.empty());
        }
    }

    // Coming back to the page (its list reselects the source as it opens)
    // keeps what was chosen of the same database.
    void the_database_chosen_again_keeps_its_destination_and_selection()
    {
        converter->direct = true;
        converter->set_source_name(wide(shop));
        converter->set_destination_name(target);
        converter->table_names = {L"customer"};
        converter->views = {{L"v", L""}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
            auto* combo = w->database.controls().item_as<QComboBox>(source_database_combo);
            w->database.controls().command(source_database_combo, gui::dropped_down);
            combo->setCurrentIndex(combo->findText(shop));
            w->database.controls().command(source_database_combo, gui::selection_changed);
            QCOMPARE(w->database.controls().text(destination_edit), std::wstring(target));
        });
        QCOMPARE(converter->table_names, std::vector<std::wstring>{L"customer"});
        QCOMPARE(converter->views.size(), std::size_t(1));
    }

    // The log named when the run starts is the one written, and no other:
    // neither a name refused on the page nor one cleared from the field.
    void the_log_is_opened_only_when_the_run_starts()
    {
        tk_logger logger(nullptr, false, 1, false);
        const fs::path earlier = folder / "earlier.log";
        const fs::path script = folder / "logged.sql";
        std::ofstream(earlier) << "the last run's log\n";
        converter->direct = false;
        converter->selected = {{L"customer", L""}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
            dialog_controls& controls = w->database.controls();
            controls.set_text(source_database_combo, L"vdp_none");
            controls.set_text(destination_edit, script.wstring());
            controls.set_text(log_file_edit, earlier.wstring());
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
            controls.set_text(source_database_combo, wide(shop));
            controls.set_text(log_file_edit, L"");
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_tables_and_views));
            QCOMPARE(read_file(earlier), std::string("the last run's log\n"));
            test_error_handler errors;
            converter->start_log();
            (*converter)();
            w->shell.kill_timer();
        });
        QCOMPARE(read_file(earlier), std::string("the last run's log\n"));
        QVERIFY(read_file(script).find("CREATE TABLE [dbo].[customer]") != std::string::npos);
        fs::remove(script);
    }

    void next_refuses_missing_names_a_missing_source_and_unusable_files()
    {
        tk_logger logger(nullptr, false, 3, false);
        const std::wstring script = (folder / "refusals.sql").wstring();
        struct case_row {
            bool direct;
            std::wstring source;
            std::wstring destination;
            std::wstring log_file;
            gui::box_kind kind;
            std::wstring text;
        };
        const case_row rows[] = {
            {false, L"", script, L"", gui::box_kind::information, L"You should enter MySQL database name"},
            {true, wide(shop), L"", L"", gui::box_kind::information, L"You should enter MS SQL database name"},
            {false, wide(shop), L"", L"", gui::box_kind::information, L"You should enter T-SQL script file name"},
            {false, L"vdp_none", script, L"", gui::box_kind::information, L"MySQL database does not exist"},
            {false, wide(shop), folder.wstring(), L"", gui::box_kind::error,
             L"Destination name should specify a file, not folder."},
            {false, wide(shop), script, folder.wstring(), gui::box_kind::error,
             L"Logfile name specifies an existing path."},
            {false, wide(shop), script, script, gui::box_kind::error,
             L"The log file '" + script + L"' is the destination script file. Give the log a file of its own."},
            {false, wide(shop), script, L"/dev/null", gui::box_kind::error,
             L"Logfile name specifies an existing link, device or pipe, not a regular file."},
            // A folder whose permissions seem open but that takes no file.
            {false, wide(shop), L"/proc/velmora-refused.sql", L"", gui::box_kind::error,
             L"Cannot create or write into the destination file. Run the program as Administrator or change folder."},
        };
        for (const case_row& row : rows) {
            user.emplace();
            converter->direct = row.direct;
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
                w->database.controls().set_text(source_database_combo, row.source);
                w->database.controls().set_text(destination_edit, row.destination);
                w->database.controls().set_text(log_file_edit, row.log_file);
                w->shell.sheet().press_next();
                QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
            });
            QCOMPARE(user->boxes.size(), std::size_t(1));
            QCOMPARE(user->boxes[0].kind, row.kind);
            QCOMPARE(user->boxes[0].text, row.text);
        }
        QVERIFY(!fs::exists(script));
    }

    void back_stores_the_page_and_returns_to_the_settings_of_the_scenario()
    {
        for (const bool direct : {true, false}) {
            converter->direct = direct;
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
                w->database.controls().set_text(source_database_combo, L"typed");
                w->database.controls().set_text(destination_edit, L"destination");
                click_control(w->database, structure_only_check);
                w->shell.sheet().press_back();
                QCOMPARE(current_page_id(w->shell),
                         direct ? int(gui::page_mssql_settings) : int(gui::page_script_settings));
            });
            QCOMPARE(converter->get_source_name(), std::wstring(L"typed"));
            // A script named without a folder is one of the current folder.
            const std::wstring stored = direct ? L"destination" : (fs::current_path() / "destination").wstring();
            QCOMPARE(converter->get_destination_name(), stored);
            QCOMPARE(converter->only_definitions, direct);
        }
        QVERIFY(user->boxes.empty());
    }

    void an_existing_script_is_left_to_the_run_which_replaces_it_whole()
    {
        const fs::path script = folder / "existing.sql";
        std::ofstream(script) << "earlier script";
        converter->direct = false;
        converter->set_source_name(wide(shop));
        converter->set_destination_name(script.wstring());
        converter->script_options.structure = true;
        converter->selected = {{L"customer", L""}};
        user->box_answers = {false, true};
        test_error_handler errors;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_tables_and_views));
            QCOMPARE(read_file(script), std::string("earlier script"));
            (*converter)();
            w->shell.kill_timer();
        });
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].text, std::wstring(L"Destination file already exists. Overwrite?"));
        QVERIFY(user->boxes[0].yes_no && user->boxes[0].second_default);
        QVERIFY(converter->is_complete());
        QVERIFY(read_file(script).find("CREATE TABLE [dbo].[customer]") != std::string::npos);
    }

    void an_existing_database_gets_a_mode_on_next_and_only_the_run_drops_it()
    {
        converter->mssql_host = L"srv";
        converter->connect_mssql_server();
        struct case_row {
            std::vector<int> clicks;
            int page;
            std::uint32_t mode;
        };
        const case_row rows[] = {
            {{gui::id_help, gui::id_cancel}, gui::page_database_and_file, 3},
            {{skip_tables_choice, gui::id_ok}, gui::page_tables_and_views, 2},
            {{synchronize_choice, gui::id_ok}, gui::page_tables_and_views, 4},
            // The dialog opens on skipping existing tables: Enter drops nothing.
            {{gui::id_ok}, gui::page_tables_and_views, 2},
            {{overwrite_database_choice, gui::id_ok}, gui::page_tables_and_views, 0},
        };
        for (const case_row& row : rows) {
            converter->mode = 3;
            converter->direct = true;
            converter->set_source_name(wide(shop));
            converter->set_destination_name(target);
            dialog_script dialogs([&](id_dialog& dialog) {
                for (int id : row.clicks)
                    click_control(dialog, id);
            });
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_database_and_file));
                w->shell.sheet().press_next();
                QCOMPARE(current_page_id(w->shell), row.page);
            });
            QCOMPARE(dialogs.shown, std::vector<int>{gui::dlg_existing_database});
            QCOMPARE(dialogs.captions[0], QString("Velmora 8.3  Warning"));
            QVERIFY(dialogs.texts[0].startsWith("The destination database already exists. Select one of the\n"));
            QCOMPARE(converter->mode, row.mode);
            QVERIFY(!has_statement(*provider, L"DROP DATABASE"));
        }
        QCOMPARE(wizard_shell::help_requests().back(), 1013);
        test_error_handler errors;
        converter->selected = {{L"customer", L""}};
        run_in_sheet(w->shell, [&] {
            (*converter)();
            w->shell.kill_timer();
        });
        QVERIFY(has_statement(*provider, L"DROP DATABASE [vdp_target]"));
        QVERIFY(converter->is_complete());
    }

private:
    void run_sql(const std::vector<std::string>& statements)
    {
        const std::string failure = velmora_test::run_statements(server, statements);
        QVERIFY2(failure.empty(), failure.c_str());
    }

    velmora_test::mariadb_endpoint server;
    std::shared_ptr<fake::provider> provider;
    fs::path folder;
    std::optional<scripted_user> user;
    std::optional<brantwick_convertor> converter;
    std::optional<wizard_under_test> w;
};

QTEST_MAIN(database_page_test)
#include "database_page_test.moc"
