#include "direct_path_fixture.h"

#include "platform/oledb/providers.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

void recording_error_handler::handle(const tk_exception& exception, bool outer)
{
    reports.push_back({get_context(), exception.what(), exception.get_code(), outer});
    if (abort && !outer && exception.get_code() == 0)
        throw tk_final_exception();
}

log_capture::log_capture(std::uint32_t threshold)
    : m_path("/tmp/velmora-direct-" + std::to_string(getpid()) + ".log"),
      m_logger(std::make_unique<tk_logger>(m_path.c_str(), 1, threshold, 0))
{}

log_capture::~log_capture()
{
    m_logger.reset();
    std::remove(m_path.c_str());
}

std::string log_capture::text() const
{
    std::ifstream file(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void direct_path_fixture::SetUp()
{
    oledb::install_providers({server, nullptr, nullptr});
}

void direct_path_fixture::connect(const std::wstring& version_text, bool fast_load)
{
    server->answer(L"SELECT @@VERSION", {{fake::wide_text_column(L"", 300)}, {text_row({version_text.c_str()})}});
    engine.connect(L"srv", L"sa", L"secret", fast_load);
}

std::unique_ptr<mss_database> direct_path_fixture::open_database(std::uint32_t mode)
{
    return std::unique_ptr<mss_database>(engine.open_db(L"shop", mode, L""));
}

std::vector<std::wstring> direct_path_fixture::sent() const
{
    const std::vector<std::wstring> all = server->statement_texts();
    return std::vector<std::wstring>(all.begin() + static_cast<std::ptrdiff_t>(std::min(m_mark, all.size())),
                                     all.end());
}

void direct_path_fixture::answer_texts(const std::wstring& statement, std::vector<std::wstring> values)
{
    std::vector<fake::row> rows;
    for (std::wstring& value : values)
        rows.push_back({oledb::db_value(std::move(value))});
    server->answer(statement, {{fake::wide_text_column(L"", 200)}, std::move(rows)});
}

fake::row text_row(std::initializer_list<const wchar_t*> values)
{
    fake::row row;
    for (const wchar_t* value : values)
        row.push_back(value ? oledb::db_value(std::wstring(value)) : oledb::db_value());
    return row;
}

udb_record* record_of(std::initializer_list<std::pair<const wchar_t*, ole_variant>> fields)
{
    auto* record = new udb_record;
    for (const auto& [name, value] : fields)
        record->push_back(new udb_field(name, 0, value));
    return record;
}
