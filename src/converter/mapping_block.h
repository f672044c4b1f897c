// The type-mapping rules as the indented text block of a profile's
// "Type Mappings" section: the writer and the reader of udb_db_mutator.
//
//   database:
//     <property>: <value>
//   tables:
//     - name: <source table>
//       new_name: <destination table>
//       fields:
//         - name:<source column>
//           new_name: ... status: deleted|changed, type, default_value,
//           character_set, length, scale, precision
//       properties:
//           <property>: <value>
#pragma once

#include "converter/db_mutator.h"
#include "model/profile.h"
#include "toolkit/tk_string_utils.h"

#include <cstdint>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr const wchar_t* udb_section_type_mappings = L"Type Mappings";

namespace mapping_block {

// A leading sign and decimal digits; no digits read as 0.
inline std::int32_t leading_number(const std::wstring& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - L'0'), std::int64_t(1) << 32);
    return static_cast<std::int32_t>(negative ? -value : value);
}

inline bool starts_with(const std::wstring& line, const wchar_t* prefix, std::wstring* rest = nullptr)
{
    if (!line.starts_with(prefix))
        return false;
    if (rest != nullptr)
        *rest = tk_trim(line.substr(std::wcslen(prefix)));
    return true;
}

// "key: value" as a property; lines of another shape are skipped.
inline void read_property(const std::wstring& line, udb_property_set& properties)
{
    std::vector<std::wstring> pieces = tk_split(line, L':');
    if (pieces.size() == 2)
        properties[tk_trim(pieces[0])] = tk_trim(pieces[1]);
}

template <class NativeType>
struct column_entry {
    std::wstring new_name;
    bool deleted = false;
    NativeType type;
};

template <class NativeType>
struct table_entry {
    std::wstring new_name;
    std::map<std::wstring, column_entry<NativeType>> columns;
    udb_property_set properties;
};

enum class state { table_opened, new_name_read, fields_opened, column_opened, column_key_read, table_properties };

// Reads the lines after "tables:"; no value when they break the grammar,
// with `failed` the index of the line that broke it.
template <class NativeType>
std::optional<std::map<std::wstring, table_entry<NativeType>>> read_tables(const std::vector<std::wstring>& lines,
                                                                           std::size_t first, std::size_t& failed)
{
    std::map<std::wstring, table_entry<NativeType>> tables;
    state current = state::table_opened;
    std::wstring table;
    std::wstring column;
    auto in_column = [&] { return current == state::column_opened || current == state::column_key_read; };
    auto broken = [&](std::size_t at) {
        failed = at;
        return std::nullopt;
    };
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        tk_log(2, L"Processing '%ls'", line.c_str());
        std::wstring rest;
        if (starts_with(line, L"  - name:", &rest)) {
            table = rest;
            column.clear();
            if (auto entry = tables.find(table); entry != tables.end())
                entry->second.new_name.clear();
            current = state::table_opened;
        } else if (starts_with(line, L"    properties:")) {
            current = state::table_properties;
        } else if (current == state::table_properties && starts_with(line, L"        ")) {
            read_property(line, tables[table].properties);
        } else if (starts_with(line, L"    new_name:", &rest)) {
            if (current != state::table_opened)
                return broken(i);
            tk_log(1, L"tm_new_table_name=%ls", rest.c_str());
            tables[table].new_name = rest;
            current = state::new_name_read;
        } else if (starts_with(line, L"    fields:")) {
            if (current == state::fields_opened || current == state::table_properties)
                return broken(i);
            column.clear();
            current = state::fields_opened;
        } else if (starts_with(line, L"      - name:", &rest)) {
            if (current != state::fields_opened && !in_column())
                return broken(i);
            column = rest;
            current = state::column_opened;
        } else {
            if (!in_column())
                return broken(i);
            column_entry<NativeType>& entry = tables[table].columns[column];
            if (starts_with(line, L"        new_name:", &rest))
                entry.new_name = rest;
            else if (starts_with(line, L"        status:", &rest))
                entry.deleted = rest == L"deleted";
            else if (starts_with(line, L"        type:", &rest))
                entry.type.type = rest;
            else if (starts_with(line, L"        default_value:", &rest))
                entry.type.default_value = rest;
            else if (starts_with(line, L"        character_set:", &rest))
                entry.type.character_set = rest;
            else if (starts_with(line, L"        length:", &rest))
                entry.type.length = static_cast<std::uint64_t>(static_cast<std::int64_t>(leading_number(rest)));
            else if (starts_with(line, L"        scale:", &rest))
                entry.type.scale = static_cast<std::uint32_t>(leading_number(rest));
            else if (starts_with(line, L"        precision:", &rest))
                entry.type.prec = static_cast<std::uint32_t>(leading_number(rest));
            else
                return broken(i);
            current = state::column_key_read;
        }
    }
    return tables;
}

}  // namespace mapping_block

template <class TableMutator, const char* Map, const char* Typ>
bool udb_db_mutator<TableMutator, Map, Typ>::load(udb_profile& profile)
{
    tk_log(2, "udb_db_mutator::load");
    clear();
    const std::vector<std::wstring>& lines = profile.get_items(udb_section_type_mappings);
    std::size_t next = 0;
    if (!lines.empty() && lines[0] == L"database:") {
        for (next = 1; next < lines.size() && lines[next].starts_with(L"  "); ++next)
            mapping_block::read_property(lines[next], properties);
    }
    if (next == lines.size())
        return true;
    if (lines[next] != L"tables:") {
        tk_log(2, L"Skipping %ls", lines[next].c_str());
        return true;
    }
    std::size_t failed = 0;
    auto tables_read = mapping_block::read_tables<native_type>(lines, next + 1, failed);
    if (!tables_read) {
        profile.load_error = L"line " + std::to_wstring(profile.item_line(udb_section_type_mappings, failed)) + L": '" +
                             tk_trim(lines[failed]) + L"' does not fit the type mappings";
        return false;
    }
    for (auto& [name, table] : *tables_read) {
        TableMutator* rule = get_table_mutator2(name, table.new_name.empty() ? name : table.new_name);
        for (auto& [column, entry] : table.columns) {
            auto* field = rule->update_field(column, entry.new_name.empty() ? column : entry.new_name, entry.type);
            field->status = entry.deleted ? udb_mutators::deleted : udb_mutators::changed;
        }
        for (const auto& [key, value] : table.properties)
            rule->properties[key] = value;
    }
    return true;
}

template <class TableMutator, const char* Map, const char* Typ>
bool udb_db_mutator<TableMutator, Map, Typ>::store(udb_profile& profile) const
{
    auto write = [&](const std::wstring& line) { profile.add_item(udb_section_type_mappings, line); };
    auto number = [](auto value) { return std::to_wstring(static_cast<std::int32_t>(value)); };
    write(L"database:");
    for (const auto& [key, value] : properties)
        write(L"  " + key + L": " + value);
    write(L"tables:");
    for (const auto& [name, table] : tables) {
        write(L"  - name: " + name);
        write(L"    new_name: " + table->new_name);
        write(L"    fields:");
        for (const auto& [column, field] : table->field_mutators) {
            write(L"      - name:" + column);
            write(L"        new_name: " + field->new_name);
            write(std::wstring(L"        status: ") +
                  (field->status == udb_mutators::deleted ? L"deleted" : L"changed"));
            write(L"        type: " + field->type.type);
            write(L"        default_value: " + field->type.default_value);
            write(L"        character_set: " + field->type.character_set);
            write(L"        length: " + number(field->type.length));
            write(L"        scale: " + number(field->type.scale));
            write(L"        precision: " + number(field->type.prec));
        }
        if (!table->properties.empty()) {
            write(L"    properties:");
            for (const auto& [key, value] : table->properties)
                write(L"        " + key + L": " + value);
        }
    }
    return true;
}
