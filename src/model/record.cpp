#include "model/record.h"

#include "model/name_compare.h"
#include "toolkit/tk_log.h"

#include <algorithm>

udb_record::~udb_record()
{
    for (udb_field* field : *this)
        delete field;
    clear();
}

bool udb_record::find_field(const std::wstring& name) const
{
    return get_field(name) != nullptr;
}

udb_field* udb_record::get_field(const std::wstring& name) const
{
    auto it = std::find_if(
        begin(), end(), [&](const udb_field* field) { return field != nullptr && udb_same_name(field->name, name); });
    return it == end() ? nullptr : *it;
}

std::int32_t udb_record::get_total_size() const
{
    // Summed unsigned so that huge values wrap instead of overflowing.
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < size(); ++i) {
        const udb_field* field = (*this)[i];
        if (field == nullptr) {
            tk_log(3, "Incorrect field #%d", static_cast<int>(i));
            continue;
        }
        if (field->get_type() != VT_EMPTY)
            total += field->get_size();
    }
    return static_cast<std::int32_t>(total);
}
