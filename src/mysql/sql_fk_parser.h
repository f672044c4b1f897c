// Reads the foreign keys out of the text of SHOW CREATE TABLE, where the server
// writes one clause per line:
//   CONSTRAINT `name` FOREIGN KEY (`a`, `b`) REFERENCES `db`.`table` (`x`, `y`) ON DELETE ...,
#pragma once

#include "model/relationship.h"

#include <optional>
#include <string>
#include <vector>

class sql_fk_parser {
public:
    // `table` is the referencing table, `text` the CREATE TABLE statement (UTF-8).
    sql_fk_parser(const std::wstring& table, const std::string& text);

    // Appends one relationship per foreign-key clause, in the order of the
    // text. Gives the lines that hold a foreign-key clause it cannot read, so
    // that no key is lost unsaid.
    std::vector<std::string> do_parse(udb_relationships& relationships) const;

    // Appends the names of a comma-separated list of names, each in backticks
    // (an embedded backtick written twice) or bare. Always true.
    static bool get_columns(const std::wstring& text, std::vector<std::wstring>& columns);

private:
    std::optional<udb_relationship> parse_clause(const std::string& line) const;

    std::wstring m_table;
    std::vector<std::string> m_chunks;
};
