// Helpers for the T-SQL script tests: a scratch folder, schemas and records
// built in a line, an error handler that records reports, and golden files.
#pragma once

#include "model/column_descriptor.h"
#include "model/index.h"
#include "model/record.h"
#include "model/schema.h"
#include "toolkit/error_handler.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mss_test {

class scratch_folder {
public:
    scratch_folder();
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::wstring file(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

class recording_error_handler : public error_handler {
public:
    void set_context(const std::wstring& context) override { this->context = context; }
    void handle(const tk_exception& exception, bool outer) override;
    void clear();

    std::wstring context;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> codes;
    std::vector<bool> outer_flags;
};

struct column_def {
    std::wstring name;
    VARTYPE vartype;
    std::int32_t size = 0;
    bool not_null = false;
    bool identity = false;
    ole_variant default_value = ole_variant();
    std::uint32_t subtype = 0;
    std::int32_t precision = 0;
    std::int32_t scale = 0;
};

// An index of the given kind on the columns.
udb_index make_index(const wchar_t* name, bool unique, bool primary, std::vector<std::wstring> fields,
                     bool unique_constraint = false);

// A schema that owns descriptors made from the definitions.
udb_schema make_schema(const std::vector<column_def>& columns);

// A record with one field per value, named as the schema's columns.
void fill_record(udb_record& record, const udb_schema& schema, const std::vector<ole_variant>& values);

std::string read_bytes(const std::wstring& path);
void write_bytes(const std::wstring& path, const std::string& bytes);

// Fails the test for each rule of support/tsql_rules.h the script breaks:
// the T-SQL peer does not enforce them, SQL Server does.
void expect_sql_server_rules(const std::string& script);

// The script with the parts that change from run to run replaced: the
// creation date and the scratch folder; the script is held to the rules
// above.
std::string stable_script(const std::string& script, const scratch_folder& folder);

// The golden file's bytes, each "@@KEY@@" replaced by its text; the actual
// script is held to the rules above. With the
// environment variable VELMORA_UPDATE_GOLDEN set, the actual script is
// stored as the golden file first.
std::string golden(const std::string& name, const std::string& actual,
                   const std::vector<std::pair<std::string, std::string>>& replacements = {});

}  // namespace mss_test
