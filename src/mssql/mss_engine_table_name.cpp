// The engine's canonical table name. It needs the name splitter, which reads
// the engine's flags in turn, so it lives apart from the engine's core.
#include "mssql/mss_engine.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"

std::wstring mss_engine::get_safe_tname(const std::wstring& name)
{
    std::wstring tab_name;
    std::wstring owner;
    mss_split_tab_name(name, tab_name, owner);
    if (!owner.empty()) {
        tk_log(2, "This is a full canonized table name");
        return mss_quote_name(owner) + L"." + mss_quote_name(tab_name);
    }
    std::wstring prefix = L"[dbo].";
    const mss_engine& engine = instance();
    if (!engine.user.empty() && !engine.as_dbo && !platform::equal_ignoring_case(engine.user, L"sa"))
        prefix = mss_quote_name(engine.user) + L".";
    std::wstring result = prefix + mss_quote_name(name);
    tk_log(2, L"result=%ls", result.c_str());
    return result;
}
