#include "wizard/user_prompts.h"

#include "wizard/dialog_controls.h"
#include "wizard/gui_thread.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStringList>

namespace gui {

namespace {

box_answerer& installed_box_answerer()
{
    static box_answerer answerer;
    return answerer;
}

file_answerer& installed_file_answerer()
{
    static file_answerer answerer;
    return answerer;
}

QMessageBox::Icon icon_of(box_kind kind)
{
    switch (kind) {
    case box_kind::error: return QMessageBox::Critical;
    case box_kind::question: return QMessageBox::Question;
    case box_kind::warning: return QMessageBox::Warning;
    case box_kind::information: break;
    }
    return QMessageBox::Information;
}

// "Profile Files (.bwk)|*.bwk|All Files (*.*)|*.*|" as Qt's "Profile Files (.bwk) (*.bwk);;...".
QString qt_filter(const std::wstring& filter)
{
    const QStringList parts = to_qt(filter).split(QChar('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QString("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QChar(';'), QChar(' ')));
    return filters.join(";;");
}

// A box of a short text is narrower than its title: the window manager
// would cut the title. The box is kept wide enough for it and the title
// bar's buttons.
void keep_title_whole(QMessageBox& box)
{
    constexpr int title_bar_buttons = 140;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr)
        return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + title_bar_buttons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

void set_box_answerer(box_answerer answerer)
{
    installed_box_answerer() = std::move(answerer);
}

bool show_box(const box_request& request, QWidget* owner)
{
    const box_scope open;
    if (installed_box_answerer())
        return installed_box_answerer()(request);
    QMessageBox box(icon_of(request.kind), to_qt(request.title), to_qt(request.text), QMessageBox::NoButton,
                    request.has_owner ? owner : nullptr);
    keep_title_whole(box);
    if (request.yes_no) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.second_default ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
    box.setStandardButtons(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void set_file_answerer(file_answerer answerer)
{
    installed_file_answerer() = std::move(answerer);
}

std::optional<std::wstring> ask_file(const file_request& request, QWidget* owner)
{
    if (installed_file_answerer())
        return installed_file_answerer()(request);
    const QString start = to_qt(request.initial_folder + request.file_name);
    const QString chosen =
        request.save ? QFileDialog::getSaveFileName(owner, to_qt(request.title), start, qt_filter(request.filter))
                     : QFileDialog::getOpenFileName(owner, to_qt(request.title), start, qt_filter(request.filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return to_wide(chosen);
}

}  // namespace gui
