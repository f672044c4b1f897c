#include "model/relationship.h"

#include "model/name_compare.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>

udb_relationship::udb_relationship(const std::wstring& name, const std::wstring& name2, const std::wstring& fk_table,
                                   const std::wstring& pk_table, const std::vector<std::wstring>& fk_flds,
                                   const std::vector<std::wstring>& pk_flds, const std::wstring& rule)
    : name(name), name2(name2), fk_table(fk_table), pk_table(pk_table), rule(rule), fk_flds(fk_flds), pk_flds(pk_flds)
{}

udb_relationship::udb_relationship(const udb_relationship& that)
    : name(that.name), fk_table(that.fk_table), pk_table(that.pk_table), pk_database(that.pk_database), rule(that.rule),
      fk_flds(that.fk_flds), pk_flds(that.pk_flds)
{
    tk_log(2, "udb_relationship::copy ctor");
    tk_log(2, "that.fk_flds.size=%d, fk_flds.size=%d", static_cast<int>(that.fk_flds.size()),
           static_cast<int>(fk_flds.size()));
    tk_log(2, "that.pk_flds.size=%d, pk_flds.size=%d", static_cast<int>(that.pk_flds.size()),
           static_cast<int>(pk_flds.size()));
}

namespace {

template <class Pred>
const udb_relationship* find_first(const udb_relationships& list, Pred pred)
{
    auto it = std::find_if(list.begin(), list.end(), pred);
    return it == list.end() ? nullptr : &*it;
}

const udb_relationship* find_key(const udb_relationships& list, const std::wstring& name, const std::wstring& pk_table,
                                 const std::wstring& fk_table)
{
    return find_first(list, [&](const udb_relationship& r) {
        return udb_same_name(r.name, name) && udb_same_name(r.pk_table, pk_table) &&
               udb_same_name(r.fk_table, fk_table);
    });
}

const udb_relationship* find_named(const udb_relationships& list, const std::wstring& name)
{
    return find_first(list, [&](const udb_relationship& r) { return udb_same_name(r.name, name); });
}

}  // namespace

bool udb_relationships::find(const std::wstring& name, const std::wstring& pk_table, const std::wstring& fk_table) const
{
    tk_log(1, L"udb_relationships::find(%ls,%ls,%ls)", name.c_str(), pk_table.c_str(), fk_table.c_str());
    return find_key(*this, name, pk_table, fk_table) != nullptr;
}

const udb_relationship& udb_relationships::get(const std::wstring& name, const std::wstring& pk_table,
                                               const std::wstring& fk_table) const
{
    tk_log(1, L"udb_relationships::get(%ls,%ls,%ls)", name.c_str(), pk_table.c_str(), fk_table.c_str());
    const udb_relationship* found = find_key(*this, name, pk_table, fk_table);
    if (found == nullptr)
        throw tk_mail_assertion("udb_rel", 192);
    return *found;
}

const udb_relationship& udb_relationships::get_index(const std::wstring& name) const
{
    tk_log(1, L"udb_relationships::get_index(%ls)", name.c_str());
    const udb_relationship* found = find_named(*this, name);
    if (found == nullptr)
        throw tk_mail_assertion("udb_rel", 175);
    return *found;
}

bool udb_relationships::is_acceptable_name(const std::wstring& name) const
{
    tk_log(1, L"udb_relationships::is_acceptable_name(%ls)", name.c_str());
    return find_named(*this, name) == nullptr;
}
