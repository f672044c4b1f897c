#include "converter/mss_mutators.h"
#include "model/profile.h"
#include "mssql/mss_engine.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

t_ftd column(const std::wstring& name, VARTYPE vartype, std::int32_t size = 0)
{
    return t_ftd(size, name, vartype, false, false, ole_variant());
}

mss_native_type native(const std::wstring& type, std::uint64_t length = 0, std::uint32_t prec = 0,
                       std::uint32_t scale = 0)
{
    mss_native_type result;
    result.type = type;
    result.length = length;
    result.prec = prec;
    result.scale = scale;
    return result;
}

udb_schema schema_of(std::initializer_list<t_ftd> columns)
{
    udb_schema schema(true);
    for (const t_ftd& c : columns)
        schema.push_back(new t_ftd(c));
    return schema;
}

std::vector<std::wstring> names(const udb_schema& schema)
{
    std::vector<std::wstring> result;
    for (const t_ftd* c : schema)
        result.push_back(c->name);
    return result;
}

class mapping_rules : public ::testing::Test {
protected:
    mss_engine engine;  // the type texts read its Unicode flag
    mss_db_mutator rules;
};

TEST_F(mapping_rules, table_rule_without_field_rules_only_renames)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"orders", L"sales.orders");
    udb_schema schema = schema_of({column(L"id", VT_I4), column(L"note", VT_BSTR, 20)});
    EXPECT_EQ(rule->modify1(schema), L"sales.orders");
    EXPECT_EQ(names(schema), (std::vector<std::wstring>{L"id", L"note"}));
    EXPECT_TRUE(schema[1]->native_type.empty());
    udb_record record;
    record.push_back(new udb_field(L"id", 4, ole_variant(std::int32_t(1))));
    EXPECT_EQ(&rule->modify2(record), &record);
}

TEST_F(mapping_rules, look_ups_are_case_sensitive)
{
    rules.get_table_mutator2(L"Orders", L"x");
    EXPECT_NE(rules.get_table_mutator3(L"Orders"), nullptr);
    EXPECT_EQ(rules.get_table_mutator3(L"orders"), nullptr);
}

TEST_F(mapping_rules, deleted_renamed_and_retyped_columns)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"t", L"t");
    rule->update_field(L"gone", L"gone", native(L"int"))->status = udb_mutators::deleted;
    rule->update_field(L"code", L"code_text", native(L"nvarchar", 12));
    rule->update_field(L"price", L"price", native(L"decimal", 0, 12, 3));

    udb_schema schema =
        schema_of({column(L"id", VT_I4), column(L"gone", VT_I4), column(L"code", VT_I4), column(L"price", VT_R8)});
    rule->modify1(schema);
    ASSERT_EQ(names(schema), (std::vector<std::wstring>{L"id", L"code_text", L"price"}));
    EXPECT_EQ(schema[1]->vartype, VT_BSTR);
    EXPECT_EQ(schema[1]->native_type, L"nvarchar(12)");
    EXPECT_EQ(schema[1]->size, 12);
    EXPECT_EQ(schema[2]->vartype, VT_DECIMAL);
    EXPECT_EQ(schema[2]->native_type, L"decimal(12,3)");
    EXPECT_EQ(schema[2]->precision, 12);
    EXPECT_EQ(schema[2]->scale, 3);
    EXPECT_TRUE(schema[0]->native_type.empty());

    udb_record record;
    record.push_back(new udb_field(L"id", 4, ole_variant(std::int32_t(7))));
    record.push_back(new udb_field(L"gone", 4, ole_variant(std::int32_t(8))));
    record.push_back(new udb_field(L"code", 4, ole_variant(std::int32_t(42))));
    udb_record& mapped = rule->modify2(record);
    ASSERT_EQ(mapped.size(), 2u);
    EXPECT_EQ(mapped[0]->name, L"id");
    EXPECT_EQ(mapped[0]->to_wstring(), L"7");
    EXPECT_EQ(mapped[1]->name, L"code_text");
    EXPECT_EQ(mapped[1]->get_type(), VT_BSTR);
    EXPECT_EQ(mapped[1]->to_wstring(), L"42");
}

TEST_F(mapping_rules, zero_precision_and_scale_keep_the_columns_own)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"t", L"t");
    rule->update_field(L"amount", L"amount", native(L"float"));
    t_ftd amount = column(L"amount", VT_DECIMAL);
    amount.precision = 10;
    amount.scale = 2;
    udb_schema schema = schema_of({amount});
    rule->modify1(schema);
    EXPECT_EQ(schema[0]->precision, 10);
    EXPECT_EQ(schema[0]->scale, 2);
}

TEST_F(mapping_rules, a_value_the_new_type_cannot_hold_is_a_level_zero_error)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"t", L"t");
    rule->update_field(L"code", L"code", native(L"float"));
    udb_record record;
    record.push_back(new udb_field(L"code", 3, ole_variant(std::wstring(L"abc"))));
    try {
        rule->modify2(record);
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), "Data conversion is not supported for given type mapping");
        EXPECT_EQ(e.get_code(), 0u);
    }
}

TEST_F(mapping_rules, indexes_lose_deleted_columns_and_take_new_names)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"t", L"t");
    rule->update_field(L"a", L"a", native(L"int"))->status = udb_mutators::deleted;
    rule->update_field(L"b", L"b2", native(L"int"));
    udb_indexes indexes;
    udb_index only_a(L"ix_a", false, false);
    only_a.fields = {L"a"};
    udb_index a_b_c(L"ix_abc", true, false);
    a_b_c.fields = {L"a", L"b", L"c"};
    indexes.push_back(only_a);
    indexes.push_back(a_b_c);
    rule->modify3(indexes);
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].name, L"ix_abc");
    EXPECT_EQ(indexes[0].fields, (std::vector<std::wstring>{L"b2", L"c"}));
}

TEST_F(mapping_rules, decimal_type_description_takes_precision_and_scale_from_the_column)
{
    t_ftd amount = column(L"amount", VT_DECIMAL);
    amount.precision = 10;
    amount.scale = 2;
    mss_native_type type;
    rules.get_native_type_info(amount, type);
    EXPECT_EQ(type.type, L"numeric");
    EXPECT_EQ(type.prec, 10u);
    EXPECT_EQ(type.scale, 2u);
    EXPECT_EQ(amount.native_type, L"numeric(10,2)");
}

TEST_F(mapping_rules, field_rule_properties_are_its_seven_settings)
{
    mss_table_mutator* rule = rules.get_table_mutator2(L"t", L"t");
    mss_field_mutator* field = rule->update_field(L"a", L"b", native(L"nvarchar", 5));
    const udb_property_set& properties = field->get_properties();
    EXPECT_EQ(properties.size(), 7u);
    EXPECT_EQ(properties.at(L"new_name"), L"b");
    EXPECT_EQ(properties.at(L"length"), L"5");
    EXPECT_EQ(rule->get_child(L"a"), field);
    EXPECT_EQ(rule->get_child2(L"b"), field);
}

// The "Type Mappings" block.

std::vector<std::wstring> block_of(std::initializer_list<const wchar_t*> lines)
{
    return std::vector<std::wstring>(lines.begin(), lines.end());
}

class mapping_block_reader : public mapping_rules {
protected:
    bool load(std::vector<std::wstring> lines)
    {
        udb_profile profile;
        for (const std::wstring& line : lines)
            profile.add_item(L"Type Mappings", line);
        return rules.load(profile);
    }
};

TEST_F(mapping_block_reader, round_trip_keeps_every_rule)
{
    rules.properties[L"engine"] = L"InnoDB";
    mss_table_mutator* orders = rules.get_table_mutator2(L"Orders", L"sales.orders");
    orders->properties[L"comment"] = L"kept";
    mss_native_type price = native(L"decimal", 0, 12, 3);
    price.default_value = L"0.5";
    price.character_set = L"latin1";
    orders->update_field(L"price", L"amount", price);
    orders->update_field(L"old", L"old", native(L"int"))->status = udb_mutators::deleted;
    rules.get_table_mutator2(L"plain", L"renamed");

    udb_profile profile;
    ASSERT_TRUE(rules.store(profile));
    const std::vector<std::wstring> written = profile.get_items(L"Type Mappings");
    EXPECT_EQ(written[0], L"database:");
    EXPECT_EQ(written[1], L"  engine: InnoDB");
    EXPECT_EQ(written[3], L"  - name: Orders");
    EXPECT_EQ(written[6], L"      - name:old");

    mss_db_mutator loaded;
    ASSERT_TRUE(loaded.load(profile));
    udb_profile again;
    loaded.store(again);
    EXPECT_EQ(again.get_items(L"Type Mappings"), written);
    mss_table_mutator* rule = loaded.get_table_mutator3(L"Orders");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->new_name, L"sales.orders");
    EXPECT_EQ(rule->properties.at(L"comment"), L"kept");
    const mss_field_mutator* amount = rule->find(L"price");
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->new_name, L"amount");
    EXPECT_EQ(amount->vartype, VT_DECIMAL);
    EXPECT_EQ(amount->type.prec, 12u);
    EXPECT_EQ(rule->find(L"old")->status, udb_mutators::deleted);
    ASSERT_NE(loaded.get_table_mutator3(L"plain"), nullptr);
    EXPECT_FALSE(loaded.get_table_mutator3(L"plain")->has_field_mutators());
}

TEST_F(mapping_block_reader, blocks_that_load_without_table_rules)
{
    EXPECT_TRUE(load({}));
    EXPECT_TRUE(load(block_of({L"something else", L"tables:"})));
    EXPECT_TRUE(load(block_of({L"database:", L"  engine: Aria", L"  a:b:c"})));
    EXPECT_EQ(rules.properties.at(L"engine"), L"Aria");
    EXPECT_EQ(rules.properties.count(L"a"), 0u);
    EXPECT_TRUE(rules.tables.empty());
}

TEST_F(mapping_block_reader, column_values_and_statuses)
{
    ASSERT_TRUE(
        load(block_of({L"tables:", L"  - name: t", L"    fields:", L"      - name:a", L"        status: Deleted",
                       L"        length: x12", L"      - name:b", L"        status: deleted",
                       L"        length: -7 chars", L"      - name:c", L"        type: int"})));
    mss_table_mutator* rule = rules.get_table_mutator3(L"t");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->new_name, L"t");
    EXPECT_EQ(rule->find(L"a")->status, udb_mutators::changed);
    EXPECT_EQ(rule->find(L"a")->type.length, 0u);
    EXPECT_EQ(rule->find(L"b")->status, udb_mutators::deleted);
    EXPECT_EQ(static_cast<std::int32_t>(rule->find(L"b")->type.length), -7);
    EXPECT_EQ(rule->find(L"c")->new_name, L"c");
    EXPECT_EQ(rule->find(L"c")->vartype, VT_I4);
}

TEST_F(mapping_block_reader, grammar_errors_leave_no_table_rules)
{
    const std::vector<std::vector<std::wstring>> broken = {
        block_of({L"tables:", L"  - name: t", L"    fields:", L"    new_name: x"}),
        block_of({L"tables:", L"  - name: t", L"    fields:", L"    fields:"}),
        block_of({L"tables:", L"  - name: t", L"      - name:a"}),
        block_of({L"tables:", L"  - name: t", L"        type: int"}),
        block_of({L"tables:", L"  - name: t", L"    fields:", L"      - name:a", L"        colour: red"}),
        block_of({L"tables:", L"  - name: t", L"    properties:", L"    fields:"}),
    };
    for (const auto& lines : broken) {
        rules.get_table_mutator2(L"old", L"old");
        EXPECT_FALSE(load(lines)) << lines.back().c_str();
        EXPECT_TRUE(rules.tables.empty());
    }
}

}  // namespace
