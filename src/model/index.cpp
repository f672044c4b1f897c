#include "model/index.h"

#include "model/name_compare.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>

udb_index::udb_index(const std::wstring& name, bool unique, bool primary) : name(name), unique(unique), primary(primary)
{
    tk_log(1, L"udb_index::ctor('%ls',%d,%d)", name.c_str(), unique, primary);
}

bool udb_index::starts_with_fields(const std::vector<std::wstring>& names) const
{
    if (names.size() > fields.size())
        return false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!udb_same_name(names[i], fields[i])) {
            tk_log(1, L"Field '%ls' not found", names[i].c_str());
            return false;
        }
    }
    return true;
}

namespace {

template <class List>
auto find_index(List& list, const std::wstring& name)
{
    return std::find_if(list.begin(), list.end(),
                        [&](const udb_index& index) { return udb_same_name(index.name, name); });
}

// What an index of the same name does to the existing entry.
void merge_index(udb_index& existing, const udb_index& added)
{
    if (existing.primary) {
        tk_log(2, "Primary key with the same name exists, skip it.");
        return;
    }
    if (added.primary) {
        tk_log(2, "Upgrade existing index to primary key.");
        existing = added;
        return;
    }
    if (existing.unique_constraint) {
        tk_log(2, "Unique constraint with the same name exists, skip it.");
        return;
    }
    if (added.unique_constraint) {
        tk_log(2, "Set unique constraint attributes for existing index.");
        existing = added;
    }
    if (existing.unique) {
        tk_log(2, "Unique index with the same name exists, skip it.");
        return;
    }
    if (!added.unique)
        return;
    tk_log(2, "Set unique attribute for existing index.");
    existing = added;
}

}  // namespace

udb_index* udb_indexes::find_by_name(const std::wstring& name)
{
    auto it = find_index(*this, name);
    return it == end() ? nullptr : &*it;
}

void udb_indexes::push_back(const udb_index& index)
{
    tk_log(2, L"udb_indexes::push_back(%ls)", index.name.c_str());
    udb_index* existing = find_by_name(index.name);
    if (existing == nullptr) {
        tk_log(2, "Index does not exist, add it");
        std::vector<udb_index>::push_back(index);
        return;
    }
    merge_index(*existing, index);
}

void udb_indexes::push_back_direct(const udb_index& index)
{
    if (find_by_name(index.name) != nullptr) {
        tk_log(2, "Index with the same name exists");
        return;
    }
    std::vector<udb_index>::push_back(index);
}

udb_index& udb_indexes::get_index(const std::wstring& name)
{
    udb_index* index = find_by_name(name);
    if (index == nullptr)
        throw tk_mail_assertion("udb_idx", 179);
    return *index;
}

bool udb_indexes::is_acceptable_name(const std::wstring& name) const
{
    return find_index(*this, name) == end();
}

bool udb_indexes::is_idx_field(const std::wstring& field_name, bool primary_only) const
{
    tk_log(2, L"udb_indexes::is_idx_field(%ls)", field_name.c_str());
    for (const udb_index& index : *this) {
        if (primary_only && !index.primary)
            continue;
        if (std::find(index.fields.begin(), index.fields.end(), field_name) != index.fields.end()) {
            tk_log(1, "index field");
            return true;
        }
    }
    tk_log(1, "non-index field");
    return false;
}

const udb_index* udb_indexes::has_index_on_fields(const std::vector<std::wstring>& names) const
{
    for (const udb_index& index : *this) {
        if (index.starts_with_fields(names))
            return &index;
    }
    return nullptr;
}
