// The controls of one dialog or page by their ids. A template builds its
// widgets through these factories, which register each id and route the
// widget's signals to one command handler as (id, notification), the way the
// dialog templates' commands reach their message maps. Layout is left to Qt
// layouts, so the dialogs look native at any font size.
#pragma once

#include "wizard/gui_ids.h"

#include <QString>
#include <functional>
#include <map>
#include <string>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QWidget;

class dialog_controls {
public:
    using command_handler = std::function<void(int id, int notification)>;

    // Widgets are made children of the owner; commands go to the handler.
    dialog_controls(QWidget& owner, command_handler handler);

    // Factories; id_static (-1) makes a control without an id.
    QLabel* label(int id, const QString& text);
    QLineEdit* edit(int id);
    QLineEdit* password_edit(int id);
    QPlainTextEdit* multiline_edit(int id);
    QPushButton* button(int id, const QString& text, bool is_default = false);
    // A check box the program checks itself: a click only reports the
    // command, the handler flips it (invert_check).
    QCheckBox* plain_check_box(int id, const QString& text);
    QRadioButton* radio_button(int id, const QString& text);
    // A drop-down; editable ones take typed text. Opening the list reports
    // dropped_down before it shows, choosing an entry selection_changed.
    QComboBox* combo_box(int id, bool editable);
    // A sorted list with extended selection; a double click reports double_clicked.
    QListWidget* list_box(int id);
    // A report list with check boxes and the given column titles.
    QTreeWidget* list_view(int id, const std::initializer_list<QString>& columns);
    QProgressBar* progress_bar(int id);

    // The control of an id, or null.
    QWidget* item(int id) const;
    template <class T>
    T* item_as(int id) const
    {
        return qobject_cast<T*>(item(id));
    }

    // Text of labels, edits, buttons and combo boxes.
    std::wstring text(int id) const;
    void set_text(int id, const std::wstring& text);
    bool is_checked(int id) const;
    void set_checked(int id, bool checked);
    // Enabling also gives the control the keyboard focus.
    void enable(int id, bool enable);
    void show(int id, bool show);
    // Flips a check box: checked becomes unchecked, anything else checked.
    // A control that is not a check box is an internal error.
    void invert_check(int id);

    // Sends a command as if the control had reported it.
    void command(int id, int notification) const;

private:
    template <class T>
    T* add(int id, T* widget);

    QWidget& m_owner;
    command_handler m_handler;
    std::map<int, QWidget*> m_items;
};

std::wstring to_wide(const QString& text);
QString to_qt(const std::wstring& text);
