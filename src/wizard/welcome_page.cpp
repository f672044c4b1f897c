#include "wizard/welcome_page.h"

#include "converter/front_end.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "wizard/file_dialogs.h"
#include "wizard/wizard_shell.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr const char* product_page = "https://velmora.example/";

}  // namespace

std::wstring profile_filter(const std::wstring& extension, std::uint32_t assertion_line)
{
    const std::wstring filter = L"Profile Files (." + extension + L")|*." + extension + L"|All Files (*.*)|*.*|";
    if (extension.size() != 3 && extension.size() != 4)
        throw tk_mail_assertion("g_finish", assertion_line);
    return filter;
}

template <class T_CONVERTER, int DLG>
welcome_page_t<T_CONVERTER, DLG>::welcome_page_t(std::wstring extension) : m_extension(std::move(extension))
{}

template <class T_CONVERTER, int DLG>
void welcome_page_t<T_CONVERTER, DLG>::on_command(int id, int notification)
{
    if (id == load_settings && notification == gui::clicked)
        on_load();
}

template <class T_CONVERTER, int DLG>
void welcome_page_t<T_CONVERTER, DLG>::on_load()
{
    try {
        const std::wstring filter = profile_filter(m_extension, 266);
        tk_log(1, L"welcome_page_t::on_load(%ls)", filter.c_str());
        open_file_dialog dialog(this, filter, L"Select Profile", std::wstring());
        if (dialog.show()) {
            T_CONVERTER& converter = T_CONVERTER::ref();
            const bool was_direct = converter.direct;
            const std::wstring destination = converter.get_destination_name();
            if (!converter.load_profile_file(dialog.path()))
                throw tk_exception(converter.get_profile_error(), 1);
            // The profile names the destination of its own mode; the one the
            // pages held for the other mode stays for that mode.
            if (converter.direct != was_direct)
                m_other_destination = destination;
        }
        on_loaded();
    } catch (const tk_exception& exception) {
        error_handler::instance().handle(exception, false);
    }
}

template class welcome_page_t<convertor_front_end, gui::page_welcome>;

welcome_page::welcome_page(std::wstring extension) : welcome_page_t(std::move(extension))
{
    QLabel* title = m_controls.label(welcome_title, tr("Velmora\nConversion Wizard"));
    title->setFont(title_font());
    QFont larger = title->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.35);
    title->setFont(larger);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 22, 20, 16);
    layout->addWidget(title);
    layout->addSpacing(18);
    layout->addWidget(m_controls.label(gui::id_static, tr("This wizard helps you to migrate data from MySQL\n"
                                                          "to Microsoft SQL server or SQL Azure.")));
    layout->addSpacing(8);
    layout->addWidget(m_controls.label(gui::id_static, tr("Click 'Next' to continue.")));
    layout->addSpacing(18);
    layout->addWidget(m_controls.label(gui::id_static, tr("Select conversion scenario:")));
    auto* scenarios = new QVBoxLayout;
    scenarios->setContentsMargins(16, 0, 0, 0);
    scenarios->addWidget(m_controls.radio_button(migrate_directly, tr("&Migrate to MS SQL server directly")));
    scenarios->addWidget(m_controls.radio_button(export_script, tr("&Export into local T-SQL script file")));
    layout->addLayout(scenarios);
    layout->addSpacing(14);
    auto* load_row = new QHBoxLayout;
    load_row->addWidget(m_controls.button(load_settings, tr("&Load Settings...")));
    load_row->addStretch();
    layout->addLayout(load_row);
    layout->addStretch();
    QLabel* link = m_controls.label(product_link, QString());
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(link);
}

int welcome_page::page_init()
{
    tk_log(1, "welcome_page::page_init");
    show_scenario();
    if (!m_link_attached) {
        m_controls.item_as<QLabel>(product_link)
            ->setText(QString("<a href=\"%1\">Visit the Velmora web site</a>").arg(product_page));
        m_link_attached = true;
    }
    return 1;
}

void welcome_page::on_loaded()
{
    show_scenario();
}

void welcome_page::show_scenario()
{
    const bool direct = convertor_front_end::ref().direct;
    m_controls.set_checked(direct ? migrate_directly : export_script, true);
}

void welcome_page::on_help()
{
    wizard_shell::display_help(gui::help_welcome);
}

int welcome_page::on_next()
{
    tk_log(1, "welcome_page::on_next");
    const bool direct = m_controls.is_checked(migrate_directly);
    tk_log(1, "settind direct_mode to %d", direct ? 1 : 0);
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("bwk_shel", 78);
    convertor_front_end& converter = convertor_front_end::ref();
    // A database name is no script path, nor the reverse: each mode keeps
    // its own destination, and the converter holds the one its mode uses.
    if (converter.direct != direct) {
        std::wstring destination = converter.get_destination_name();
        converter.set_destination_name(m_other_destination);
        m_other_destination = std::move(destination);
    }
    converter.direct = direct;
    return gui::neighbour_page;
}
