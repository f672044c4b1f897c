#include "mssql/index_names.h"

#include "model/recordset.h"
#include "mssql/client_commands.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <atomic>
#include <cstdint>
#include <cwchar>

std::wstring gen_idx_name(const udb_recordset* table, const std::vector<std::wstring>& fields)
{
    tk_log(1, "mss_database::gen_idx_name");
    if (!table)
        throw tk_mail_assertion("mss_db", 1254);
    return gen_idx_name(table->indexes, fields);
}

std::wstring gen_idx_name(const udb_indexes& indexes, const std::vector<std::wstring>& fields)
{
    std::wstring base = L"UIDX";
    for (const auto& field : fields)
        base += L"_" + field;
    // Made of source names, it is mended as they were.
    base = mss_client_safe_name(std::move(base));
    if (indexes.is_acceptable_name(base))
        return base;
    for (int counter = 0; counter < 100000; ++counter) {
        wchar_t suffix[8];
        std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L"_%05d", counter);
        const std::wstring candidate = base + suffix;
        tk_log(1, L"udb_indexes::is_acceptable_name(%ls)", candidate.c_str());
        if (indexes.is_acceptable_name(candidate))
            return candidate;
    }
    throw tk_mail_assertion("mss_db", 1272);
}

std::wstring gen_idx_name2()
{
    static std::atomic<std::uint64_t> counter = 0;
    tk_log(1, "gen_idx_name2");
    return L"IDX_" + std::to_wstring(++counter);
}
