#include "model/custom_conversion.h"

#include "model/column_descriptor.h"
#include "model/field.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

class test_rule : public udb_conversion_rule {
public:
    test_rule(std::wstring text, bool accepts) : m_text(std::move(text)), m_accepts(accepts) {}

    bool accept_value(const udb_field&) override { return m_accepts; }
    bool accept_column(const t_ftd&) override { return m_accepts; }
    std::wstring produce_value(const udb_field&) override { return m_text; }
    void apply_column(const t_ftd&, void* extra) override { *static_cast<std::wstring*>(extra) = m_text; }
    std::wstring produce_column(const t_ftd&) override { return L"type " + m_text; }

private:
    std::wstring m_text;
    bool m_accepts;
};

class custom_conversion : public testing::Test {
protected:
    udb_field value{L"f", 1, ole_variant(std::int32_t(1))};
    t_ftd column{4, L"c", VT_I4, false, false, ole_variant()};
    std::wstring extra = L"untouched";
};

TEST_F(custom_conversion, without_rules_the_built_in_handling_stands)
{
    auto check = [&] {
        EXPECT_FALSE(udb_custom_conversion::is_acceptable1(column));
        EXPECT_FALSE(udb_custom_conversion::is_acceptable2(value));
        EXPECT_EQ(udb_custom_conversion::handle1(column), L"");
        EXPECT_EQ(udb_custom_conversion::handle2(value), L"");
        udb_custom_conversion::handle1_1(column, &extra);
        EXPECT_EQ(extra, L"untouched");
    };
    check();
    udb_custom_conversion_registry registry;
    check();
}

TEST_F(custom_conversion, first_accepting_rule_wins)
{
    test_rule refusing(L"no", false);
    test_rule first(L"first", true);
    test_rule second(L"second", true);
    udb_custom_conversion_registry registry;
    registry.rules = {&refusing, &first, &second};

    EXPECT_TRUE(udb_custom_conversion::is_acceptable1(column));
    EXPECT_TRUE(udb_custom_conversion::is_acceptable2(value));
    EXPECT_EQ(udb_custom_conversion::handle2(value), L"first");
    EXPECT_EQ(udb_custom_conversion::handle1(column), L"type first");
    udb_custom_conversion::handle1_1(column, &extra);
    EXPECT_EQ(extra, L"first");
}

TEST_F(custom_conversion, value_no_rule_accepts_is_an_internal_error)
{
    test_rule refusing(L"no", false);
    udb_custom_conversion_registry registry;
    registry.rules = {&refusing};
    EXPECT_EQ(udb_custom_conversion::handle1(column), L"");
    EXPECT_THROW(udb_custom_conversion::handle2(value), tk_mail_assertion);
}

}  // namespace
