// The user's rule for one table: its destination name and the rules of its
// columns, applied to the table's indexes, its schema and each record.
#pragma once

#include "converter/field_mutator.h"
#include "model/index.h"
#include "model/record.h"
#include "model/schema.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

template <class FieldMutator>
class udb_table_mutator : public udb_properties {
public:
    using native_type = typename FieldMutator::native_type;

    explicit udb_table_mutator(const std::wstring& new_name) : new_name(new_name)
    {
        tk_log(2, L"udb_table_mutator::ctor(%ls)", new_name.c_str());
    }

    // The column rule by source name.
    udb_properties* get_child(const std::wstring& name) override { return find(name); }
    // The column rule by new name.
    udb_properties* get_child2(const std::wstring& name) override
    {
        auto rule = by_new_name.find(name);
        return rule == by_new_name.end() ? nullptr : rule->second;
    }

    FieldMutator* find(const std::wstring& source_name) const
    {
        auto rule = field_mutators.find(source_name);
        return rule == field_mutators.end() ? nullptr : rule->second.get();
    }
    bool has_field_mutators() const { return !field_mutators.empty(); }

    // Makes or changes the rule of a column; an existing rule keeps its status.
    FieldMutator* update_field(const std::wstring& old_name, const std::wstring& new_name_, const native_type& type)
    {
        tk_log(2, L"udb_table_mutator::update_field(old_name=%ls,new_name=%ls,native_type=%ls,length=%d)",
               old_name.c_str(), new_name_.c_str(), type.type.c_str(), static_cast<int>(type.length));
        std::unique_ptr<FieldMutator>& slot = field_mutators[old_name];
        if (!slot) {
            tk_log(2, L"create_field_mutator(%ls)", new_name_.c_str());
            slot = std::make_unique<FieldMutator>(new_name_, type, udb_mutators::changed);
        }
        by_new_name.try_emplace(new_name_, slot.get());
        slot->set_type(type);
        slot->new_name = new_name_;
        slot->type = type;
        return slot.get();
    }

    // Forgets the rule of a column: the column converts as the source has it.
    void remove_field(const std::wstring& source_name)
    {
        const auto rule = field_mutators.find(source_name);
        if (rule == field_mutators.end())
            return;
        std::erase_if(by_new_name, [&](const auto& entry) { return entry.second == rule->second.get(); });
        field_mutators.erase(rule);
    }

    // Drops deleted columns from every index key and renames the others; an
    // index left without columns is dropped.
    void modify3(udb_indexes& indexes) const
    {
        tk_log(2, "udb_table_mutator::modify3()");
        auto emptied = [&](udb_index& index) {
            if (index.fields.empty())
                return false;
            std::erase_if(index.fields, [&](const std::wstring& column) {
                const FieldMutator* rule = find(column);
                return rule != nullptr && rule->status == udb_mutators::deleted;
            });
            for (std::wstring& column : index.fields) {
                if (const FieldMutator* rule = find(column))
                    column = rule->new_name;
            }
            if (!index.fields.empty())
                return false;
            tk_log(2, L"Index '%ls' lost all its columns, dropped", index.name.c_str());
            return true;
        };
        std::erase_if(indexes, emptied);
    }

    // Applies the column rules to the schema and gives the table's new name.
    virtual std::wstring modify1(udb_schema& schema)
    {
        tk_log(2, "udb_table_mutator::modify1()");
        if (has_field_mutators()) {
            udb_schema copy = create_modified_copy2(schema);
            for (t_ftd* column : copy) {
                const FieldMutator* rule = column == nullptr ? nullptr : find(column->name);
                if (rule != nullptr && rule->status == udb_mutators::changed)
                    rule->modify1(*column);
                else if (rule != nullptr && rule->status == udb_mutators::created)
                    tk_log(2, "udb_field_mutator::create1");
            }
            schema = std::move(copy);
        }
        tk_log(2, L"returning new_name=%ls", new_name.c_str());
        return new_name;
    }

    // The record under the column rules: deleted columns left out, the others
    // renamed and converted. The result belongs to this rule and lives until
    // the next call; without column rules it is the record itself.
    virtual udb_record& modify2(udb_record& record)
    {
        tk_log(2, "udb_table_mutator::modify2()");
        if (!has_field_mutators()) {
            tk_log(2, "field_mutators.size == 0, nothing to do");
            return record;
        }
        create_modified_copy1(record);
        tk_log(2, "udb_table_mutator::modify2 - END");
        return m_record;
    }

    std::map<std::wstring, std::unique_ptr<FieldMutator>> field_mutators;
    std::map<std::wstring, FieldMutator*> by_new_name;
    std::wstring new_name;

private:
    udb_schema create_modified_copy2(const udb_schema& schema) const
    {
        tk_log(2, "create_modified_copy2");
        udb_schema copy(true);
        for (const t_ftd* column : schema) {
            if (column == nullptr)
                continue;
            const FieldMutator* rule = find(column->name);
            if (rule == nullptr)
                copy.push_back(new t_ftd(*column));
            else if (rule->status != udb_mutators::deleted)
                copy.push_back(rule->create2(column).release());
        }
        tk_log(2, "create_modified_copy2 - END");
        return copy;
    }

    void create_modified_copy1(const udb_record& record)
    {
        tk_log(2, "create_modified_copy1");
        for (udb_field* field : m_record)
            delete field;
        m_record.clear();
        for (const udb_field* field : record) {
            if (field == nullptr)
                continue;
            tk_log(1, L"Field name='%ls'", field->name.c_str());
            const FieldMutator* rule = find(field->name);
            if (rule == nullptr) {
                tk_log(1, "Failed to find field");
                m_record.push_back(new udb_field(*field));
            } else if (rule->status == udb_mutators::deleted) {
                tk_log(1, "status == udb_mutators::deleted, cotinue");
            } else {
                auto copy = rule->create_field(*field);
                m_record.push_back(copy.release());
            }
        }
        tk_log(2, "create_modified_copy1 - END");
    }

    udb_record m_record;
};
