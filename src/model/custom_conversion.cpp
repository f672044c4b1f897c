#include "model/custom_conversion.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

namespace {

using registry = tk_singleton<udb_custom_conversion_registry>;

// The first registered rule that `accepts` the case, or null.
template <class Accepts>
udb_conversion_rule* first_rule(Accepts accepts)
{
    if (!registry::is_initialized())
        return nullptr;
    for (udb_conversion_rule* rule : registry::ref().rules) {
        if (accepts(*rule))
            return rule;
    }
    return nullptr;
}

udb_conversion_rule* first_column_rule(const t_ftd& column)
{
    return first_rule([&](udb_conversion_rule& rule) { return rule.accept_column(column); });
}

udb_conversion_rule* first_value_rule(const udb_field& value)
{
    return first_rule([&](udb_conversion_rule& rule) { return rule.accept_value(value); });
}

bool has_rules()
{
    return registry::is_initialized() && !registry::ref().rules.empty();
}

}  // namespace

bool udb_custom_conversion::is_acceptable1(const t_ftd& column)
{
    tk_log(1, "udb_custom_conversion::is_acceptable1");
    return first_column_rule(column) != nullptr;
}

bool udb_custom_conversion::is_acceptable2(const udb_field& value)
{
    tk_log(1, "udb_custom_conversion::is_acceptable2");
    return first_value_rule(value) != nullptr;
}

std::wstring udb_custom_conversion::handle1(const t_ftd& column)
{
    tk_log(1, "udb_custom_conversion::handle1");
    udb_conversion_rule* rule = first_column_rule(column);
    return rule == nullptr ? std::wstring() : rule->produce_column(column);
}

std::wstring udb_custom_conversion::handle2(const udb_field& value)
{
    tk_log(1, "udb_custom_conversion::handle2");
    if (!has_rules())
        return std::wstring();
    udb_conversion_rule* rule = first_value_rule(value);
    if (rule == nullptr)
        throw tk_mail_assertion("udb_rule.cpp", 88);
    return rule->produce_value(value);
}

void udb_custom_conversion::handle1_1(const t_ftd& column, void* extra)
{
    tk_log(1, "udb_custom_conversion::handle1_1");
    if (udb_conversion_rule* rule = first_column_rule(column))
        rule->apply_column(column, extra);
}
