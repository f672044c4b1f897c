#include "converter/view_order.h"

#include "model/name_compare.h"

#include <algorithm>
#include <cwctype>

namespace {

bool is_name_character(wchar_t c)
{
    return c == L'_' || c == L'$' || c > 0x7F || std::iswalnum(static_cast<wint_t>(c));
}

// Whether the text names the view as a whole name, quoted or not.
bool reads(const std::wstring& text, const std::wstring& view)
{
    if (view.empty() || view.size() > text.size())
        return false;
    for (std::size_t at = 0; at + view.size() <= text.size(); ++at) {
        if (!udb_same_name(std::wstring_view(text).substr(at, view.size()), view))
            continue;
        const bool starts = at == 0 || !is_name_character(text[at - 1]);
        const std::size_t end = at + view.size();
        if (starts && (end == text.size() || !is_name_character(text[end])))
            return true;
    }
    return false;
}

}  // namespace

udb_views order_views_by_reads(const udb_views& views)
{
    udb_views waiting = views;
    udb_views ordered;
    ordered.reserve(views.size());
    while (!waiting.empty()) {
        const auto reads_a_waiting_view = [&](const udb_views::value_type& view) {
            return std::any_of(waiting.begin(), waiting.end(), [&](const udb_views::value_type& other) {
                return !udb_same_name(other.first, view.first) && reads(view.second, other.first);
            });
        };
        auto next = std::find_if_not(waiting.begin(), waiting.end(), reads_a_waiting_view);
        if (next == waiting.end())
            next = waiting.begin();
        ordered.push_back(std::move(*next));
        waiting.erase(next);
    }
    return ordered;
}
