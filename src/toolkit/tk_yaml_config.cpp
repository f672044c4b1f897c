#include "toolkit/tk_yaml_config.h"

#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <fstream>

bool tk_yaml_config::load(const char* file_name, const std::set<std::wstring>& filter)
{
    tk_log(2, "tk_yaml_config::load(%s)", file_name ? file_name : "");
    if (!file_name)
        return false;
    std::ifstream file(file_name);
    if (!file)
        return false;

    std::string key;  // items before the first key belong to the empty key
    std::string raw_line;
    while (std::getline(file, raw_line)) {
        if (!raw_line.empty() && raw_line.back() == '\r')
            raw_line.pop_back();
        tk_log(1, "Got text line: %s", raw_line.c_str());
        const std::string line = tk_trim(raw_line);
        if (line.empty()) {
            tk_log(1, "Skip empty line");
        } else if (line.back() == ':') {
            key = line.substr(0, line.size() - 1);
        } else if (line.front() == '-') {
            const std::wstring item = tk_utf8_to_unicode(tk_trim(line.substr(1)));
            if (filter.count(item) != 0) {
                tk_log(1, L"String '%ls' has not passed the filter", item.c_str());
                continue;
            }
            m_items[key].push_back(item);
            tk_log(1, L"String '%ls' has been stored under key='%s'", item.c_str(), key.c_str());
        }
    }
    return true;
}
