// Special rules that a process may plug into column creation and literal
// writing. No rule is registered by the programs, so the built-in handling
// stands unless a registry exists and one of its rules accepts the case.
#pragma once

#include "toolkit/tk_singleton.h"

#include <string>
#include <vector>

class t_ftd;
class udb_field;

class udb_conversion_rule {
public:
    virtual ~udb_conversion_rule() = default;

    virtual bool accept_value(const udb_field& value) = 0;
    virtual bool accept_column(const t_ftd& column) = 0;
    virtual std::wstring produce_value(const udb_field& value) = 0;
    // `extra` is the caller's own column description, passed through untouched.
    virtual void apply_column(const t_ftd& column, void* extra) = 0;
    virtual std::wstring produce_column(const t_ftd& column) = 0;
};

// The process-wide list of rules, asked in order. It does not own the rules.
class udb_custom_conversion_registry : public tk_singleton<udb_custom_conversion_registry> {
public:
    std::vector<udb_conversion_rule*> rules;
};

class udb_custom_conversion {
public:
    static bool is_acceptable1(const t_ftd& column);
    static bool is_acceptable2(const udb_field& value);
    static std::wstring handle1(const t_ftd& column);
    // Only for a value that some rule accepts; otherwise an internal error.
    static std::wstring handle2(const udb_field& value);
    static void handle1_1(const t_ftd& column, void* extra);
};
