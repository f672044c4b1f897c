#include "mssql/table_names.h"

#include "mssql/mss_engine.h"
#include "toolkit/tk_log.h"

namespace {

// Inside brackets a "]" is written doubled.
std::wstring unbracketed(const std::wstring& piece)
{
    std::wstring result;
    result.reserve(piece.size());
    for (std::size_t i = 0; i < piece.size(); ++i) {
        result += piece[i];
        if (piece[i] == L']' && i + 1 < piece.size() && piece[i + 1] == L']')
            ++i;
    }
    return result;
}

void split_at(const std::wstring& name, std::size_t at, std::size_t separator_length, std::wstring& tab_name,
              std::wstring& owner)
{
    if (at == std::wstring::npos) {
        tk_log(1, "Prepare blank owner for simple name (table only)");
        tab_name = name;
        owner.clear();
        return;
    }
    tk_log(1, "Getting owner for composed name");
    owner = name.substr(0, at);
    tab_name = name.substr(at + separator_length);
}

}  // namespace

void mss_split_tab_name(const std::wstring& name, std::wstring& tab_name, std::wstring& owner)
{
    tk_log(1, L"mss_split_tab_name(%ls)", name.c_str());
    if (name.size() < 3) {
        tab_name = name;
        owner.clear();
        return;
    }
    if (name.front() == L'[' && name.back() == L']') {
        tk_log(1, "Name is enclosed in [...]");
        const std::wstring inner = name.substr(1, name.size() - 2);
        split_at(inner, inner.find(L"].["), 3, tab_name, owner);
        tab_name = unbracketed(tab_name);
        owner = unbracketed(owner);
    } else {
        tk_log(1, "Name is NOT enclosed in [...]");
        tk_log(1, "mss_engine::is_initialized()=%d", mss_engine::is_initialized() ? 1 : 0);
        // A plain name is only understood with an engine to ask.
        const bool view_owned = mss_engine::instance().is_view_owned();
        tk_log(1, "is_view_owned()=%d", view_owned ? 1 : 0);
        split_at(name, name.find(L'.'), 1, tab_name, owner);
    }
    tk_log(1, L"tab_name=%ls, owner=%ls", tab_name.c_str(), owner.c_str());
}

std::wstring mss_simplify_tab_name(const std::wstring& name, wchar_t separator)
{
    tk_log(1, L"mss_simplify_tab_name(%ls)", name.c_str());
    std::wstring tab_name;
    std::wstring owner;
    mss_split_tab_name(name, tab_name, owner);
    if (owner.empty()) {
        tk_log(1, L"Processing simple table name %ls", tab_name.c_str());
        return tab_name;
    }
    tk_log(1, L"Processing compound table name %ls.%ls", owner.c_str(), tab_name.c_str());
    return owner + separator + tab_name;
}
