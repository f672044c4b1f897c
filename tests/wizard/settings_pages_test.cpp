// The connection and script settings pages in a sheet: what each stores
// into the converter, where Next and Back lead, and what a failed connection
// shows. Against the private MariaDB server, with a recording stand-in for
// the MS SQL provider.
#include "converter/brantwick_convertor.h"
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "support/test_mariadb.h"
#include "wizard/dump_settings_page.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/mssql_settings_page.h"
#include "wizard/mysql_settings_page.h"
#include "wizard/welcome_page.h"
#include "wizard/wizard_shell.h"

#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

namespace {

// DB_SEC_E_PERMISSIONDENIED: its message in the error tables has line feeds.
constexpr std::int32_t permission_denied = static_cast<std::int32_t>(0x80040E09);

// Where the MS SQL page leads; it only has to be there.
class database_page_stand_in final
    : public wizard_page<gui::page_database_and_file, gui::button_back | gui::button_next, 0> {};

int current_page_id(wizard_shell& shell)
{
    property_page* page = shell.sheet().current_page();
    return page == nullptr ? 0 : page->dialog_id();
}

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

bool enabled(property_page& page, int id)
{
    return page.controls().item(id)->isEnabled();
}

// The shell and its pages; the pages go before the shell that holds them.
struct wizard_under_test {
    wizard_under_test()
    {
        for (property_page* page : std::initializer_list<property_page*>{&welcome, &mysql, &mssql, &script, &database})
            shell.sheet().add_page(*page);
    }

    wizard_shell shell{L"Velmora 8.3 ", 0, 0, 0};
    welcome_page welcome{L"bwk"};
    mysql_settings_page mysql;
    mssql_settings_page mssql;
    dump_settings_page script;
    database_page_stand_in database;
};

}  // namespace

class settings_pages_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server = velmora_test::mariadb_server();
        provider = std::make_shared<fake::provider>();
        provider->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)},
                                               {{oledb::db_value(std::wstring(L"Microsoft SQL Server 2019"))}}});
        oledb::install_providers({provider, nullptr, nullptr});
        wizard_shell::set_help_opener([](const QUrl&) { return true; });
    }

    void cleanupTestCase() { oledb::install_providers({}); }

    void init()
    {
        user.emplace();
        converter.emplace(convertor_form::wizard);
        w.emplace();
    }

    void cleanup()
    {
        w.reset();
        converter.reset();
        user.reset();
    }

    void mysql_page_stores_local_and_remote_settings_and_back_never_connects()
    {
        converter->host = "db.example";
        converter->port = "3310";
        converter->user = "ann";
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mysql_settings));
            QVERIFY(w->mysql.controls().is_checked(1330));
            QCOMPARE(w->mysql.controls().text(1014), std::wstring(L"db.example"));
            QCOMPARE(w->mysql.controls().text(1012), std::wstring(L"ann"));
            // Local: the greyed host and port are not what is stored.
            click_control(w->mysql, 1329);
            QVERIFY(!enabled(w->mysql, 1014) && !enabled(w->mysql, 1015));
            w->shell.sheet().press_back();
            QCOMPARE(current_page_id(w->shell), int(gui::page_welcome));
            QCOMPARE(converter->host, std::string());
            QCOMPARE(converter->port, std::string("3306"));
            // Remote with an empty port: the default port.
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mysql_settings));
            click_control(w->mysql, 1330);
            QVERIFY(enabled(w->mysql, 1014) && enabled(w->mysql, 1015));
            w->mysql.controls().set_text(1014, L" far.example ");
            w->mysql.controls().set_text(1015, L"");
            w->shell.sheet().press_back();
            QCOMPARE(converter->host, std::string("far.example"));
            QCOMPARE(converter->port, std::string("3306"));
        });
        QVERIFY(user->boxes.empty());
    }

    void mysql_page_connects_on_next_and_goes_on_by_the_scenario()
    {
        struct case_row {
            bool direct;
            int next_page;
        };
        for (const case_row& row :
             {case_row{false, gui::page_script_settings}, case_row{true, gui::page_mssql_settings}}) {
            converter->direct = row.direct;
            run_in_sheet(w->shell, [&] { fill_mysql_page(wide(server.password)); });
            QCOMPARE(current_page_id(w->shell), row.next_page);
        }
        QVERIFY(user->boxes.empty());
    }

    void mysql_page_stays_with_the_message_of_a_refused_login()
    {
        run_in_sheet(w->shell, [&] { fill_mysql_page(L"wrong password"); });
        QCOMPARE(current_page_id(w->shell), int(gui::page_mysql_settings));
        QCOMPARE(user->boxes.size(), std::size_t(1));
        // The table's text as one paragraph: the box wraps it itself.
        QCOMPARE(user->boxes[0].text, std::wstring(L"Access denied. Verify the user name and password are correct, "
                                                   L"and you have the necessary privileges to connect to the target "
                                                   L"MySQL server."));
        QCOMPARE(w->mysql.controls().text(1013), std::wstring(L"wrong password"));
        // A port that is not a number is refused before any connection.
        user->boxes.clear();
        run_in_sheet(w->shell, [&] { fill_mysql_page(wide(server.password), L"port"); });
        QCOMPARE(current_page_id(w->shell), int(gui::page_mysql_settings));
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].text, std::wstring(L"Invalid port number"));
    }

    void mssql_page_stores_the_login_also_with_windows_authentication_and_connects_on_next()
    {
        converter->secure_login = false;
        converter->set_destination_name(L"shop");
        converter->mssql_engine.as_dbo = true;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mssql_settings));
            QCOMPARE(w->mssql.controls().text(1002), std::wstring(L"shop"));
            QVERIFY(w->mssql.controls().is_checked(1330) && enabled(w->mssql, 1012));
            click_control(w->mssql, 1329);
            QVERIFY(!enabled(w->mssql, 1012) && !enabled(w->mssql, 1013));
            w->mssql.controls().set_text(1014, L"srv");
            w->mssql.controls().set_text(1012, L"sa");
            w->mssql.controls().set_text(1013, L"secret");
            w->mssql.controls().set_text(1002, L"");
            w->shell.sheet().press_back();
            QCOMPARE(current_page_id(w->shell), int(gui::page_mysql_settings));
            QCOMPARE(provider->logins().size(), std::size_t(0));
            QVERIFY(converter->secure_login);
            QCOMPARE(converter->mssql_user, std::wstring(L"sa"));
            QCOMPARE(converter->mssql_pass, std::wstring(L"secret"));
            QVERIFY(!converter->mssql_engine.as_dbo);
            // Back kept the destination name; Next hands the typed one on.
            QCOMPARE(converter->get_destination_name(), std::wstring(L"shop"));
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mssql_settings));
            w->mssql.controls().set_text(1002, L"archive");
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
        });
        QCOMPARE(converter->get_destination_name(), std::wstring(L"archive"));
        QCOMPARE(provider->logins().back().database, std::wstring(L"archive"));
        QCOMPARE(provider->logins().back().user, std::wstring());
        QVERIFY(user->boxes.empty());
    }

    void mssql_page_stays_with_the_message_of_a_refused_connection_as_one_paragraph()
    {
        auto refusing = std::make_shared<fake::provider>();
        refusing->refuse_login({{{L"42000", 916, L"not allowed"}}, permission_denied});
        oledb::install_providers({refusing, nullptr, nullptr});
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mssql_settings));
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_mssql_settings));
        });
        oledb::install_providers({provider, nullptr, nullptr});
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].text, std::wstring(L"You are not allowed to access MS SQL database. Ask your system "
                                                   L"administrator to grant you necessary privileges."));
    }

    void script_page_keeps_the_greyed_create_database_choice_and_back_skips_the_mssql_page()
    {
        converter->script_options.unicode = true;
        converter->script_options.create_database = true;
        converter->script_options.structure = true;
        converter->script_options.comments = false;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_script_settings));
            QVERIFY(w->script.controls().is_checked(1202) && w->script.controls().is_checked(1203));
            QVERIFY(!w->script.controls().is_checked(1205));
            click_control(w->script, 1204);
            QVERIFY(!w->script.controls().is_checked(1204));
            QVERIFY(!enabled(w->script, 1203) && w->script.controls().is_checked(1203));
            click_control(w->script, 1202);
            click_control(w->script, 1205);
            w->shell.sheet().press_back();
            QCOMPARE(current_page_id(w->shell), int(gui::page_mysql_settings));
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_script_settings));
            QVERIFY(!enabled(w->script, 1203));
            click_control(w->script, 1204);
            QVERIFY(enabled(w->script, 1203));
            click_control(w->script, 1204);
            w->shell.sheet().press_next();
            QCOMPARE(current_page_id(w->shell), int(gui::page_database_and_file));
        });
        QVERIFY(!converter->script_options.unicode && !converter->mssql_engine.unicode);
        QVERIFY(converter->script_options.create_database);
        QVERIFY(!converter->script_options.structure);
        QVERIFY(converter->script_options.comments);
    }

private:
    void fill_mysql_page(const std::wstring& password, const std::wstring& port = {})
    {
        QVERIFY(w->shell.sheet().set_current_page_id(gui::page_mysql_settings));
        click_control(w->mysql, 1330);
        w->mysql.controls().set_text(1014, wide(server.host));
        w->mysql.controls().set_text(1015, port.empty() ? std::to_wstring(server.port) : port);
        w->mysql.controls().set_text(1012, wide(server.user));
        w->mysql.controls().set_text(1013, password);
        w->shell.sheet().press_next();
    }

    velmora_test::mariadb_endpoint server;
    std::shared_ptr<fake::provider> provider;
    std::optional<scripted_user> user;
    std::optional<brantwick_convertor> converter;
    std::optional<wizard_under_test> w;
};

QTEST_MAIN(settings_pages_test)
#include "settings_pages_test.moc"
