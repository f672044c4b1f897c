// A path split into drive, folder (with its trailing separator), name and
// extension (with its dot). Both '/' and '\\' separate folders.
#pragma once

#include "platform/path_split.h"

#include <cstdint>
#include <string>
#include <string_view>

// Whether a path is longer than the system takes; such a path is the user's
// error, told before the path is split.
template <class Char>
bool tk_is_path_too_long(std::basic_string_view<Char> path)
{
    return path.size() >= platform::max_path;
}

template <class Char>
class tk_split_file_name {
public:
    using string_type = std::basic_string<Char>;

    const string_type& get_ext() const { return m_parts.ext; }
    const string_type& get_drive() const { return m_parts.drive; }
    const string_type& get_name() const { return m_parts.name; }
    const string_type& get_folder() const { return m_parts.folder; }
    string_type get_path() const { return m_parts.drive + m_parts.folder; }

    void set_name(const string_type& name) { m_parts.name = name; }
    // Stored as given when empty or starting with a dot, else with a dot in front.
    void set_ext(const string_type& ext)
    {
        m_parts.ext = ext.empty() || ext.front() == Char('.') ? ext : Char('.') + ext;
    }
    string_type get_full_path() const { return platform::make_path(m_parts); }

protected:
    tk_split_file_name() = default;
    // An empty path stands for the program's path without its name.
    void initialize(std::basic_string_view<Char> path, std::uint32_t too_long_line);

private:
    platform::path_parts<Char> m_parts;
};

class tk_file_name : public tk_split_file_name<char> {
public:
    explicit tk_file_name(const char* path);
    explicit tk_file_name(const std::string& path);
};

class tk_file_wname : public tk_split_file_name<wchar_t> {
public:
    explicit tk_file_wname(const std::wstring& path);
};
