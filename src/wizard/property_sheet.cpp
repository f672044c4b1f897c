#include "wizard/property_sheet.h"

#include "toolkit/tk_log.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_thread.h"
#include "wizard/property_page.h"
#include "wizard/wizard_shell.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QFrame* separator(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

property_sheet::property_sheet()
{
    setObjectName("property_sheet");
    setMinimumSize(620, 460);

    m_header = new QWidget(this);
    m_header->setObjectName("sheet_header");
    m_header->setAutoFillBackground(true);
    QPalette header_palette = m_header->palette();
    header_palette.setColor(QPalette::Window, header_palette.color(QPalette::Base));
    m_header->setPalette(header_palette);
    m_title = new QLabel(m_header);
    m_title->setObjectName("header_title");
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_subtitle = new QLabel(m_header);
    m_subtitle->setObjectName("header_subtitle");
    m_subtitle->setIndent(16);
    m_header_picture = new QLabel(m_header);
    auto* header_texts = new QVBoxLayout;
    header_texts->addStretch();
    header_texts->addWidget(m_title);
    header_texts->addWidget(m_subtitle);
    header_texts->addStretch();
    auto* header_layout = new QHBoxLayout(m_header);
    header_layout->setContentsMargins(14, 6, 8, 6);
    header_layout->addLayout(header_texts, 1);
    header_layout->addWidget(m_header_picture);

    auto* body = new QWidget(this);
    body->setObjectName("sheet_body");
    m_watermark = new QLabel(body);
    m_watermark->setScaledContents(true);
    m_stack = new QStackedWidget(body);
    auto* body_layout = new QHBoxLayout(body);
    body_layout->setContentsMargins(0, 0, 0, 0);
    body_layout->setSpacing(0);
    body_layout->addWidget(m_watermark);
    body_layout->addWidget(m_stack, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(11, 8, 11, 11);
    const auto add_button = [&](int id, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString("control_%1").arg(id));
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    connect(add_button(gui::sheet_help, tr("&Help")), &QPushButton::clicked, this, [this] { press_help(); });
    buttons->addStretch();
    connect(add_button(gui::sheet_back, tr("< &Back")), &QPushButton::clicked, this, [this] { press_back(); });
    connect(add_button(gui::sheet_next, tr("&Next >")), &QPushButton::clicked, this, [this] { press_next(); });
    connect(add_button(gui::sheet_finish, tr("&Finish")), &QPushButton::clicked, this, [this] { press_finish(); });
    buttons->addSpacing(8);
    connect(add_button(gui::sheet_cancel, tr("Cancel")), &QPushButton::clicked, this, [this] { press_cancel(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(separator(this));
    layout->addWidget(body, 1);
    layout->addWidget(separator(this));
    layout->addLayout(buttons);

    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { press_help(); });

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (property_page* page = current_page())
            gui::run_guarded([page] { page->on_timer(); });
    });
    set_wizard_buttons(0);
}

void property_sheet::set_images(const QPixmap& watermark, const QPixmap& header)
{
    m_watermark->setPixmap(watermark);
    m_watermark->setFixedWidth(watermark.isNull() ? 0 : static_cast<int>(watermark.deviceIndependentSize().width()));
    m_header_picture->setPixmap(header);
}

void property_sheet::add_page(property_page& page)
{
    m_pages.push_back(&page);
    m_stack->addWidget(&page);
}

void property_sheet::make_room_for(property_page& page)
{
    // Laid out with the others but never shown: its room is what the whole
    // wizard's page area gets, wrapped texts included.
    m_stack->addWidget(&page);
}

int property_sheet::run()
{
    bool shown = false;
    gui::run_guarded([&] { shown = activate_from(0, direction::forward); });
    if (!shown)
        return 0;
    return exec();
}

property_page* property_sheet::current_page() const
{
    return m_current < 0 ? nullptr : m_pages[static_cast<std::size_t>(m_current)];
}

bool property_sheet::set_current_page_id(int dialog_id)
{
    const int index = index_of(dialog_id);
    return index >= 0 && activate(static_cast<std::size_t>(index));
}

void property_sheet::set_wizard_buttons(unsigned mask)
{
    const bool finish = (mask & gui::button_finish) != 0;
    const bool next = (mask & gui::button_next) != 0;
    button(gui::sheet_back)->setEnabled((mask & gui::button_back) != 0);
    button(gui::sheet_next)->setVisible(!finish || next);
    button(gui::sheet_next)->setEnabled(next);
    button(gui::sheet_finish)->setVisible(finish);
    button(gui::sheet_finish)->setEnabled(finish);
    QPushButton* preferred = finish ? button(gui::sheet_finish) : button(gui::sheet_next);
    preferred->setDefault(true);
}

QPushButton* property_sheet::button(int id) const
{
    return findChild<QPushButton*>(QString("control_%1").arg(id), Qt::FindDirectChildrenOnly);
}

void property_sheet::enable_button(int id, bool enable)
{
    if (QPushButton* found = button(id))
        found->setEnabled(enable);
}

void property_sheet::press_back()
{
    gui::run_guarded([this] {
        if (property_page* page = current_page(); page != nullptr && button(gui::sheet_back)->isEnabled())
            go_to(page->on_back(), direction::backward);
    });
}

void property_sheet::press_next()
{
    gui::run_guarded([this] {
        if (property_page* page = current_page(); page != nullptr && button(gui::sheet_next)->isEnabled())
            go_to(page->on_next(), direction::forward);
    });
}

void property_sheet::press_finish()
{
    gui::run_guarded([this] {
        property_page* page = current_page();
        if (page != nullptr && button(gui::sheet_finish)->isEnabled() && page->on_finish())
            done(1);
    });
}

void property_sheet::press_cancel()
{
    gui::run_guarded([this] {
        property_page* page = current_page();
        if (!button(gui::sheet_cancel)->isEnabled())
            return;
        if (page == nullptr || page->on_cancel())
            done(0);
    });
}

void property_sheet::press_help()
{
    gui::run_guarded([this] {
        if (property_page* page = current_page(); page != nullptr && button(gui::sheet_help)->isEnabled())
            page->on_help();
    });
}

void property_sheet::start_timer(int milliseconds)
{
    m_timer->start(milliseconds);
}

void property_sheet::stop_timer()
{
    m_timer->stop();
}

void property_sheet::reject()
{
    press_cancel();
}

void property_sheet::closeEvent(QCloseEvent* event)
{
    event->ignore();
    press_cancel();
}

void property_sheet::go_to(int result, direction way)
{
    if (result == gui::stay_on_page)
        return;
    property_page* page = current_page();
    if (page != nullptr && !page->on_kill_active())
        return;
    const std::size_t here = static_cast<std::size_t>(m_current);
    if (result == gui::neighbour_page) {
        if (way == direction::forward && here + 1 < m_pages.size())
            activate_from(here + 1, way);
        else if (way == direction::backward && here > 0)
            activate_from(here - 1, way);
        return;
    }
    const int target = index_of(result);
    if (target >= 0)
        activate_from(static_cast<std::size_t>(target), way);
    else
        tk_log(1, "No page with dialog id %d", result);
}

bool property_sheet::activate_from(std::size_t index, direction way)
{
    for (std::size_t at = index; at < m_pages.size();) {
        if (activate(at))
            return true;
        if (way == direction::backward) {
            if (at == 0)
                break;
            --at;
        } else {
            ++at;
        }
    }
    return false;
}

bool property_sheet::activate(std::size_t index)
{
    property_page& page = *m_pages[index];
    tk_log(1, "wizard_page::OnSetActive");
    wizard_shell& shell = wizard_shell::ref();
    property_page* previous = current_page();
    set_wizard_buttons(page.buttons());
    button(gui::sheet_help)->setEnabled(page.has_help());
    shell.initialize_if();
    shell.set_current_page(&page);
    auto stay_on_previous = [&] {
        shell.set_current_page(previous);
        if (previous != nullptr) {
            set_wizard_buttons(previous->buttons());
            button(gui::sheet_help)->setEnabled(previous->has_help());
        }
    };
    int accepted = 0;
    try {
        accepted = page.page_init();
    } catch (...) {
        // A page that cannot fill itself (a source that went away) is not shown.
        stay_on_previous();
        throw;
    }
    if (accepted == 0) {
        stay_on_previous();
        return false;
    }
    m_current = static_cast<int>(index);
    show_header_of(page);
    m_stack->setCurrentWidget(&page);
    return true;
}

void property_sheet::show_header_of(const property_page& page)
{
    m_header->setVisible(page.has_header());
    m_watermark->setVisible(!page.has_header());
    m_title->setText(QString::fromStdWString(page.header_title()));
    m_subtitle->setText(QString::fromStdWString(page.header_subtitle()));
    // Pages without a header stand on the window's base colour beside the watermark.
    QWidget* body = m_stack->parentWidget();
    body->setAutoFillBackground(!page.has_header());
    QPalette palette = this->palette();
    if (!page.has_header())
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    body->setPalette(palette);
}

int property_sheet::index_of(int dialog_id) const
{
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i]->dialog_id() == dialog_id)
            return static_cast<int>(i);
    }
    return -1;
}
