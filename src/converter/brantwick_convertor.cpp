// The converter's life and its questions about the source (tables, views,
// schemas, a query's test); the run, the destination, the settings and the
// front ends' calls live in brantwick_convertor_*.cpp.
#include "converter/brantwick_convertor.h"

#include "converter/shell_services.h"
#include "model/database.h"
#include "model/recordset.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cstdio>
#include <memory>

namespace {

constexpr const char* registry_key_path = "Software\\Quarnel\\Velmora";

// Open modes of the source database.
constexpr std::uint32_t open_for_schema = 1;
constexpr std::uint32_t open_for_views = 33;
constexpr std::uint32_t open_for_tables = 161;

}  // namespace

brantwick_convertor::brantwick_convertor(convertor_form form) : tk_serializer(registry_key_path), m_form(form)
{
    tk_log(2, "brantwick_convertor::ctor");
    if (m_form != convertor_form::wizard)
        return;
    serialize(false);
    // The wizard's pages and profiles name a log long before a run: its
    // first line would empty the file, so the log opens only with a run.
    hold_log();
}

brantwick_convertor::~brantwick_convertor()
{
    tk_log(2, "brantwick_convertor::dtor");
    if (m_form == convertor_form::wizard)
        serialize(true);
}

bool brantwick_convertor::test_query(const std::wstring& query)
{
    return mysql_converter_impl::test_query(get_source_name(), query);
}

void brantwick_convertor::get_all_tables(std::vector<std::wstring>& tables)
{
    std::unique_ptr<udb_database> source(mysql_engine.open_db(get_source_name(), open_for_tables));
    tables = source->get_table_names();
}

void brantwick_convertor::get_all_views(std::vector<std::pair<std::wstring, std::wstring>>& views)
{
    std::unique_ptr<udb_database> source(mysql_engine.open_db(get_source_name(), open_for_views));
    views = source->views;
}

udb_schema brantwick_convertor::get_schema(const std::wstring& table)
{
    std::unique_ptr<udb_database> source(mysql_engine.open_db(get_source_name(), open_for_schema));
    if (!source->is_table_exist(table))
        throw tk_mail_assertion("bwk_conv", 560);
    std::unique_ptr<udb_recordset> opened(source->get_table(table, open_for_schema));
    return udb_schema(opened->schema);
}

std::wstring brantwick_convertor::get_current_table() const
{
    std::lock_guard lock(m_current_table_mutex);
    return current_table;
}

void brantwick_convertor::set_current_table(const std::wstring& name)
{
    std::lock_guard lock(m_current_table_mutex);
    current_table = name;
}

void brantwick_convertor::show(const std::wstring& text, const std::string& console_text) const
{
    tk_log(3, L"%ls", text.c_str());
    if (shell_services::ready())
        shell_services::instance().write_log(text);
    else if (m_form == convertor_form::console && !is_silent()) {
        std::fputs(console_text.c_str(), stdout);
        std::fflush(stdout);
    }
}
