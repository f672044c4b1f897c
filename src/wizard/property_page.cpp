#include "wizard/property_page.h"

#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>

property_page::property_page(int dialog_id, unsigned buttons, unsigned flags, std::wstring header_title,
                             std::wstring header_subtitle)
    : m_controls(*this, [this](int id, int notification) { on_command(id, notification); }), m_dialog_id(dialog_id),
      m_buttons(buttons), m_flags(flags), m_header_title(std::move(header_title)),
      m_header_subtitle(std::move(header_subtitle))
{
    setObjectName(QString("page_%1").arg(dialog_id));
}

property_page::~property_page()
{
    tk_log(2, "wizard_page::dtor");
}

QVBoxLayout* property_page::header_page_layout(std::initializer_list<QLabel*> description)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 14);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    for (QLabel* line : description)
        lines->addWidget(line);
    layout->addLayout(lines);
    layout->addSpacing(10);
    return layout;
}

bool property_page::on_cancel()
{
    tk_log(2, "wizard_page::on_cancel");
    return wizard_shell::question(L"Are you sure you want to exit the wizard?", gui::default_second_button);
}

void property_page::enable_ctrl(int id, bool enable)
{
    tk_log(1, "wizard_page::enable_ctrl(%d=%d)", id, enable ? 1 : 0);
    m_controls.enable(id, enable);
}

void property_page::show_ctrl(int id, bool show)
{
    tk_log(1, "wizard_page::show_ctrl(%d=%d)", id, show ? 1 : 0);
    m_controls.show(id, show);
}

void property_page::invert_chbox(int id)
{
    tk_log(1, "wizard_page::invert_chbox(%d)", id);
    m_controls.invert_check(id);
}

QFont property_page::title_font()
{
    QFont font = QGuiApplication::font();
    font.setPointSize(13);
    font.setWeight(QFont::Normal);
    return font;
}
