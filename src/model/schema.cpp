#include "model/schema.h"

#include "model/name_compare.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <utility>

udb_schema::udb_schema(bool owner) : owner(owner) {}

udb_schema::udb_schema(const udb_schema& that)
    : std::vector<t_ftd*>(), owner(true), identity_seed(that.identity_seed), identity_increment(that.identity_increment)
{
    reserve(that.size());
    for (const t_ftd* column : that)
        push_back(column == nullptr ? nullptr : new t_ftd(*column));
}

udb_schema& udb_schema::operator=(const udb_schema& that)
{
    if (this != &that) {
        udb_schema copy(that);
        reset();
        swap(copy);
        owner = true;
        identity_seed = that.identity_seed;
        identity_increment = that.identity_increment;
    }
    return *this;
}

udb_schema::udb_schema(udb_schema&& that) noexcept
    : std::vector<t_ftd*>(std::move(that)), owner(that.owner), identity_seed(that.identity_seed),
      identity_increment(that.identity_increment)
{
    that.clear();
}

udb_schema& udb_schema::operator=(udb_schema&& that) noexcept
{
    if (this != &that) {
        reset();
        swap(that);
        owner = that.owner;
        identity_seed = that.identity_seed;
        identity_increment = that.identity_increment;
    }
    return *this;
}

udb_schema::~udb_schema()
{
    reset();
}

void udb_schema::reset()
{
    if (owner) {
        for (t_ftd* column : *this)
            delete column;
    }
    clear();
}

t_ftd* udb_schema::find(const std::wstring& name) const
{
    auto it = std::find_if(begin(), end(),
                           [&](const t_ftd* column) { return column != nullptr && udb_same_name(column->name, name); });
    return it == end() ? nullptr : *it;
}

t_ftd* udb_schema::find_logged(const std::wstring& name) const
{
    t_ftd* column = find(name);
    if (column == nullptr)
        tk_log(2, L"Field '%ls' not found", name.c_str());
    return column;
}

bool udb_schema::find_field(const std::wstring& name) const
{
    return find(name) != nullptr;
}

t_ftd* udb_schema::get_field1(const std::wstring& name) const
{
    return find_logged(name);
}

t_ftd* udb_schema::get_field2(const std::wstring& name) const
{
    return find_logged(name);
}

std::int32_t udb_schema::get_field_idx(const std::wstring& name) const
{
    t_ftd* column = find(name);
    if (column == nullptr)
        return -1;
    return static_cast<std::int32_t>(std::find(begin(), end(), column) - begin());
}

std::int32_t udb_schema::get_field_size(const std::wstring& name) const
{
    const t_ftd* column = find(name);
    if (column == nullptr) {
        tk_log(3, L"Field '%ls' not found", name.c_str());
        return -1;
    }
    return column->size;
}

VARTYPE udb_schema::get_field_type(const std::wstring& name) const
{
    const t_ftd* column = find_logged(name);
    return column == nullptr ? VARTYPE(VT_NULL) : column->vartype;
}

bool udb_schema::conform_to(const udb_schema& dest, bool by_name) const
{
    if (size() != dest.size()) {
        tk_log(2, "Tables are not conformed: src_size=%d, dest_size=%d", static_cast<int>(size()),
               static_cast<int>(dest.size()));
        return false;
    }
    for (std::size_t i = 0; i < size(); ++i) {
        const t_ftd* src = (*this)[i];
        if (src == nullptr)
            continue;
        const t_ftd* target = by_name ? dest.find(src->name) : dest[i];
        if (target == nullptr) {
            tk_log(2, L"Field '%ls' is not found in record", src->name.c_str());
            return false;
        }
        if (!src->conform_to(*target)) {
            tk_log(2, "Column #%d doesn't conform (src_vt=%d, src_size=%d, dest_vt=%d, dest_size=%d)",
                   static_cast<int>(i + 1), src->vartype, src->size, target->vartype, target->size);
            return false;
        }
    }
    return true;
}
