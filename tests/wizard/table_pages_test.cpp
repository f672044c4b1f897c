// The tables and views pages and the query dialog: what the pages hand to
// the converter, where Next leads, and what the query dialog and the tables
// page refuse. Against the private MariaDB server, with a script destination.
#include "converter/brantwick_convertor.h"
#include "support/test_mariadb.h"
#include "wizard/bwk_sel_tables_page.h"
#include "wizard/bwk_sel_views_page.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/progress_page.h"
#include "wizard/set_query_dlg.h"
#include "wizard/wizard_shell.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* source_name = "velmora_wizard_tables";
constexpr const char* empty_source_name = "velmora_wizard_no_tables";
const std::wstring duplicate_name = L"Duplicate table name. Try again.";
const std::wstring not_select = L"The query must start with SELECT.";

// The pages around the selection pages; they only have to be there.
class database_stand_in final
    : public wizard_page<gui::page_database_and_file, gui::button_back | gui::button_next, 0> {};
class progress_stand_in final : public wizard_page<gui::page_progress, gui::button_back | gui::button_next, 0> {};

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

QStringList items(property_page& page, int list_id)
{
    QStringList texts;
    auto* list = page.controls().item_as<QListWidget>(list_id);
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

void choose(property_page& page, int list_id, const QStringList& names)
{
    auto* list = page.controls().item_as<QListWidget>(list_id);
    list->clearSelection();
    for (int row = 0; row < list->count(); ++row)
        list->item(row)->setSelected(names.contains(list->item(row)->text()));
}

void set_current(property_page& page, int list_id, const QString& name)
{
    auto* list = page.controls().item_as<QListWidget>(list_id);
    list->setCurrentItem(list->findItems(name, Qt::MatchExactly).value(0));
}

// Fills the query dialog, presses OK, and cancels it when it stayed open.
void answer_query(id_dialog& dialog, const std::wstring& name, const std::wstring& query)
{
    dialog.controls().set_text(query_name_edit, name);
    dialog.controls().set_text(query_text_edit, query);
    click_control(dialog, gui::id_ok);
    if (dialog.isVisible())
        click_control(dialog, gui::id_cancel);
}

using query_dialog = set_query_dlg<convertor_front_end, 1019>;

class finish_stand_in final : public wizard_page<gui::page_finish, gui::button_finish, gui::page_hide_header> {};

// The selection pages before a real run into a script.
struct run_under_test {
    run_under_test()
    {
        for (property_page* page : std::initializer_list<property_page*>{&tables, &views, &progress, &finish})
            shell.sheet().add_page(*page);
    }

    wizard_shell shell{L"Velmora 8.3 ", 0, 0, 0};
    bwk_sel_tables_page tables;
    bwk_sel_views_page views;
    progress_page progress;
    finish_stand_in finish;
};

// The shell and its pages; the pages go before the shell that holds them.
struct wizard_under_test {
    wizard_under_test()
    {
        for (property_page* page : std::initializer_list<property_page*>{&database, &tables, &views, &progress})
            shell.sheet().add_page(*page);
    }

    wizard_shell shell{L"Velmora 8.3 ", 0, 0, 0};
    database_stand_in database;
    bwk_sel_tables_page tables;
    bwk_sel_views_page views;
    progress_stand_in progress;
};

}  // namespace

class table_pages_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        server = velmora_test::mariadb_server();
        const std::string db = source_name;
        run_sql({"DROP DATABASE IF EXISTS " + db, "CREATE DATABASE " + db + " CHARACTER SET utf8mb4",
                 "CREATE TABLE " + db + ".customer (id INT PRIMARY KEY, name VARCHAR(20))",
                 "CREATE TABLE " + db + ".purchase (id INT PRIMARY KEY, amount INT)",
                 "CREATE TABLE " + db + ".item (id INT PRIMARY KEY)", "CREATE TABLE " + db + ".stock (id INT)",
                 "CREATE TABLE " + db + ".supplier (id INT)",
                 "CREATE VIEW " + db + ".big_purchase AS SELECT id FROM " + db + ".purchase WHERE amount > 10",
                 "CREATE VIEW " + db + ".all_names AS SELECT name FROM " + db + ".customer",
                 "DROP DATABASE IF EXISTS " + std::string(empty_source_name),
                 "CREATE DATABASE " + std::string(empty_source_name)});
        wizard_shell::set_help_opener([](const QUrl&) { return true; });
    }

    void cleanupTestCase()
    {
        run_sql({std::string("DROP DATABASE IF EXISTS ") + source_name,
                 std::string("DROP DATABASE IF EXISTS ") + empty_source_name});
    }

    void init()
    {
        user.emplace();
        converter.emplace(convertor_form::wizard);
        converter->direct = false;
        // The registry keeps the last test's choice.
        converter->convert_views = false;
        converter->store_mysql_settings(server.host, server.user, server.password, std::to_string(server.port));
        converter->connect_mysql_server();
        converter->set_source_name(wide(source_name));
        w.emplace();
    }

    void cleanup()
    {
        w.reset();
        converter.reset();
        user.reset();
    }

    void tables_page_hands_over_tables_chosen_queries_and_queries_not_chosen()
    {
        converter->selected = {{L"purchase", L""}, {L"best", L"SELECT * FROM purchase"}};
        converter->available_queries = {{L"names", L"SELECT name FROM customer"}, {L"blank", L""}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            QCOMPARE(items(w->tables, 1317), QStringList({"customer", "item", "names", "stock", "supplier"}));
            QCOMPARE(items(w->tables, 1318), QStringList({"best", "purchase"}));
            QVERIFY(w->tables.controls().item(1114)->isVisibleTo(&w->tables));
            QVERIFY(!w->tables.controls().item(1117)->isVisibleTo(&w->tables));
            // A query moved away stays known and comes back with its text.
            choose(w->tables, 1318, {"best"});
            click_control(w->tables, 1111);
            choose(w->tables, 1317, {"names", "customer"});
            click_control(w->tables, 1101);
            choose(w->tables, 1318, {"customer"});
            click_control(w->tables, 1111);
            choose(w->tables, 1317, {"customer"});
            click_control(w->tables, 1101);
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->progress);
        });
        QCOMPARE(converter->table_names, std::vector<std::wstring>({L"customer", L"purchase"}));
        QCOMPARE(converter->selected, udb_name_list({{L"names", L"SELECT name FROM customer"}}));
        QCOMPARE(converter->available_queries, udb_name_list({{L"blank", L""}, {L"best", L"SELECT * FROM purchase"}}));
        QVERIFY(user->boxes.empty());

        // Back on the page, what was handed over is chosen again.
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            QCOMPARE(items(w->tables, 1318), QStringList({"customer", "names", "purchase"}));
            QCOMPARE(items(w->tables, 1317), QStringList({"best", "item", "stock", "supplier"}));
        });
    }

    void a_loaded_query_named_like_a_source_table_is_reported_not_taken_for_it()
    {
        converter->selected = {{L"Customer", L"SELECT name FROM customer"}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            QCOMPARE(items(w->tables, 1318), QStringList());
        });
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QVERIFY2(user->boxes[0].text.find(L"'Customer' has the name of a source table") != std::wstring::npos,
                 qPrintable(QString::fromStdWString(user->boxes[0].text)));
    }

    void next_skips_the_views_page_when_views_are_off_or_absent()
    {
        struct case_row {
            bool convert_views;
            const char* source;
            property_page* expected;
        };
        for (const case_row& row :
             {case_row{false, source_name, &w->progress}, case_row{true, empty_source_name, &w->progress},
              case_row{true, source_name, &w->views}}) {
            converter->convert_views = row.convert_views;
            converter->set_source_name(wide(row.source));
            run_in_sheet(w->shell, [&] {
                QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
                w->shell.sheet().press_next();
                QCOMPARE(w->shell.sheet().current_page(), row.expected);
            });
        }
        // Only the source with tables asked about an empty choice.
        QCOMPARE(user->boxes.size(), std::size_t(2));
    }

    void a_source_that_cannot_be_listed_keeps_the_previous_page()
    {
        converter->set_source_name(L"velmora_wizard_gone");
        run_in_sheet(w->shell, [&] {
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->database);
            QVERIFY(!w->shell.sheet().button(gui::sheet_help)->isEnabled());
        });
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QVERIFY2(user->boxes[0].text.find(L"velmora_wizard_gone") != std::wstring::npos,
                 qPrintable(QString::fromStdWString(user->boxes[0].text)));
    }

    void an_empty_choice_is_asked_about_and_no_stays()
    {
        user->box_answers = {false, true};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->tables);
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->progress);
        });
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].text, std::wstring(L"There are no tables selected. Continue anyway?"));
        QVERIFY(user->boxes[0].yes_no && user->boxes[0].second_default);
        QVERIFY(converter->table_names.empty() && converter->selected.empty());
    }

    void adding_non_adjacent_items_moves_exactly_those_and_highlights_the_next()
    {
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            choose(w->tables, 1317, {"customer", "purchase", "supplier"});
            click_control(w->tables, 1101);
            QCOMPARE(items(w->tables, 1318), QStringList({"customer", "purchase", "supplier"}));
            QCOMPARE(items(w->tables, 1317), QStringList({"item", "stock"}));
            QCOMPARE(w->tables.controls().item_as<QListWidget>(1317)->currentRow(), 1);
            click_control(w->tables, 1102);
            QCOMPARE(items(w->tables, 1317), QStringList());
            QCOMPARE(items(w->tables, 1318).size(), 5);
            click_control(w->tables, 1110);
            QCOMPARE(items(w->tables, 1318), QStringList());
        });
    }

    void views_chosen_before_come_back_in_their_order()
    {
        converter->convert_views = true;
        converter->views = {{L"big_purchase", L""}, {L"all_names", L""}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            click_control(w->tables, 1102);
            w->shell.sheet().press_next();
            QCOMPARE(items(w->views, 1318), QStringList({"big_purchase", "all_names"}));
            w->shell.sheet().press_next();
        });
        QCOMPARE(converter->views.size(), std::size_t(2));
        QCOMPARE(converter->views[0].first, std::wstring(L"big_purchase"));
    }

    // Back keeps what each page chose, and its order, for when it shows again.
    void back_and_next_keep_the_chosen_tables_and_views_in_their_order()
    {
        converter->convert_views = true;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            choose(w->tables, 1317, {"purchase"});
            click_control(w->tables, 1101);
            w->shell.sheet().press_next();
            click_control(w->views, 1102);
            set_current(w->views, 1318, "big_purchase");
            click_control(w->views, 1117);
            QCOMPARE(items(w->views, 1318), QStringList({"big_purchase", "all_names"}));
            w->shell.sheet().press_back();
            QCOMPARE(w->shell.sheet().current_page(), &w->tables);
            QCOMPARE(items(w->tables, 1318), QStringList({"purchase"}));
            w->shell.sheet().press_back();
            QCOMPARE(w->shell.sheet().current_page(), &w->database);
            w->shell.sheet().press_next();
            QCOMPARE(items(w->tables, 1318), QStringList({"purchase"}));
            w->shell.sheet().press_next();
            QCOMPARE(items(w->views, 1318), QStringList({"big_purchase", "all_names"}));
        });
        QCOMPARE(converter->table_names, std::vector<std::wstring>({L"purchase"}));
        QVERIFY(user->boxes.empty());
    }

    void views_page_hands_over_the_chosen_views_in_the_chosen_order()
    {
        converter->convert_views = true;
        converter->views = {{L"big_purchase", L"old text"}};
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            click_control(w->tables, 1102);
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->views);
            QVERIFY(w->views.controls().item(1117)->isVisibleTo(&w->views));
            QVERIFY(!w->views.controls().item(1114)->isVisibleTo(&w->views));
            QCOMPARE(items(w->views, 1318), QStringList({"big_purchase"}));
            click_control(w->views, 1102);
            QCOMPARE(items(w->views, 1318), QStringList({"all_names", "big_purchase"}));
            // Up on the first and down on the last change nothing.
            set_current(w->views, 1318, "all_names");
            click_control(w->views, 1117);
            set_current(w->views, 1318, "big_purchase");
            click_control(w->views, 1118);
            QCOMPARE(items(w->views, 1318), QStringList({"all_names", "big_purchase"}));
            click_control(w->views, 1117);
            QCOMPARE(items(w->views, 1318), QStringList({"big_purchase", "all_names"}));
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->progress);
        });
        QCOMPARE(converter->views.size(), std::size_t(2));
        QCOMPARE(converter->views[0].first, std::wstring(L"big_purchase"));
        QCOMPARE(converter->views[1].first, std::wstring(L"all_names"));
        QVERIFY(converter->views[0].second.find(L"amount") != std::wstring::npos);
        // Nothing chosen: no question, no views.
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            w->shell.sheet().press_next();
            click_control(w->views, 1110);
            w->shell.sheet().press_next();
            QCOMPARE(w->shell.sheet().current_page(), &w->progress);
        });
        QVERIFY(converter->views.empty());
        QVERIFY(user->boxes.empty());
    }

    void query_dialog_refuses_a_missing_name_and_a_query_that_is_not_a_select()
    {
        struct case_row {
            std::wstring name;
            std::wstring query;
            // Empty: accepted.
            std::wstring message;
            gui::box_kind kind;
        };
        const std::vector<case_row> rows = {
            {L"", L"SELECT 1", L"Table name is empty!", gui::box_kind::information},
            {L"", L"", L"Table name is empty!", gui::box_kind::information},
            {L"t", L"", L"Query is empty!", gui::box_kind::error},
            {L"t", L"SELE", not_select, gui::box_kind::error},
            {L"t", L"        ", not_select, gui::box_kind::error},
            {L"t", L"WITH x AS (SELECT 1) SELECT * FROM x", not_select, gui::box_kind::error},
            {L"t", L"(SELECT 1)", not_select, gui::box_kind::error},
            {L"t", L"SELECTED", L"", gui::box_kind::error},
            {L"t", L" \r\n\tselect 1", L"", gui::box_kind::error},
        };
        for (const case_row& row : rows) {
            user->boxes.clear();
            dialog_script script([&](id_dialog& dialog) { answer_query(dialog, row.name, row.query); });
            query_dialog dialog(L"old", L"SELECT 2");
            const int result = dialog.run_modal();
            QCOMPARE(result, row.message.empty() ? int(gui::id_ok) : int(gui::id_cancel));
            QCOMPARE(user->boxes.size(), row.message.empty() ? std::size_t(0) : std::size_t(1));
            if (!row.message.empty()) {
                QCOMPARE(user->boxes[0].text, row.message);
                QCOMPARE(user->boxes[0].kind, row.kind);
            }
        }
        // Leading blanks and line ends are not stored.
        dialog_script script([&](id_dialog& dialog) { answer_query(dialog, L"t", L" \r\n\tselect 1"); });
        query_dialog dialog(L"", L"");
        QCOMPARE(dialog.run_modal(), int(gui::id_ok));
        QCOMPARE(dialog.query(), std::wstring(L"select 1"));
        QCOMPARE(script.captions.at(0), QString("Add Query"));
    }

    void test_query_asks_the_source()
    {
        struct case_row {
            std::wstring query;
            std::wstring message;
        };
        const std::wstring long_query = L"SELECT '" + std::wstring(12000, L'x') + L"' AS wide FROM customer";
        const std::vector<case_row> rows = {
            {L"  SELECT id FROM customer", L"The query is correct."},
            {long_query, L"The query is correct."},
            {L"SELECT FROM WHERE", L"You have an error in your query syntax."},
            // The empty box is not refused here: the source judges it.
            {L"", L"You have an error in your query syntax."},
            {L"DELETE FROM customer", not_select},
        };
        for (const case_row& row : rows) {
            user->boxes.clear();
            dialog_script script([&](id_dialog& dialog) {
                dialog.controls().set_text(query_text_edit, row.query);
                click_control(dialog, test_query_button);
                QCOMPARE(dialog.controls().text(query_text_edit), row.query);
                click_control(dialog, gui::id_cancel);
            });
            query_dialog dialog(L"", L"");
            QCOMPARE(dialog.run_modal(), int(gui::id_cancel));
            QCOMPARE(user->boxes.size(), std::size_t(1));
            QVERIFY2(user->boxes[0].text.starts_with(row.message),
                     qPrintable(QString::fromStdWString(user->boxes[0].text)));
        }
    }

    // OK does not take, unchanged, the text Test Query has just found wrong;
    // a corrected text passes.
    void ok_refuses_the_query_the_test_just_refused()
    {
        dialog_script script([&](id_dialog& dialog) {
            dialog.controls().set_text(query_name_edit, L"broken");
            dialog.controls().set_text(query_text_edit, L"SELECT FROM WHERE");
            click_control(dialog, test_query_button);
            click_control(dialog, gui::id_ok);
            QVERIFY(dialog.isVisible());
            dialog.controls().set_text(query_text_edit, L"SELECT id FROM customer");
            click_control(dialog, gui::id_ok);
        });
        query_dialog dialog(L"", L"");
        QCOMPARE(dialog.run_modal(), int(gui::id_ok));
        QCOMPARE(dialog.query(), std::wstring(L"SELECT id FROM customer"));
        QCOMPARE(user->boxes.size(), std::size_t(2));
        for (const gui::box_request& box : user->boxes)
            QVERIFY(box.text.starts_with(L"You have an error in your query syntax."));
    }

    // Each Add Query starts empty, whatever the last one held; F1 opens the
    // dialog's help; Enter on a chosen item opens it as a double click does.
    void add_query_opens_empty_each_time_and_keys_reach_the_dialogs()
    {
        std::vector<std::wstring> opened_with;
        std::vector<int> shown;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            dialog_script script([&](id_dialog& dialog) {
                shown.push_back(dialog.dialog_id());
                if (dialog.dialog_id() == gui::dlg_column_types) {
                    QTest::keyClick(&dialog, Qt::Key_F1);
                    click_control(dialog, gui::id_cancel);
                    return;
                }
                QTest::keyClick(&dialog, Qt::Key_F1);
                opened_with.push_back(dialog.controls().text(query_name_edit) +
                                      dialog.controls().text(query_text_edit));
                answer_query(dialog, L"q" + std::to_wstring(opened_with.size()), L"SELECT 1");
            });
            click_control(w->tables, 1114);
            QCOMPARE(wizard_shell::help_requests().back(), int(gui::help_query));
            click_control(w->tables, 1114);
            choose(w->tables, 1317, {"purchase"});
            click_control(w->tables, 1101);
            auto* chosen = w->tables.controls().item_as<QListWidget>(1318);
            set_current(w->tables, 1318, "purchase");
            QTest::keyClick(chosen, Qt::Key_Return);
            QCOMPARE(wizard_shell::help_requests().back(), int(gui::help_column_types));
        });
        QCOMPARE(opened_with, std::vector<std::wstring>({L"", L""}));
        QCOMPARE(shown, std::vector<int>({gui::dlg_query, gui::dlg_query, gui::dlg_column_types}));
    }

    void a_query_may_not_take_the_name_of_a_table_or_query_on_add_or_edit()
    {
        converter->selected = {{L"purchase", L""}, {L"best", L"SELECT * FROM purchase"}};
        converter->available_queries = {{L"names", L"SELECT name FROM customer"}};
        const std::wstring long_query = L"SELECT '" + std::wstring(12000, L'y') + L"' AS wide";
        // Names of a table, chosen or not, and of a query, chosen or not, are
        // refused whatever their case; the fifth is free.
        const std::vector<std::pair<std::wstring, std::wstring>> answers = {
            {L"CUSTOMER", long_query},
            {L"Purchase", long_query},
            {L"BEST", long_query},
            {L"Names", long_query},
            {L"fresh", long_query},
            // Editing: another query's name is refused; the own name may stay.
            {L"customer", L"SELECT 1"},
            {L"best", L"SELECT 2"}};
        std::size_t shown = 0;
        std::vector<std::wstring> opened_with;
        run_in_sheet(w->shell, [&] {
            QVERIFY(w->shell.sheet().set_current_page_id(gui::page_tables_and_views));
            dialog_script script([&](id_dialog& dialog) {
                if (dialog.dialog_id() == gui::dlg_column_types) {
                    click_control(dialog, gui::id_cancel);
                    return;
                }
                opened_with.push_back(dialog.controls().text(query_name_edit));
                answer_query(dialog, answers.at(shown).first, answers.at(shown).second);
                ++shown;
            });
            click_control(w->tables, 1114);
            QCOMPARE(shown, std::size_t(5));
            set_current(w->tables, 1318, "best");
            w->tables.controls().command(1318, gui::double_clicked);
            QCOMPARE(shown, answers.size());
            // A table is not a query: its column types instead.
            set_current(w->tables, 1318, "purchase");
            w->tables.controls().command(1318, gui::double_clicked);
            QCOMPARE(shown, answers.size());
            QCOMPARE(script.shown.back(), int(gui::dlg_column_types));
            w->shell.sheet().press_next();
        });
        // A refused name reopens the dialog with what was typed.
        QCOMPARE(opened_with,
                 std::vector<std::wstring>({L"", L"CUSTOMER", L"Purchase", L"BEST", L"Names", L"best", L"customer"}));
        QCOMPARE(user->boxes.size(), std::size_t(5));
        for (const auto& box : user->boxes)
            QCOMPARE(box.text, duplicate_name);
        QCOMPARE(converter->selected, udb_name_list({{L"best", L"SELECT 2"}, {L"fresh", long_query}}));
        QCOMPARE(converter->table_names, std::vector<std::wstring>({L"purchase"}));
        QCOMPARE(converter->available_queries, udb_name_list({{L"names", L"SELECT name FROM customer"}}));
    }

    void the_run_converts_what_the_pages_chose()
    {
        w.reset();
        test_error_handler errors;
        const std::filesystem::path script =
            std::filesystem::temp_directory_path() / ("velmora-tables-" + std::to_string(::getpid()) + ".sql");
        converter->set_destination_name(script.wstring());
        converter->convert_views = true;
        converter->views = {};
        std::optional<run_under_test> run(std::in_place);
        run_in_sheet(run->shell, [&] {
            dialog_script answer(
                [](id_dialog& dialog) { answer_query(dialog, L"big", L"SELECT id FROM purchase WHERE amount > 10"); });
            choose(run->tables, 1317, {"customer"});
            click_control(run->tables, 1101);
            click_control(run->tables, 1114);
            run->shell.sheet().press_next();
            click_control(run->views, 1102);
            set_current(run->views, 1318, "big_purchase");
            click_control(run->views, 1117);
            run->shell.sheet().press_next();
            QTRY_VERIFY_WITH_TIMEOUT(run->shell.sheet().current_page() == &run->finish, 30000);
        });
        run.reset();
        std::ifstream file(script, std::ios::binary);
        const std::string sql((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::filesystem::remove(script);
        QVERIFY2(sql.find("CREATE TABLE [dbo].[customer]") != std::string::npos, sql.c_str());
        QVERIFY(sql.find("CREATE TABLE [dbo].[big]") != std::string::npos);
        QVERIFY(sql.find("CREATE TABLE [dbo].[purchase]") == std::string::npos);
        const std::size_t big_purchase = sql.find("CREATE VIEW [dbo].[big_purchase]");
        const std::size_t all_names = sql.find("CREATE VIEW [dbo].[all_names]");
        QVERIFY(big_purchase != std::string::npos && all_names != std::string::npos);
        QVERIFY(big_purchase < all_names);
    }

private:
    void run_sql(const std::vector<std::string>& statements)
    {
        const std::string failure = velmora_test::run_statements(server, statements);
        QVERIFY2(failure.empty(), failure.c_str());
    }

    velmora_test::mariadb_endpoint server;
    std::optional<scripted_user> user;
    std::optional<brantwick_convertor> converter;
    std::optional<wizard_under_test> w;
};

QTEST_MAIN(table_pages_test)
#include "table_pages_test.moc"
