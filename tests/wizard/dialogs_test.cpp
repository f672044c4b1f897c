// The error handler's wizard form and its dialogs, the waiting dialog and the
// file dialogs, answered in the user's place.
#include "converter/brantwick_convertor.h"
#include "converter/error_messages.h"
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "wizard/connection_animation.h"
#include "wizard/dlg_animation.h"
#include "wizard/error_dialogs.h"
#include "wizard/error_table_text.h"
#include "wizard/file_dialogs.h"
#include "wizard/finish_text.h"
#include "wizard/gui_test_support.h"
#include "wizard/id_dialog.h"
#include "wizard/mssql_settings_page.h"
#include "wizard/welcome_page.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// A piece of work the test controls: it waits for a go before it ends.
class test_animation final : public dlg_animation<101, 1301, 502, 8> {
public:
    test_animation() : dlg_animation(std::wstring(), 0, 10) {}

    void operator()() override
    {
        go.get_future().wait();
        end_animation();
    }

    std::promise<void> go;
};

struct coded_failure : tk_exception {
    coded_failure(const char* text, std::uint32_t code, int level) : tk_exception(text, level)
    {
        set_error_number(code);
    }
};

tk_exception access_denied_at_level_1()
{
    return coded_failure("Access denied for user", 0x400415, 1);
}

}  // namespace

class dialogs_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gui_initialize(); }
    void init() { user.emplace(); }
    void cleanup()
    {
        user.reset();
        errors.quiet = false;
        errors.set_context(std::wstring());
    }

    void continue_or_abort_dialog_checks_its_box_itself_and_esc_continues()
    {
        dialog_script script([](id_dialog& dialog) {
            auto* box = dialog.findChild<QCheckBox*>("control_1222");
            click_control(dialog, 1222);
            click_control(dialog, 1222);
            QVERIFY(!box->isChecked());
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        dlg_error_continue<115> dialog(L"Table 'a': failed");
        QCOMPARE(dialog.run_modal(), 2);
        QVERIFY(!dialog.do_not_show_again());
        QCOMPARE(script.captions.at(0), QString("Error"));
        QCOMPARE(script.texts.at(0), QString("Table 'a': failed"));
    }

    void internal_error_dialog_stays_on_esc_and_copies_its_text()
    {
        dialog_script script([](id_dialog& dialog) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(dialog.isVisible());
            click_control(dialog, 1108);
        });
        dlg_error_ex<114> dialog(L"Internal error: \ncode=41");
        QCOMPARE(dialog.run_modal(), 1108);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("Internal error: \ncode=41"));
        dlg_error_ex<114> mailed(L"x");
        dialog_script send([](id_dialog& shown) { click_control(shown, 1112); });
        QCOMPARE(mailed.run_modal(), 1112);
    }

    void level_1_shows_the_mapped_text_with_its_context_and_goes_on()
    {
        errors.set_context(L"customer");
        errors.handle(access_denied_at_level_1(), false);
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].kind, gui::box_kind::error);
        QVERIFY(user->boxes[0].text.find(L"customer: Access denied. Verify the user name and password are correct, "
                                         L"and you have the necessary privileges") == 0);
        errors.handle(tk_exception("Invalid port number", 1), true);
        QCOMPARE(user->boxes[1].text, std::wstring(L"customer: Invalid port number"));
    }

    // What the pages show of the error tables: each text as one paragraph, and
    // an exception's own text where the tables hold nothing for its code.
    void every_error_table_text_reaches_a_box_as_one_paragraph()
    {
        using table = std::pair<const tk_error_map_row*, std::uint32_t>;
        for (const auto& [rows, count] : {table{oledb_error_messages, oledb_error_message_count},
                                          table{mysql_error_messages, mysql_error_message_count}}) {
            const tk_error_converter messages(count, rows);
            for (std::uint32_t i = 0; i < count; ++i) {
                const coded_failure failure("own text", rows[i].code, 0);
                std::string expected = rows[i].text;
                std::replace(expected.begin(), expected.end(), '\n', ' ');
                QCOMPARE(error_table_text(failure, messages), expected);
            }
        }
        const tk_exception unmapped("one\ntwo", 0);
        QCOMPARE(error_table_text(unmapped, tk_error_converter(mysql_error_message_count, mysql_error_messages)),
                 std::string("one two"));
    }

    void level_0_abort_ends_the_run_and_continue_with_the_box_silences()
    {
        std::vector<int> answers = {gui::id_ok, gui::id_cancel};
        std::size_t next = 0;
        dialog_script script([&](id_dialog& dialog) {
            if (answers[next] == gui::id_cancel)
                click_control(dialog, 1222);
            click_control(dialog, answers[next++]);
        });
        const tk_exception error("Row failed", 0);
        QVERIFY_THROWS_EXCEPTION(tk_final_exception, errors.handle(error, false));
        QVERIFY(!errors.quiet);
        errors.handle(error, false);
        QVERIFY(errors.quiet);
        errors.handle(error, false);
        errors.handle(tk_exception("Fatal", 1), false);
        QCOMPARE(script.shown.size(), std::size_t(2));
        QVERIFY(user->boxes.empty());
    }

    void an_outer_abort_only_reports()
    {
        dialog_script script([](id_dialog& dialog) { click_control(dialog, gui::id_ok); });
        errors.handle(tk_exception("Row failed", 0), true);
        QCOMPARE(script.shown.size(), std::size_t(1));
        QVERIFY(!errors.quiet);
    }

    void internal_error_shows_dialog_114_and_ends_the_process()
    {
        dialog_script script([](id_dialog& dialog) { click_control(dialog, gui::id_ok); });
        QVERIFY_THROWS_EXCEPTION(process_ended, errors.handle(tk_mail_assertion("bwk_shel", 754), false));
        QCOMPARE(script.shown, std::vector<int>{114});
        QVERIFY(script.texts[0].startsWith("Internal error: \ncode="));
    }

    void reports_of_a_worker_show_on_the_window_thread_and_are_listed()
    {
        wizard_shell shell(L"Velmora 8.3 ", 0, 0, 0);
        shell.initialize_if();
        dialog_script script([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
        event_latch done;
        bool aborted = false;
        std::thread worker([&] {
            try {
                errors.handle(tk_exception("Row\nfailed", 0), false);
            } catch (const tk_final_exception&) {
                aborted = true;
            }
            errors.handle(tk_exception("Table failed", 1), false);
            done.reach_from_any_thread();
        });
        QVERIFY(done.wait());
        worker.join();
        QVERIFY(!aborted);
        QCOMPARE(script.on_gui_thread, std::vector<bool>{true});
        QCOMPARE(script.captions[0], QString("Velmora 8.3  Error"));
        QCOMPARE(shell.get_errors(), (std::vector<std::string>{"Row failed", "Table failed"}));
        for (int i = 0; i < 30; ++i)
            errors.handle(tk_exception("more", 1), false);
        QCOMPARE(shell.get_errors().size(), std::size_t(20));
        // The finish page says how many the list could not hold.
        QCOMPARE(shell.error_count(), std::size_t(32));
    }

    // A box a worker asks for waits until the box the user has before him
    // is answered: one modal box at a time.
    void a_workers_box_waits_until_the_open_question_is_answered()
    {
        wizard_shell shell(L"Velmora 8.3", 0, 0, 0);
        shell.initialize_if();
        std::vector<std::wstring> shown;
        bool question_open = false;
        bool error_over_question = false;
        std::thread worker;
        gui::set_box_answerer([&](const gui::box_request& request) {
            shown.push_back(request.text);
            if (request.kind != gui::box_kind::question) {
                error_over_question = question_open;
                return true;
            }
            question_open = true;
            worker = std::thread([] { wizard_shell::error(std::wstring(L"Row failed")); });
            // The user reads the question for a while; events go on.
            QTest::qWait(300);
            question_open = false;
            return false;
        });
        QVERIFY(!wizard_shell::question(L"Are you sure you want to exit the wizard?", gui::default_second_button));
        // The worker's box comes now, from the window thread's events.
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), std::size_t(2), 5000);
        worker.join();
        QVERIFY(!error_over_question);
        QCOMPARE(shown, (std::vector<std::wstring>{L"Are you sure you want to exit the wizard?", L"Row failed"}));
    }

    void a_worker_waiting_for_an_answer_is_released_when_the_wizard_closes()
    {
        std::optional<wizard_shell> shell(std::in_place, L"Velmora 8.3 ", 0, 0, 0);
        dialog_script script([](id_dialog& dialog) { click_control(dialog, gui::id_cancel); });
        std::promise<bool> aborted;
        std::thread worker([&] {
            try {
                errors.handle(tk_exception("Row failed", 0), false);
                aborted.set_value(false);
            } catch (const tk_final_exception&) {
                aborted.set_value(true);
            }
        });
        // The wizard closes before this thread has shown the dialog: the
        // worker is not left waiting and takes it as Abort.
        shell.reset();
        QVERIFY(aborted.get_future().get());
        worker.join();
        QCoreApplication::processEvents();
        QVERIFY(script.shown.empty());
    }

    void waiting_dialog_closes_when_the_work_ends_after_it_appears()
    {
        test_animation dialog;
        animation_thread thread(dialog);
        std::vector<int> frames;
        dialog_script script([&](id_dialog&) {
            frames.push_back(dialog.frame());
            dialog.go.set_value();
        });
        QCOMPARE(dialog.frame(), -1);
        QCOMPARE(dialog.run_while(thread), 0);
        QCOMPARE(frames, std::vector<int>{0});
        QCOMPARE(dialog.frame(), -1);
    }

    void waiting_dialog_does_not_wait_for_work_that_ended_before_it_appears()
    {
        test_animation dialog;
        animation_thread thread(dialog);
        dialog.go.set_value();
        QCOMPARE(dialog.run_while(thread), 0);
        QVERIFY(!dialog.isVisible());
    }

    void waiting_dialog_frames_run_round()
    {
        test_animation dialog;
        animation_thread thread(dialog);
        std::vector<int> seen;
        dialog_script script([&](id_dialog& shown) {
            auto* timer = shown.findChild<QTimer*>();
            QVERIFY(timer == nullptr || timer->interval() == 10);
        });
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (seen.empty() || seen.back() != dialog.frame())
                seen.push_back(dialog.frame());
            if (seen.size() >= 10) {
                watch.stop();
                dialog.go.set_value();
            }
        });
        watch.start(1);
        dialog.run_while(thread);
        QVERIFY(seen.size() >= 10);
        for (std::size_t i = 1; i < seen.size(); ++i)
            QCOMPARE(seen[i], (seen[i - 1] + 1) % 8);
    }

    void connection_with_a_named_database_and_windows_authentication_sends_no_login()
    {
        auto server = std::make_shared<fake::provider>();
        server->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)},
                                             {{oledb::db_value(std::wstring(L"Microsoft SQL Server 2019 - 15.0"))}}});
        oledb::install_providers({server, nullptr, nullptr});
        wizard_shell shell(L"Velmora 8.3 ", 0, 0, 0);
        brantwick_convertor converter(convertor_form::console);
        converter.mssql_host = L"srv";
        converter.mssql_user = L"sa";
        converter.mssql_pass = L"secret";
        converter.set_destination_name(L"shop");
        struct case_row {
            bool secure_login;
            std::wstring user;
            std::wstring password;
        };
        for (const case_row& row : {case_row{true, L"", L""}, case_row{false, L"sa", L"secret"}}) {
            converter.secure_login = row.secure_login;
            connection_animation dialog(std::wstring(), mssql_connection_holder::connect_destination);
            animation_thread thread(dialog);
            QVERIFY(dialog.run(thread));
            const oledb::db_login login = server->logins().back();
            QCOMPARE(login.user, row.user);
            QCOMPARE(login.password, row.password);
            QCOMPARE(login.database, std::wstring(L"shop"));
        }
        server->refuse_login(fake::sql_error(18456, L"Login failed for user 'sa'.", L"28000"));
        // The failure comes once the waiting dialog has gone: no box stands over it.
        connection_animation refused(std::wstring(), mssql_connection_holder::connect_destination);
        animation_thread thread(refused);
        const std::size_t boxes_before = user->boxes.size();
        bool raised = false;
        try {
            refused.run(thread);
        } catch (const tk_exception& exception) {
            raised = exception.get_error_number() == 0x80E4D;
        }
        QVERIFY(raised);
        QVERIFY(!refused.succeeded());
        QCOMPARE(user->boxes.size(), boxes_before);
        oledb::install_providers({});
    }

    void welcome_page_loads_a_profile_and_stores_the_scenario()
    {
        const std::filesystem::path profile =
            std::filesystem::temp_directory_path() / ("velmora-welcome-" + std::to_string(getpid()) + ".bwk");
        std::ofstream(profile) << "[MS SQL Server settings]\ndirect mode=0\n";
        wizard_shell shell(L"Velmora 8.3 ", 0, 0, 0);
        brantwick_convertor converter(convertor_form::wizard);
        converter.direct = true;
        welcome_page page(L"bwk");
        shell.sheet().add_page(page);
        user->file_answers = {std::nullopt, profile.wstring(), L"/nonexistent/x.bwk"};
        run_in_sheet(shell, [&] {
            QVERIFY(page.controls().is_checked(1329));
            click_control(page, 1115);
            QVERIFY(converter.direct);
            click_control(page, 1115);
            QVERIFY(!converter.direct);
            click_control(page, 1115);
            QVERIFY(shell.sheet().set_current_page_id(gui::page_welcome));
            QVERIFY(page.controls().is_checked(1330));
            page.controls().set_checked(1329, true);
            shell.sheet().press_next();
            QVERIFY(converter.direct);
        });
        std::filesystem::remove(profile);
        QCOMPARE(user->file_dialogs.size(), std::size_t(3));
        QCOMPARE(user->file_dialogs[0].filter, std::wstring(L"Profile Files (.bwk)|*.bwk|All Files (*.*)|*.*|"));
        QCOMPARE(user->file_dialogs[0].title, std::wstring(L"Select Profile"));
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].text,
                 std::wstring(L"Profile does not exist. Please verify the correct path/name was given."));
        QVERIFY_THROWS_EXCEPTION(tk_mail_assertion, profile_filter(L"bk", 266));
        QVERIFY_THROWS_EXCEPTION(tk_mail_assertion, profile_filter(L"bwkxx", 266));
    }

    // The dialog asked about the name as typed; the file written is the one
    // with the extension, so that is the one asked about.
    void save_dialog_asks_before_the_name_with_its_extension_replaces_a_file()
    {
        const std::filesystem::path stem =
            std::filesystem::temp_directory_path() / ("velmora-save-" + std::to_string(getpid()));
        std::ofstream(stem.string() + ".bwk") << "[Generic settings]\n";
        struct case_row {
            bool answer;
            bool chosen;
        };
        for (const case_row& row : {case_row{false, false}, case_row{true, true}}) {
            user.emplace();
            user->file_answers = {stem.wstring()};
            user->box_answers = {row.answer};
            save_file_dialog dialog(nullptr, L"Profile Files (.bwk)|*.bwk|", L"Select Profile", L"", L"bwk");
            QCOMPARE(dialog.show(), row.chosen);
            QCOMPARE(user->boxes.size(), std::size_t(1));
            QCOMPARE(user->boxes[0].text, L"'" + stem.wstring() + L".bwk' already exists.\nDo you want to replace it?");
            QVERIFY(user->boxes[0].yes_no && user->boxes[0].second_default);
        }
        std::filesystem::remove(stem.string() + ".bwk");
        user.emplace();
        user->file_answers = {stem.wstring()};
        save_file_dialog fresh(nullptr, L"Profile Files (.bwk)|*.bwk|", L"Select Profile", L"", L"bwk");
        QVERIFY(fresh.show());
        QVERIFY(user->boxes.empty());
    }

    // Each scenario keeps its own destination: a database name never shows
    // as a script path, nor the reverse, also across a loaded profile. A
    // loaded profile names a log file, which stays untouched until a run.
    void each_scenario_keeps_its_destination_and_loading_leaves_the_log_alone()
    {
        const std::filesystem::path folder = std::filesystem::temp_directory_path();
        const std::filesystem::path log = folder / ("velmora-welcome-" + std::to_string(getpid()) + ".log");
        const std::filesystem::path profile = folder / ("velmora-scenario-" + std::to_string(getpid()) + ".bwk");
        std::ofstream(log) << "the last run's log\n";
        std::ofstream(profile) << "[Generic settings]\ndest=/srv/loaded.sql\nlogfile=" << log.string()
                               << "\n\n[MS SQL Server settings]\ndirect mode=0\n";
        tk_logger logger(nullptr, false, 1, false);
        wizard_shell shell(L"Velmora 8.3", 0, 0, 0);
        brantwick_convertor converter(convertor_form::wizard);
        converter.direct = true;
        converter.set_destination_name(L"shop_db");
        welcome_page page(L"bwk");
        shell.sheet().add_page(page);
        const auto choose = [&](bool direct) {
            QVERIFY(shell.sheet().set_current_page_id(gui::page_welcome));
            page.controls().set_checked(direct ? 1329 : 1330, true);
            shell.sheet().press_next();
        };
        user->file_answers = {profile.wstring()};
        run_in_sheet(shell, [&] {
            choose(false);
            QCOMPARE(converter.get_destination_name(), std::wstring());
            converter.set_destination_name(L"/srv/dump.sql");
            choose(true);
            QCOMPARE(converter.get_destination_name(), std::wstring(L"shop_db"));
            choose(false);
            QCOMPARE(converter.get_destination_name(), std::wstring(L"/srv/dump.sql"));
            choose(true);
            QVERIFY(shell.sheet().set_current_page_id(gui::page_welcome));
            click_control(page, 1115);
            QVERIFY(!converter.direct);
            // The loaded scenario shows at once: Next keeps it.
            QVERIFY(page.controls().is_checked(1330));
            shell.sheet().press_next();
            QVERIFY(!converter.direct);
            QCOMPARE(converter.get_destination_name(), std::wstring(L"/srv/loaded.sql"));
            choose(true);
            QCOMPARE(converter.get_destination_name(), std::wstring(L"shop_db"));
        });
        QVERIFY(user->boxes.empty());
        std::ifstream kept(log);
        const std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
        QCOMPARE(text, std::string("the last run's log\n"));
        std::filesystem::remove(log);
        std::filesystem::remove(profile);
    }

    // What the finish page says of each way a run can end, in both modes.
    void the_finish_page_says_what_the_run_did()
    {
        const std::wstring success = L"Wizard has migrated your MySQL database to\nMS SQL server successfully.\n\n"
                                     L"Click 'Finish' to exit the wizard.";
        const std::wstring errors =
            L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";
        const std::wstring summary = L"Summary: 2 tables converted, 0 failed; 9 rows written, 0 skipped; 0 other "
                                     L"objects failed";
        struct case_row {
            const char* name;
            run_outcome outcome;
            const wchar_t* title;
            std::wstring text;
        };
        auto outcome = [&](bool direct, bool complete, bool stopped, bool aborted, std::uint32_t skipped) {
            run_outcome made;
            made.direct = direct;
            made.destination = direct ? L"shop" : L"/srv/shop.sql";
            made.complete = complete;
            made.stopped = stopped;
            made.aborted = aborted;
            made.tables_skipped = skipped;
            made.summary = summary;
            return made;
        };
        run_outcome partial = outcome(true, false, true, true, 0);
        partial.unfinished_table = L"[dbo].[big]";
        run_outcome written = outcome(false, false, false, false, 0);
        written.script_written = true;
        const case_row rows[] = {
            {"direct success", outcome(true, true, false, false, 0), L"Conversion is Completed", success},
            {"direct skipped", outcome(true, true, false, false, 3), L"Conversion is Completed",
             L"Wizard has migrated your MySQL database to\nMS SQL server.\n3 existing tables were skipped and left "
             L"as they stood.\n\nClick 'Finish' to exit the wizard."},
            {"script success", outcome(false, true, false, false, 0), L"Conversion is Completed",
             L"Wizard has exported your MySQL database to the T-SQL\nscript file '/srv/shop.sql' successfully.\n\n"
             L"Click 'Finish' to exit the wizard."},
            {"direct stopped", partial, L"Conversion is Stopped",
             L"The conversion was stopped by the user.\n" + summary +
                 L".\nTable [dbo].[big] was left in database 'shop' with part of its rows.\nClick 'Finish' to exit "
                 L"the wizard."},
            {"script errors", written, L"Conversion is Completed with Errors",
             L"There were some errors while converting the database.\n" + summary +
                 L".\nThe script file '/srv/shop.sql' was written; it holds what went across.\nClick 'Finish' to "
                 L"exit the wizard."},
            {"script failed", outcome(false, false, false, true, 1), L"Conversion is not Completed",
             L"There were some errors while converting the database.\n" + summary +
                 L".\n1 existing tables were skipped and left as they stood.\nThe script file '/srv/shop.sql' was "
                 L"not written.\nClick 'Finish' to exit the wizard."},
        };
        for (const case_row& row : rows) {
            QCOMPARE(finish_heading(row.outcome), std::wstring(row.title));
            QVERIFY2(finish_message(row.outcome, success, errors) == row.text,
                     qPrintable(QString(row.name) + ": " +
                                QString::fromStdWString(finish_message(row.outcome, success, errors))));
        }
        QCOMPARE(more_errors_line(20, 20), std::wstring());
        QCOMPARE(more_errors_line(20, 32), std::wstring(L"... and 12 more errors not listed here."));
    }

    void save_dialog_adds_its_extension_unless_the_name_holds_it_anywhere()
    {
        struct case_row {
            std::wstring chosen;
            std::wstring extension;
            std::wstring result;
        };
        const case_row rows[] = {
            {L"/tmp/run", L"bwk", L"/tmp/run.bwk"},       {L"/tmp/run", L".bwk", L"/tmp/run.bwk"},
            {L"/tmp/run.bwk", L"bwk", L"/tmp/run.bwk"},   {L"/tmp/run.bwk.old", L"bwk", L"/tmp/run.bwk.old"},
            {L"/tmp/runbwk", L"bwk", L"/tmp/runbwk.bwk"},
        };
        for (const case_row& row : rows) {
            user->file_answers = {row.chosen};
            save_file_dialog dialog(nullptr, L"Profile Files (.bwk)|*.bwk|", L"Select Profile", L"", row.extension);
            QVERIFY(dialog.show());
            QCOMPARE(dialog.path(), row.result);
        }
        QVERIFY_THROWS_EXCEPTION(tk_mail_assertion, save_file_dialog(nullptr, L"", L"", L"", L""));
        user->file_answers = {std::nullopt};
        save_file_dialog cancelled(nullptr, L"", L"Select File", L"", L"sql");
        QVERIFY(!cancelled.show());
    }

    void open_dialog_starts_in_the_folder_of_the_proposed_file()
    {
        const std::filesystem::path folder = std::filesystem::temp_directory_path();
        const std::filesystem::path before = std::filesystem::current_path();
        user->file_answers = {L"/x/chosen.bwk"};
        open_file_dialog dialog(nullptr, L"Profile Files (.bwk)|*.bwk|", L"Select Profile",
                                (folder / "old.bwk").wstring());
        QVERIFY(dialog.show());
        QCOMPARE(dialog.path(), std::wstring(L"/x/chosen.bwk"));
        QCOMPARE(user->file_dialogs.back().file_name, std::wstring(L"old.bwk"));
        QCOMPARE(std::filesystem::path(user->folder_during_dialog), std::filesystem::canonical(folder));
        QCOMPARE(std::filesystem::current_path(), before);
    }

private:
    std::optional<scripted_user> user;
    test_error_handler errors;
};

QTEST_MAIN(dialogs_test)
#include "dialogs_test.moc"
