#include "model/profile.h"

#include "platform/file_access.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_file_tests.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cwchar>
#include <fstream>
#include <string_view>

namespace {

constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";
constexpr std::wstring_view password_key = L"password";

std::wstring trim_end(std::wstring text)
{
    text.erase(text.find_last_not_of(L' ') + 1);
    return text;
}

bool is_section_line(const std::wstring& trimmed)
{
    return trimmed.size() >= 2 && trimmed.front() == L'[' && trimmed.back() == L']';
}

// The file's lines end in CR LF; the CR is dropped here, a bare LF is accepted.
bool read_line(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// The standard stream failure, its text naming the state of the stream.
class stream_failure : public std::ios_base::failure {
public:
    explicit stream_failure(const char* text) : std::ios_base::failure(text), text_(text) {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;
};

void check_stream(const std::ostream& out)
{
    if (out.bad())
        throw stream_failure("ios_base::badbit set");
    if (out.fail())
        throw stream_failure("ios_base::failbit set");
}

// Every stored line stands on one line of the file, whatever it holds: a
// line break inside a value (a query or a view written over several lines)
// becomes one blank, so the value reads back whole instead of as a short
// value followed by stray keys and items.
std::wstring one_line(std::wstring text)
{
    for (const wchar_t* line_break : {L"\r\n", L"\n", L"\r"}) {
        for (std::size_t at = text.find(line_break); at != std::wstring::npos; at = text.find(line_break, at + 1))
            text.replace(at, std::wcslen(line_break), L" ");
    }
    return text;
}

class line_writer {
public:
    explicit line_writer(std::ofstream& out) : out_(out) {}

    void operator()(const std::wstring& line)
    {
        out_ << tk_unicode_to_utf8(one_line(line)) << "\r\n";
        check_stream(out_);
    }

private:
    std::ofstream& out_;
};

}  // namespace

udb_profile::udb_profile()
{
    for (const wchar_t* section : {udb_section_queries, udb_section_tables, udb_section_views, udb_section_generic})
        add_section(section);
}

void udb_profile::add_section(const std::wstring& name)
{
    keys.try_emplace(name);
}

void udb_profile::set_value(const std::wstring& section, const std::wstring& key, const std::wstring& value)
{
    keys[section].emplace_back(key, value);
}

void udb_profile::add_item(const std::wstring& section, const std::wstring& item)
{
    items[section].push_back(item);
}

std::wstring udb_profile::get_value(const std::wstring& section, const std::wstring& key) const
{
    auto pairs = keys.find(section);
    if (pairs == keys.end())
        return std::wstring();
    for (const auto& [name, value] : pairs->second) {
        if (name == key)
            return value;
    }
    return std::wstring();
}

bool udb_profile::has_value(const std::wstring& section, const std::wstring& key) const
{
    auto pairs = keys.find(section);
    return pairs != keys.end() &&
           std::any_of(pairs->second.begin(), pairs->second.end(), [&](const auto& pair) { return pair.first == key; });
}

std::vector<std::wstring>& udb_profile::get_items(const std::wstring& section)
{
    return items[section];
}

udb_profile_pairs& udb_profile::existing_section(const std::wstring& name)
{
    auto pairs = keys.find(name);
    if (pairs == keys.end())
        throw tk_exception_ex();
    return pairs->second;
}

udb_profile_pairs& udb_profile::get_queries()
{
    return existing_section(udb_section_queries);
}

udb_profile_pairs& udb_profile::get_selected_tables()
{
    return existing_section(udb_section_tables);
}

udb_profile_pairs& udb_profile::get_selected_views()
{
    return existing_section(udb_section_views);
}

bool udb_profile::load(const std::wstring& path)
{
    tk_log(2, L"udb_profile::load(%ls)", path.c_str());
    if (!tk_is_file_exist2(path, tk_file_exists))
        throw tk_exception("Profile does not exist. Please verify the correct path/name was given.", 1);
    const std::string narrow_path = tk_unicode_to_file_name(path);
    std::ifstream in(narrow_path, std::ios::binary);
    if (!in) {
        load_error = L"the file cannot be read";
        return false;
    }

    const std::wstring* section = nullptr;
    std::string raw;
    for (std::size_t number = 1; read_line(in, raw); ++number) {
        // Editors may begin a UTF-8 file with a byte-order mark; it is no text.
        if (number == 1 && raw.starts_with(utf8_byte_order_mark))
            raw.erase(0, utf8_byte_order_mark.size());
        // Item lines keep their leading blanks: indented blocks are stored as items.
        const std::wstring whole = tk_utf8_to_unicode(raw);
        std::wstring line = trim_end(whole);
        std::wstring trimmed = tk_trim(line);
        if (trimmed.empty())
            continue;
        if (is_section_line(trimmed)) {
            section = &keys.try_emplace(trimmed.substr(1, trimmed.size() - 2)).first->first;
            continue;
        }
        if (section == nullptr) {
            load_error = L"line " + std::to_wstring(number) + L": text before the first [section]";
            return false;
        }
        std::size_t equals = line.find(L'=');
        if (equals != std::wstring::npos) {
            const std::wstring key = tk_trim(line.substr(0, equals));
            // A password is read exactly as written: its blanks are part of it.
            set_value(*section, key, (key == password_key ? whole : line).substr(equals + 1));
            continue;
        }
        add_item(*section, line);
        m_item_lines[*section].resize(items[*section].size() - 1);
        m_item_lines[*section].push_back(number);
        set_value(*section, trimmed, std::wstring());
    }
    // An empty file, or one cut short before its first section, holds no
    // settings at all: taken for a profile it would reset every one of them.
    if (section == nullptr) {
        load_error = L"it holds no [section], so it is no profile";
        return false;
    }
    return true;
}

std::size_t udb_profile::item_line(const std::wstring& section, std::size_t index) const
{
    auto lines = m_item_lines.find(section);
    return lines != m_item_lines.end() && index < lines->second.size() ? lines->second[index] : 0;
}

bool udb_profile::store(const std::wstring& path) const
{
    tk_log(2, "udb_profile::store)");
    const std::string narrow_path = tk_unicode_to_file_name(path);
    // Profiles hold passwords: only their owner may read them.
    if (!platform::create_private_file(narrow_path))
        return false;
    std::ofstream out(narrow_path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;

    line_writer write(out);
    for (const auto& [section, pairs] : keys) {
        write(L"[" + section + L"]");
        for (const auto& [key, value] : pairs) {
            if (section == udb_section_tables && value.empty())
                write(key);
            else
                write(key + L"=" + value);
        }
        write(std::wstring());
    }
    for (const auto& [section, lines] : items) {
        write(L"[" + section + L"]");
        for (const std::wstring& line : lines)
            write(line);
    }
    out.close();
    check_stream(out);
    return true;
}
