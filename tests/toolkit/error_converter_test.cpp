#include "toolkit/tk_error_converter.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

TEST(tk_error_converter_test, maps_codes_and_keeps_the_first_text_of_a_code)
{
    const tk_error_map_row oledb[] = {{0x80E37, "The specified table does not exist."}, {0x80E37, "second text"}};
    const tk_error_map_row mysql[] = {{0x400415, "Access denied."}, {0x80E37, "third text"}};
    tk_error_converter map(2, oledb);
    map.load_map(2, mysql);
    EXPECT_EQ(map.convert(0x80E37), "The specified table does not exist.");
    EXPECT_EQ(map.convert(0x400415), "Access denied.");
    EXPECT_EQ(map.convert(0), "");
}

TEST(tk_error_converter_test, empty_map_and_null_table)
{
    const tk_error_map_row none[] = {{1, "unused"}};
    tk_error_converter map(0, none);
    EXPECT_EQ(map.convert(1), "");
    EXPECT_THROW(map.load_map(0, nullptr), tk_mail_assertion);
}

}  // namespace
