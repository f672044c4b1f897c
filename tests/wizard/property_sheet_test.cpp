// The sheet and its shell: pages in order, buttons by mask, moves by the
// pages' results, help by context id, the boxes, the log box, the progress
// timer and the error list, with scripted answers in the user's place.
#include "toolkit/tk_exception.h"
#include "wizard/gui_test_support.h"
#include "wizard/progress_page.h"
#include "wizard/property_page.h"
#include "wizard/wizard_shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

class test_page final : public property_page {
public:
    test_page(int id, unsigned buttons, unsigned flags, std::wstring title = {}, std::wstring subtitle = {})
        : property_page(id, buttons, flags, std::move(title), std::move(subtitle))
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_controls.multiline_edit(1016));
        layout->addWidget(m_controls.plain_check_box(1204, "&Check"));
    }

    int page_init() override
    {
        ++activations;
        return init_result;
    }
    bool on_kill_active() override { return may_leave; }
    int on_next() override { return next_result; }
    int on_back() override { return back_result; }
    void on_help() override { wizard_shell::display_help(dialog_id() + 1000); }
    void on_command(int id, int notification) override { commands.emplace_back(id, notification); }
    void on_timer() override
    {
        ++ticks;
        if (tick_latch != nullptr)
            tick_latch->reach();
    }

    int init_result = 1;
    int next_result = gui::neighbour_page;
    int back_result = gui::neighbour_page;
    bool may_leave = true;
    int activations = 0;
    int ticks = 0;
    event_latch* tick_latch = nullptr;
    std::vector<std::pair<int, int>> commands;
};

constexpr unsigned no_header = gui::page_hide_header | gui::page_has_help;

bool shown(const property_sheet& sheet, int id)
{
    return sheet.button(id)->isVisibleTo(const_cast<property_sheet*>(&sheet));
}

}  // namespace

class property_sheet_test : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        user.emplace();
        shell.emplace(L"Velmora 8.3 ", gui::image_program_icon, gui::image_watermark, gui::image_header);
        first.emplace(201, gui::button_next, no_header);
        second.emplace(202, gui::button_back | gui::button_next, gui::page_has_help, L"Step 1 of 3", L"Second");
        third.emplace(203, gui::button_back | gui::button_next, 0, L"Step 2 of 3", L"Third");
        last.emplace(204, gui::button_finish, gui::page_hide_header);
        for (test_page* page : {&*first, &*second, &*third, &*last})
            shell->sheet().add_page(*page);
    }

    void cleanup()
    {
        first.reset();
        second.reset();
        third.reset();
        last.reset();
        shell.reset();
        user.reset();
    }

    void pages_follow_the_sheet_order_and_the_results_of_next_and_back()
    {
        property_sheet& sheet = shell->sheet();
        const int result = run_in_sheet(*shell, [&] {
            QCOMPARE(sheet.current_page(), &*first);
            sheet.press_next();
            QCOMPARE(sheet.current_page(), &*second);
            second->next_result = gui::stay_on_page;
            sheet.press_next();
            QCOMPARE(sheet.current_page(), &*second);
            second->next_result = 204;
            sheet.press_next();
            QCOMPARE(sheet.current_page(), &*last);
            QVERIFY(sheet.set_current_page_id(203));
            third->back_result = 201;
            sheet.press_back();
            QCOMPARE(sheet.current_page(), &*first);
            sheet.press_next();
            second->next_result = gui::neighbour_page;
            third->may_leave = false;
            sheet.press_next();
            sheet.press_next();
            QCOMPARE(sheet.current_page(), &*third);
            third->may_leave = true;
            third->back_result = gui::neighbour_page;
            sheet.press_back();
            QCOMPARE(sheet.current_page(), &*second);
            sheet.press_back();
            QCOMPARE(sheet.current_page(), &*first);
            // Back is not offered on the first page.
            sheet.press_back();
            QCOMPARE(sheet.current_page(), &*first);
        });
        QCOMPARE(result, 99);
        QCOMPARE(first->activations, 3);
    }

    void a_page_that_refuses_activation_is_passed_over()
    {
        property_sheet& sheet = shell->sheet();
        run_in_sheet(*shell, [&] {
            sheet.press_next();
            third->init_result = 0;
            sheet.press_next();
            QCOMPARE(sheet.current_page(), &*last);
            QCOMPARE(third->activations, 1);
            QCOMPARE(shell->get_current_page(), &*last);
            // Any non-zero result accepts, negative ones too.
            third->init_result = -5;
            QVERIFY(sheet.set_current_page_id(203));
            QCOMPARE(sheet.current_page(), &*third);
        });
    }

    void buttons_follow_the_page_masks_and_the_header_its_flags()
    {
        property_sheet& sheet = shell->sheet();
        run_in_sheet(*shell, [&] {
            QVERIFY(!sheet.button(gui::sheet_back)->isEnabled());
            QVERIFY(sheet.button(gui::sheet_next)->isEnabled());
            QVERIFY(!shown(sheet, gui::sheet_finish));
            QVERIFY(!sheet.findChild<QWidget*>("sheet_header")->isVisibleTo(&sheet));
            QVERIFY(sheet.button(gui::sheet_help)->isEnabled());
            sheet.press_next();
            QVERIFY(sheet.button(gui::sheet_back)->isEnabled());
            QVERIFY(sheet.findChild<QWidget*>("sheet_header")->isVisibleTo(&sheet));
            QCOMPARE(sheet.findChild<QLabel*>("header_title")->text(), QString("Step 1 of 3"));
            QCOMPARE(sheet.findChild<QLabel*>("header_subtitle")->text(), QString("Second"));
            sheet.press_next();
            QVERIFY(!sheet.button(gui::sheet_help)->isEnabled());
            sheet.press_next();
            QVERIFY(shown(sheet, gui::sheet_finish));
            QVERIFY(!shown(sheet, gui::sheet_next));
            QVERIFY(!sheet.button(gui::sheet_back)->isEnabled());
            sheet.set_wizard_buttons(0);
            QVERIFY(!sheet.button(gui::sheet_back)->isEnabled());
            QVERIFY(!sheet.button(gui::sheet_next)->isEnabled());
            QVERIFY(!shown(sheet, gui::sheet_finish));
        });
        QCOMPARE(shell->sheet().windowTitle(), QString("Velmora 8.3 "));
        QVERIFY(!shell->sheet().windowIcon().isNull());
    }

    void finish_ends_with_1_and_cancel_asks_first()
    {
        property_sheet& sheet = shell->sheet();
        user->box_answers = {false, true};
        const int cancelled = run_in_sheet(*shell, [&] {
            sheet.press_cancel();
            QVERIFY(sheet.isVisible());
            sheet.press_cancel();
        });
        QCOMPARE(cancelled, 0);
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].text, std::wstring(L"Are you sure you want to exit the wizard?"));
        QCOMPARE(user->boxes[0].title, std::wstring(L"Velmora 8.3  Question"));
        QVERIFY(user->boxes[0].yes_no && user->boxes[0].second_default && user->boxes[0].has_owner);
        const int finished = run_in_sheet(*shell, [&] {
            QVERIFY(sheet.set_current_page_id(204));
            sheet.press_finish();
        });
        QCOMPARE(finished, 1);
    }

    void help_opens_the_file_beside_the_program_at_the_page_context()
    {
        std::vector<QUrl> opened;
        wizard_shell::set_help_opener([&](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        const std::filesystem::path help_file(wizard_shell::help_file_path());
        std::filesystem::remove(help_file);
        const std::size_t asked = wizard_shell::help_requests().size();
        property_sheet& sheet = shell->sheet();
        run_in_sheet(*shell, [&] {
            sheet.press_help();
            std::ofstream(help_file) << "<html></html>";
            sheet.press_next();
            QTest::keyClick(&sheet, Qt::Key_F1);
            sheet.press_help();
            wizard_shell::display_help();
        });
        std::filesystem::remove(help_file);
        wizard_shell::set_help_opener(nullptr);
        const std::vector<int> requests = wizard_shell::help_requests();
        QVERIFY(requests.size() >= asked + 3);
        QCOMPARE(requests[asked], 1201);
        QCOMPARE(requests.back(), 0);
        QCOMPARE(user->boxes.at(0).text, std::wstring(L"Help file does not exist. Reinstall the program."));
        QCOMPARE(user->boxes.at(0).title, std::wstring(L"Velmora 8.3  Error"));
        QVERIFY(opened.size() >= 2);
        QCOMPARE(opened.front().fragment(), QString("context-1202"));
        QVERIFY(opened.back().fragment().isEmpty());
        QCOMPARE(opened.back().toLocalFile().toStdWString(), help_file.wstring());
    }

    // No browser to open the help file with: the user is told, not left
    // waiting for a page that never comes.
    void help_without_a_browser_says_so()
    {
        wizard_shell::set_help_opener([](const QUrl&) { return false; });
        const std::filesystem::path help_file(wizard_shell::help_file_path());
        std::ofstream(help_file) << "<html></html>";
        wizard_shell::display_help(1014);
        std::filesystem::remove(help_file);
        wizard_shell::set_help_opener(nullptr);
        QCOMPARE(user->boxes.size(), std::size_t(1));
        QCOMPARE(user->boxes[0].kind, gui::box_kind::error);
        QCOMPARE(user->boxes[0].text,
                 L"No web browser could be opened to show the help file '" + help_file.wstring() + L"'.");
    }

    void boxes_before_the_sheet_have_plain_titles_and_no_owner()
    {
        wizard_shell::error(L"first");
        wizard_shell::message(L"second");
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].title, std::wstring(L"Error"));
        QCOMPARE(user->boxes[0].kind, gui::box_kind::error);
        QVERIFY(!user->boxes[0].has_owner);
        QCOMPARE(user->boxes[1].title, std::wstring(L"Message"));
        QCOMPARE(user->boxes[1].kind, gui::box_kind::information);
        run_in_sheet(*shell, [] { wizard_shell::message(L"third"); });
        QCOMPARE(user->boxes[2].title, std::wstring(L"Velmora 8.3  Message"));
        QVERIFY(user->boxes[2].has_owner);
    }

    void controls_are_found_by_id_and_plain_check_boxes_flip_only_when_told()
    {
        auto* check = second->controls().item_as<QCheckBox>(1204);
        QVERIFY(check != nullptr);
        QCOMPARE(second->findChild<QCheckBox*>("control_1204"), check);
        QVERIFY(second->controls().item(4711) == nullptr);
        check->click();
        QVERIFY(!check->isChecked());
        QCOMPARE(second->commands.size(), std::size_t(1));
        QCOMPARE(second->commands[0], std::make_pair(1204, int(gui::clicked)));
        second->invert_chbox(1204);
        QVERIFY(check->isChecked());
        second->invert_chbox(1204);
        QVERIFY(!check->isChecked());
        QVERIFY_THROWS_EXCEPTION(tk_mail_assertion, second->invert_chbox(1016));
    }

    void controls_report_their_notifications_by_id()
    {
        std::vector<std::pair<int, int>> seen;
        QWidget owner;
        dialog_controls controls(owner, [&](int id, int notification) { seen.emplace_back(id, notification); });
        QComboBox* combo = controls.combo_box(1302, true);
        combo->addItems({"alpha", "beta"});
        QListWidget* list = controls.list_box(1317);
        list->addItems({"b", "a"});
        controls.multiline_edit(1016);
        combo->showPopup();
        combo->hidePopup();
        emit combo->activated(1);
        emit list->itemDoubleClicked(list->item(0));
        QFocusEvent focus(QEvent::FocusIn);
        QCoreApplication::sendEvent(controls.item(1016), &focus);
        QCOMPARE(seen, (std::vector<std::pair<int, int>>{{1302, gui::dropped_down},
                                                         {1302, gui::selection_changed},
                                                         {1317, gui::double_clicked},
                                                         {1016, gui::focus_gained}}));
        QCOMPARE(list->item(0)->text(), QString("a"));
        controls.set_text(1302, L"beta");
        QCOMPARE(controls.text(1302), std::wstring(L"beta"));
    }

    void progress_share_weighs_every_table_alike()
    {
        struct case_row {
            std::uint32_t total, done;
            std::uint64_t rows_total, rows_done;
            std::uint32_t share;
        };
        const case_row rows[] = {
            {0, 0, 10, 5, 0}, {3, 1, 200, 50, 41}, {3, 1, 0, 0, 33}, {2, 2, 0, 0, 100}, {4, 0, 3, 3, 25},
        };
        for (const case_row& row : rows)
            QCOMPARE(progress_page::percentage(row.total, row.done, row.rows_total, row.rows_done), row.share);
    }

    void the_timer_ticks_reach_the_current_page_and_a_second_start_is_an_internal_error()
    {
        event_latch ticked;
        second->tick_latch = &ticked;
        property_sheet& sheet = shell->sheet();
        run_in_sheet(*shell, [&] {
            sheet.press_next();
            std::thread worker([&] { shell->set_timer(10); });
            worker.join();
            QVERIFY(ticked.wait());
            QVERIFY_THROWS_EXCEPTION(tk_mail_assertion, shell->set_timer(10));
            shell->kill_timer();
            QVERIFY(!shell->is_timer_running());
            shell->set_timer(10);
        });
        QVERIFY(second->ticks > 0);
        QCOMPARE(first->ticks, 0);
    }

    void log_lines_from_a_worker_reach_the_log_box_of_the_current_page()
    {
        property_sheet& sheet = shell->sheet();
        event_latch written;
        run_in_sheet(*shell, [&] {
            sheet.press_next();
            std::thread worker([&] {
                shell->write_log(L"Converting table a (1 records)\r\n");
                shell->write_log(L"Converting table b (2 records)\r\n");
                written.reach_from_any_thread();
            });
            QVERIFY(written.wait());
            worker.join();
        });
        QCOMPARE(second->controls().item_as<QPlainTextEdit>(1016)->toPlainText(),
                 QString("Converting table a (1 records)\nConverting table b (2 records)\n"));
        QVERIFY(first->controls().item_as<QPlainTextEdit>(1016)->toPlainText().isEmpty());
    }

    void the_error_list_keeps_the_first_twenty_from_any_thread()
    {
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([this, t] {
                for (int i = 0; i < 10; ++i)
                    shell->add_error("error " + std::to_string(t * 10 + i));
            });
        for (std::thread& worker : workers)
            worker.join();
        QCOMPARE(shell->get_errors().size(), std::size_t(20));
    }

private:
    std::optional<scripted_user> user;
    test_error_handler errors;
    std::optional<wizard_shell> shell;
    std::optional<test_page> first;
    std::optional<test_page> second;
    std::optional<test_page> third;
    std::optional<test_page> last;
};

QTEST_MAIN(property_sheet_test)
#include "property_sheet_test.moc"
