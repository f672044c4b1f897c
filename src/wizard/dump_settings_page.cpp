#include "wizard/dump_settings_page.h"

#include "converter/front_end.h"
#include "toolkit/tk_log.h"
#include "wizard/wizard_shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

convertor_front_end& converter()
{
    if (!convertor_front_end::is_initialized())
        throw tk_mail_assertion("bwk_shel", 78);
    return convertor_front_end::ref();
}

}  // namespace

dump_settings_page::dump_settings_page() : wizard_page(L"Step 2 of 6", L"T-SQL script file settings")
{
    tk_log(1, "dump_settings_page::ctor");
    QVBoxLayout* layout = header_page_layout(
        {m_controls.label(gui::id_static, tr("On this page you can specify how to format output T-SQL script file."))});
    auto* options = new QVBoxLayout;
    options->setContentsMargins(16, 0, 0, 0);
    options->addWidget(m_controls.plain_check_box(support_unicode, tr("Support &Unicode")));
    options->addWidget(
        m_controls.plain_check_box(create_database_statement, tr("Insert 'CREATE &DATABASE' statement")));
    options->addWidget(m_controls.plain_check_box(create_table_statements, tr("Insert 'CREATE &TABLE' statements")));
    options->addWidget(m_controls.plain_check_box(insert_comments, tr("Insert &comments")));
    layout->addLayout(options);
    layout->addStretch();
}

void dump_settings_page::on_command(int id, int notification)
{
    const bool option = id >= support_unicode && id <= insert_comments;
    if (option && notification == gui::clicked)
        invert_chbox(id);
}

void dump_settings_page::invert_chbox(int id)
{
    wizard_page::invert_chbox(id);
    // The CREATE DATABASE box keeps its check mark while greyed.
    if (id == create_table_statements)
        enable_ctrl(create_database_statement, m_controls.is_checked(create_table_statements));
}

int dump_settings_page::page_init()
{
    tk_log(1, "dump_settings_page::page_init");
    const script_settings options = converter().get_script_settings();
    m_controls.set_checked(support_unicode, options.unicode);
    m_controls.set_checked(create_database_statement, options.create_database);
    m_controls.set_checked(create_table_statements, options.structure);
    enable_ctrl(create_database_statement, options.structure);
    m_controls.set_checked(insert_comments, options.comments);
    return 1;
}

void dump_settings_page::store_settings()
{
    script_settings options;
    options.unicode = m_controls.is_checked(support_unicode);
    options.create_database = m_controls.is_checked(create_database_statement);
    options.structure = m_controls.is_checked(create_table_statements);
    options.comments = m_controls.is_checked(insert_comments);
    converter().set_script_settings(options);
}

void dump_settings_page::on_help()
{
    wizard_shell::display_help(gui::help_script_settings);
}

int dump_settings_page::on_next()
{
    store_settings();
    return gui::neighbour_page;
}

int dump_settings_page::on_back()
{
    store_settings();
    return gui::page_mysql_settings;
}
