// Foreign keys of a database.
#pragma once

#include <string>
#include <vector>

class udb_relationship {
public:
    udb_relationship(const std::wstring& name, const std::wstring& name2, const std::wstring& fk_table,
                     const std::wstring& pk_table, const std::vector<std::wstring>& fk_flds,
                     const std::vector<std::wstring>& pk_flds, const std::wstring& rule);
    // A copy leaves the second name empty: it is the reading side's own note.
    udb_relationship(const udb_relationship& that);
    udb_relationship& operator=(const udb_relationship& that) = default;

    std::wstring name;
    std::wstring name2;
    std::wstring fk_table;
    std::wstring pk_table;
    // The referenced table's database when it is not the referencing one's.
    std::wstring pk_database;
    std::wstring rule;
    std::vector<std::wstring> fk_flds;
    std::vector<std::wstring> pk_flds;
};

// All names below compare ignoring case.
class udb_relationships : public std::vector<udb_relationship> {
public:
    bool find(const std::wstring& name, const std::wstring& pk_table, const std::wstring& fk_table) const;
    // The first matching record; an internal error when there is none.
    const udb_relationship& get(const std::wstring& name, const std::wstring& pk_table,
                                const std::wstring& fk_table) const;
    const udb_relationship& get_index(const std::wstring& name) const;
    bool is_acceptable_name(const std::wstring& name) const;
};
