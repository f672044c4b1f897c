// What the wizard's tests share: a latch that waits on an event with a
// timeout, scripted answers for message boxes and file dialogs, and an error
// handler that records instead of ending the process.
#pragma once

#include "wizard/user_prompts.h"
#include "wizard/wizard_error_handler.h"

#include <QEventLoop>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;
class id_dialog;
class wizard_shell;

// Reached once from the window thread (or through reach_from_any_thread);
// wait runs the event loop until then or until the timeout.
class event_latch {
public:
    void reach();
    void reach_from_any_thread();
    bool wait(int milliseconds = 10000);
    bool is_reached() const { return m_reached; }

private:
    QEventLoop m_loop;
    bool m_reached = false;
};

// Answers message boxes and file dialogs in the user's place and keeps what
// they would have shown. Installed while it lives.
class scripted_user {
public:
    scripted_user();
    ~scripted_user();

    std::vector<gui::box_request> boxes;
    // Answers in order; when none is left, OK/Yes.
    std::deque<bool> box_answers;

    std::vector<gui::file_request> file_dialogs;
    std::deque<std::optional<std::wstring>> file_answers;
    // The current folder while the last file dialog was open.
    std::string folder_during_dialog;
};

// The process ends after an internal error: here it throws this instead.
struct process_ended {};

class test_error_handler final : public wizard_error_handler {
public:
    test_error_handler();

protected:
    [[noreturn]] void end_process() override;
};

// Acts on every dialog of the program once it shows, and keeps what it showed.
class dialog_script {
public:
    explicit dialog_script(std::function<void(id_dialog&)> act);
    ~dialog_script();

    std::vector<int> shown;
    std::vector<QString> captions;
    std::vector<QString> texts;
    std::vector<bool> on_gui_thread;
};

// Runs the script inside the sheet's modal loop, then closes the sheet if
// the script left it open; the sheet's result.
int run_in_sheet(wizard_shell& shell, const std::function<void()>& script);

// Presses a button of a dialog by its control id, after the dialog has shown.
void click_control(QWidget& dialog, int id);
