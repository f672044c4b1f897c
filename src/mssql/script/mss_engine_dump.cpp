// The engine creates script writers without depending on their header.
#include "mssql/mss_engine.h"
#include "mssql/script/script_writer.h"
#include "toolkit/tk_log.h"

mss_dmp_database* mss_engine::create_dump(const std::wstring& file_name, const mss_dump_options& options)
{
    tk_log(3, L"Creating MS SQL dump file '%ls'", file_name.c_str());
    return new mss_dmp_database(file_name, options);
}
