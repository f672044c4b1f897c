#include "agent/table_list_file.h"

#include "agent/console_exit.h"
#include "converter/front_end.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <fstream>
#include <string_view>

namespace {

constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

std::optional<std::vector<std::wstring>> read_table_list(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::vector<std::wstring> names;
    std::optional<bool> utf8;  // decided by the first non-empty line
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (!utf8) {
            utf8 = line.starts_with(utf8_byte_order_mark);
            if (*utf8)
                line.erase(0, utf8_byte_order_mark.size());
            // A mark on a line of its own names no table.
            if (line.empty())
                continue;
        }
        names.push_back(*utf8 ? tk_utf8_to_unicode(line) : tk_ansi_to_unicode(line));
    }
    if (file.bad())
        return std::nullopt;
    return names;
}

void process_tab_file(const std::string& path)
{
    tk_log(1, "process_tab_file(%s)", path.c_str());
    if (!tk_is_file_exist1(path, tk_file_exists))
        usage_and_exit("Table names file does not exist.\nPlease verify the correct path/name was given.");
    std::optional<std::vector<std::wstring>> names = read_table_list(path);
    if (!names)
        usage_and_exit("Table names file cannot be read.\nPlease verify the file's permissions.");
    convertor_front_end::instance().table_names = std::move(*names);
}
