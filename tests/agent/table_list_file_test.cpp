#include "agent/table_list_file.h"

#include "toolkit/temp_folder.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using names = std::vector<std::wstring>;

struct list_case {
    const char* label;
    std::string contents;
    names expected;
};

void PrintTo(const list_case& tested, std::ostream* out)
{
    *out << tested.label;
}

class table_list_file : public testing::TestWithParam<list_case> {};

TEST_P(table_list_file, reads_one_name_per_line)
{
    temp_folder folder;
    write_file(folder.file("tables.txt"), GetParam().contents);
    const auto read = read_table_list(folder.file("tables.txt"));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, GetParam().expected);
}

const std::string bom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    cases, table_list_file,
    testing::Values(
        list_case{"empty_file", "", {}}, list_case{"only_empty_lines", "\n\r\n\n", {}},
        list_case{"last_line_without_line_feed", "orders\ncustomers", {L"orders", L"customers"}},
        list_case{"empty_lines_anywhere", "\n\norders\n\n\ncustomers\n\n", {L"orders", L"customers"}},
        list_case{"windows_line_ends", "orders\r\ncustomers\r\n\r\nitems", {L"orders", L"customers", L"items"}},
        list_case{"blanks_are_kept", "  \n order items \n", {L"  ", L" order items "}},
        list_case{"utf8_with_mark", bom + "заказы\ncafé\n", {L"заказы", L"café"}},
        list_case{"utf8_without_mark", "заказы\ncafé\n", {L"заказы", L"café"}},
        list_case{"mark_after_empty_lines", "\n\n" + bom + "Größe\n", {L"Größe"}},
        list_case{"mark_on_a_line_of_its_own", bom + "\r\norders\n", {L"orders"}},
        list_case{"line_of_254_bytes", std::string(254, 'a'), {std::wstring(254, L'a')}},
        list_case{"line_of_254_bytes_and_line_feed", std::string(254, 'a') + "\n", {std::wstring(254, L'a')}},
        list_case{"long_lines",
                  std::string(255, 'b') + "\n" + std::string(5000, 'c') + "\nd",
                  {std::wstring(255, L'b'), std::wstring(5000, L'c'), L"d"}}),
    [](const testing::TestParamInfo<list_case>& info) { return std::string(info.param.label); });

TEST(table_list_file_failures, missing_or_unreadable_file_has_no_list)
{
    temp_folder folder;
    EXPECT_FALSE(read_table_list(folder.file("missing.txt")).has_value());
    // A regular file whose first read fails.
    EXPECT_FALSE(read_table_list("/proc/self/mem").has_value());
}

}  // namespace
