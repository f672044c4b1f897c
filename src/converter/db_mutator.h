// The type-mapping rules of a conversion: database properties and the rules
// of each table, by source name. Look-ups are exact and case-sensitive.
#pragma once

#include "converter/table_mutator.h"

#include <map>
#include <memory>
#include <set>
#include <string>

class udb_profile;

// Map and Typ name the type catalogue files that the column editor reads.
template <class TableMutator, const char* Map, const char* Typ>
class udb_db_mutator : public udb_properties {
public:
    using native_type = typename TableMutator::native_type;
    static constexpr const char* map_file = Map;
    static constexpr const char* typ_file = Typ;

    udb_db_mutator() = default;
    ~udb_db_mutator() override { clear(); }
    udb_db_mutator(const udb_db_mutator&) = delete;
    udb_db_mutator& operator=(const udb_db_mutator&) = delete;

    udb_properties* get_child(const std::wstring& name) override { return get_table_mutator3(name); }
    udb_properties* get_child2(const std::wstring& name) override
    {
        auto rule = by_new_name.find(name);
        return rule == by_new_name.end() ? nullptr : rule->second;
    }

    // Fills the type description of a column and its destination type text.
    virtual void get_native_type_info(t_ftd& column, native_type& type) = 0;
    // The names the column editor leaves out of the type catalogue: none.
    virtual const std::set<std::wstring>& get_filter()
    {
        static const std::set<std::wstring> no_names;
        return no_names;
    }

    // The rule of the source table, renamed to `new_name`; made when missing.
    TableMutator* get_table_mutator2(const std::wstring& source_name, const std::wstring& new_name)
    {
        std::unique_ptr<TableMutator>& slot = tables[source_name];
        if (slot) {
            tk_log(2, L"udb_table_mutator::set_new_name(%ls)", new_name.c_str());
            slot->new_name = new_name;
        } else {
            slot = std::make_unique<TableMutator>(new_name);
            by_new_name.try_emplace(new_name, slot.get());
        }
        return slot.get();
    }

    // The rule of the source table, or null.
    TableMutator* get_table_mutator3(const std::wstring& source_name) const
    {
        tk_log(2, L"get_table_mutator3(%ls)", source_name.c_str());
        auto rule = tables.find(source_name);
        return rule == tables.end() ? nullptr : rule->second.get();
    }

    // Removes every table rule; the database properties stay.
    void clear()
    {
        by_new_name.clear();
        tables.clear();
    }

    // The rules from and to the profile's "Type Mappings" block. load replaces
    // the table rules and is false when the block breaks its grammar.
    bool load(udb_profile& profile);
    bool store(udb_profile& profile) const;

    std::map<std::wstring, std::unique_ptr<TableMutator>> tables;
    std::map<std::wstring, TableMutator*> by_new_name;
};
