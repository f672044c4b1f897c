// Splitting a path into drive, folder, name and extension, and joining such
// parts again (_splitpath and _makepath). Both '/' and '\\' separate folders;
// a leading letter and colon ("C:") is a drive. A name that starts with a dot
// and has no other dot (".profile") has no extension.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The longest path the file system takes (PATH_MAX).
inline constexpr std::size_t max_path = 4096;

template <class Char>
struct path_parts {
    std::basic_string<Char> drive;   // "C:" or empty
    std::basic_string<Char> folder;  // with its trailing separator
    std::basic_string<Char> name;
    std::basic_string<Char> ext;  // with its dot
};

template <class Char>
constexpr bool is_path_separator(Char character)
{
    return character == Char('/') || character == Char('\\');
}

template <class Char>
path_parts<Char> split_path(std::basic_string_view<Char> path)
{
    path_parts<Char> parts;
    const bool has_drive =
        path.size() >= 2 && path[1] == Char(':') &&
        ((path[0] >= Char('a') && path[0] <= Char('z')) || (path[0] >= Char('A') && path[0] <= Char('Z')));
    if (has_drive) {
        parts.drive = path.substr(0, 2);
        path.remove_prefix(2);
    }
    std::size_t name_start = 0;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (is_path_separator(path[i]))
            name_start = i + 1;
    parts.folder = path.substr(0, name_start);
    std::basic_string_view<Char> file = path.substr(name_start);
    const std::size_t dot = file.rfind(Char('.'));
    if (dot != std::basic_string_view<Char>::npos && dot > 0) {
        parts.ext = file.substr(dot);
        file = file.substr(0, dot);
    }
    parts.name = file;
    return parts;
}

template <class Char>
std::basic_string<Char> make_path(const path_parts<Char>& parts)
{
    std::basic_string<Char> path = parts.drive + parts.folder;
    if (!parts.folder.empty() && !is_path_separator(parts.folder.back()))
        path += Char('/');
    path += parts.name;
    if (!parts.ext.empty() && parts.ext.front() != Char('.'))
        path += Char('.');
    return path + parts.ext;
}

}  // namespace platform
