#include "wizard/dialog_controls.h"

#include "toolkit/tk_exception.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

// A combo box that tells before its list opens, so that a page can fill it
// on first use.
class dropdown_combo_box final : public QComboBox {
public:
    dropdown_combo_box(QWidget* parent, std::function<void()> on_drop_down)
        : QComboBox(parent), m_on_drop_down(std::move(on_drop_down))
    {}

    void showPopup() override
    {
        m_on_drop_down();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_on_drop_down;
};

// Reports a control's gaining the focus as a command.
class focus_watch final : public QObject {
public:
    focus_watch(QObject* parent, std::function<void()> on_focus) : QObject(parent), m_on_focus(std::move(on_focus)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            m_on_focus();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_on_focus;
};

}  // namespace

std::wstring to_wide(const QString& text)
{
    return text.toStdWString();
}

QString to_qt(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

dialog_controls::dialog_controls(QWidget& owner, command_handler handler)
    : m_owner(owner), m_handler(std::move(handler))
{}

template <class T>
T* dialog_controls::add(int id, T* widget)
{
    if (id != gui::id_static) {
        widget->setObjectName(QString("control_%1").arg(id));
        m_items[id] = widget;
    }
    return widget;
}

QLabel* dialog_controls::label(int id, const QString& text)
{
    auto* widget = add(id, new QLabel(text, &m_owner));
    widget->setWordWrap(true);
    return widget;
}

QLineEdit* dialog_controls::edit(int id)
{
    auto* widget = add(id, new QLineEdit(&m_owner));
    // The templates' edits hold up to 259 characters plus the terminator.
    widget->setMaxLength(259);
    return widget;
}

QLineEdit* dialog_controls::password_edit(int id)
{
    QLineEdit* widget = edit(id);
    widget->setEchoMode(QLineEdit::Password);
    return widget;
}

QPlainTextEdit* dialog_controls::multiline_edit(int id)
{
    auto* widget = add(id, new QPlainTextEdit(&m_owner));
    widget->installEventFilter(new focus_watch(widget, [this, id] { command(id, gui::focus_gained); }));
    return widget;
}

QPushButton* dialog_controls::button(int id, const QString& text, bool is_default)
{
    auto* widget = add(id, new QPushButton(text, &m_owner));
    widget->setDefault(is_default);
    widget->setAutoDefault(is_default);
    QObject::connect(widget, &QPushButton::clicked, &m_owner, [this, id] { command(id, gui::clicked); });
    return widget;
}

QCheckBox* dialog_controls::plain_check_box(int id, const QString& text)
{
    auto* widget = add(id, new QCheckBox(text, &m_owner));
    // The handler decides the new state; a click only reports the command.
    QObject::connect(widget, &QCheckBox::clicked, &m_owner, [this, widget, id] {
        widget->setChecked(!widget->isChecked());
        command(id, gui::clicked);
    });
    return widget;
}

QRadioButton* dialog_controls::radio_button(int id, const QString& text)
{
    auto* widget = add(id, new QRadioButton(text, &m_owner));
    QObject::connect(widget, &QRadioButton::clicked, &m_owner, [this, id] { command(id, gui::clicked); });
    return widget;
}

QComboBox* dialog_controls::combo_box(int id, bool editable)
{
    auto* widget = add(id, new dropdown_combo_box(&m_owner, [this, id] { command(id, gui::dropped_down); }));
    widget->setEditable(editable);
    widget->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(widget, &QComboBox::activated, &m_owner, [this, id] { command(id, gui::selection_changed); });
    return widget;
}

QListWidget* dialog_controls::list_box(int id)
{
    auto* widget = add(id, new QListWidget(&m_owner));
    widget->setSortingEnabled(true);
    widget->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QObject::connect(widget, &QListWidget::itemDoubleClicked, &m_owner,
                     [this, id] { command(id, gui::double_clicked); });
    return widget;
}

QTreeWidget* dialog_controls::list_view(int id, const std::initializer_list<QString>& columns)
{
    auto* widget = add(id, new QTreeWidget(&m_owner));
    widget->setRootIsDecorated(false);
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    widget->setAllColumnsShowFocus(true);
    widget->setHeaderLabels(QStringList(columns));
    widget->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return widget;
}

QProgressBar* dialog_controls::progress_bar(int id)
{
    auto* widget = add(id, new QProgressBar(&m_owner));
    widget->setRange(0, 100);
    widget->setValue(0);
    return widget;
}

QWidget* dialog_controls::item(int id) const
{
    const auto found = m_items.find(id);
    return found == m_items.end() ? nullptr : found->second;
}

std::wstring dialog_controls::text(int id) const
{
    QWidget* widget = item(id);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return to_wide(label->text());
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return to_wide(line->text());
    if (auto* lines = qobject_cast<QPlainTextEdit*>(widget))
        return to_wide(lines->toPlainText());
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return to_wide(button->text());
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return to_wide(combo->currentText());
    return std::wstring();
}

void dialog_controls::set_text(int id, const std::wstring& text)
{
    QWidget* widget = item(id);
    const QString value = to_qt(text);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(value);
    else if (auto* line = qobject_cast<QLineEdit*>(widget))
        line->setText(value);
    else if (auto* lines = qobject_cast<QPlainTextEdit*>(widget))
        lines->setPlainText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(value);
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        combo->setCurrentText(value);
}

bool dialog_controls::is_checked(int id) const
{
    auto* button = item_as<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void dialog_controls::set_checked(int id, bool checked)
{
    if (auto* button = item_as<QAbstractButton>(id))
        button->setChecked(checked);
}

void dialog_controls::enable(int id, bool enable)
{
    if (QWidget* widget = item(id)) {
        widget->setEnabled(enable);
        if (enable)
            widget->setFocus();
    }
}

void dialog_controls::show(int id, bool show)
{
    if (QWidget* widget = item(id))
        widget->setVisible(show);
}

void dialog_controls::invert_check(int id)
{
    auto* box = item_as<QCheckBox>(id);
    if (box == nullptr)
        throw tk_mail_assertion("g_wiz_pg", 127);
    box->setChecked(!box->isChecked());
}

void dialog_controls::command(int id, int notification) const
{
    if (m_handler)
        m_handler(id, notification);
}
