// A modal dialog built from its template: its controls by id, their commands
// in on_command, its set-up in on_init before it shows. Esc and the close
// box report the cancel command (2), which a dialog may leave unhandled; F1
// reports the Help button's command (9) when the dialog has one.
#pragma once

#include "wizard/dialog_controls.h"

#include <QDialog>
#include <functional>

class id_dialog : public QDialog {
public:
    explicit id_dialog(int dialog_id);

    int dialog_id() const { return m_dialog_id; }
    dialog_controls& controls() { return m_controls; }

    // Shows the dialog modally over the active window; its result.
    virtual int run_modal();

    // Tests: called (from the event loop) each time a dialog is shown.
    static void set_shown_hook(std::function<void(id_dialog&)> hook);

protected:
    virtual void on_init() {}
    virtual void on_command(int /*id*/, int /*notification*/) {}
    // "<shell title> Error" while the wizard's shell is initialized, else "Error".
    static QString error_caption();
    // The shell's title while it is initialized, else empty.
    static QString shell_title();

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

    dialog_controls m_controls;

private:
    int m_dialog_id;
};
