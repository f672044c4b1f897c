// File attributes and access rights of the current user (file attributes,
// CreateFile with CREATE_ALWAYS, GetFileSecurity with AccessCheck).
#pragma once

#include <cstdint>
#include <string>

inline constexpr std::uint32_t GENERIC_READ = 0x80000000;
inline constexpr std::uint32_t GENERIC_WRITE = 0x40000000;
inline constexpr std::uint32_t GENERIC_EXECUTE = 0x20000000;
inline constexpr std::uint32_t GENERIC_ALL = 0x10000000;

namespace platform {

enum class file_kind { missing, folder, file };

// What the name stands for; missing sets the last error.
file_kind get_file_kind(const std::string& path);

// A file is read-only when nobody may write it (no write permission bit) or
// the current user may not.
bool is_read_only(const std::string& path);

// Something other than a regular file stands at the path itself: a link
// (even to a regular file), a device, a pipe or a socket.
bool is_other_than_file(const std::string& path);

// Whether the two paths name one file, as the system tells it: the same
// device and inode for files that exist (hard links included); for names
// not yet created, the same final name in the same folder.
bool is_same_file(const std::string& first, const std::string& second);

// Creates the file, or empties it when it exists; false with the last error.
bool create_or_truncate(const std::string& path);

// Creates the file, or empties it when it exists, readable and writable by
// its owner alone (mode 0600, also for a file that existed); false with the
// last error.
bool create_private_file(const std::string& path);

// Whether the effective user holds the generic rights on the file or folder.
// Writing into a folder also needs the right to search it. False with the last
// error otherwise.
bool check_access(const std::string& path, std::uint32_t desired_access);

}  // namespace platform
