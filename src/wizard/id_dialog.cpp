#include "wizard/id_dialog.h"

#include "wizard/gui_thread.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

namespace {

std::function<void(id_dialog&)>& shown_hook()
{
    static std::function<void(id_dialog&)> hook;
    return hook;
}

}  // namespace

id_dialog::id_dialog(int dialog_id)
    : m_controls(*this, [this](int id, int notification) { gui::run_guarded([&] { on_command(id, notification); }); }),
      m_dialog_id(dialog_id)
{
    setObjectName(QString("dialog_%1").arg(dialog_id));
}

int id_dialog::run_modal()
{
    if (QWidget* owner = QApplication::activeWindow(); owner != nullptr && owner != this)
        setParent(owner, windowFlags() | Qt::Dialog);
    gui::run_guarded([this] { on_init(); });
    return exec();
}

void id_dialog::set_shown_hook(std::function<void(id_dialog&)> hook)
{
    shown_hook() = std::move(hook);
}

QString id_dialog::error_caption()
{
    return wizard_shell::is_initialized() ? to_qt(wizard_shell::ref().get_title() + L" Error") : QString("Error");
}

QString id_dialog::shell_title()
{
    return wizard_shell::is_initialized() ? to_qt(wizard_shell::ref().get_title()) : QString();
}

void id_dialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (shown_hook())
        QMetaObject::invokeMethod(
            this, [this] { shown_hook()(*this); }, Qt::QueuedConnection);
}

void id_dialog::keyPressEvent(QKeyEvent* event)
{
    // F1 asks for the same help as the dialog's Help button.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        if (const QWidget* help = m_controls.item(gui::id_help); help != nullptr && help->isEnabled())
            m_controls.command(gui::id_help, gui::clicked);
        return;
    }
    QDialog::keyPressEvent(event);
}

void id_dialog::reject()
{
    m_controls.command(gui::id_cancel, gui::clicked);
}

void id_dialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}
