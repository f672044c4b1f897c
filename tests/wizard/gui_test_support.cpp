#include "wizard/gui_test_support.h"

#include "converter/error_messages.h"
#include "wizard/id_dialog.h"
#include "wizard/wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <unistd.h>

void event_latch::reach()
{
    m_reached = true;
    m_loop.quit();
}

void event_latch::reach_from_any_thread()
{
    QMetaObject::invokeMethod(
        &m_loop, [this] { reach(); }, Qt::QueuedConnection);
}

bool event_latch::wait(int milliseconds)
{
    if (m_reached)
        return true;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    deadline.start(milliseconds);
    m_loop.exec();
    return m_reached;
}

scripted_user::scripted_user()
{
    gui::set_box_answerer([this](const gui::box_request& request) {
        boxes.push_back(request);
        if (box_answers.empty())
            return true;
        const bool answer = box_answers.front();
        box_answers.pop_front();
        return answer;
    });
    gui::set_file_answerer([this](const gui::file_request& request) -> std::optional<std::wstring> {
        file_dialogs.push_back(request);
        char folder[4096];
        folder_during_dialog = getcwd(folder, sizeof folder) != nullptr ? folder : "";
        if (file_answers.empty())
            return std::nullopt;
        std::optional<std::wstring> answer = file_answers.front();
        file_answers.pop_front();
        return answer;
    });
}

scripted_user::~scripted_user()
{
    gui::set_box_answerer(nullptr);
    gui::set_file_answerer(nullptr);
}

test_error_handler::test_error_handler() : wizard_error_handler(oledb_error_message_count, oledb_error_messages)
{
    load_err_map(mysql_error_message_count, mysql_error_messages);
}

void test_error_handler::end_process()
{
    throw process_ended();
}

dialog_script::dialog_script(std::function<void(id_dialog&)> act)
{
    id_dialog::set_shown_hook([this, act = std::move(act)](id_dialog& dialog) {
        shown.push_back(dialog.dialog_id());
        captions.push_back(dialog.windowTitle());
        auto* text = dialog.findChild<QLabel*>("control_1320");
        texts.push_back(text != nullptr ? text->text() : QString());
        on_gui_thread.push_back(QThread::currentThread() == qApp->thread());
        act(dialog);
    });
}

dialog_script::~dialog_script()
{
    id_dialog::set_shown_hook(nullptr);
}

int run_in_sheet(wizard_shell& shell, const std::function<void()>& script)
{
    property_sheet& sheet = shell.sheet();
    QMetaObject::invokeMethod(
        &sheet,
        [&] {
            script();
            if (sheet.isVisible())
                sheet.done(99);
        },
        Qt::QueuedConnection);
    return sheet.run();
}

void click_control(QWidget& dialog, int id)
{
    auto* button = dialog.findChild<QAbstractButton*>(QString("control_%1").arg(id));
    QVERIFY2(button != nullptr, qPrintable(QString("no button %1").arg(id)));
    button->click();
}
