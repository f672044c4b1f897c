// Existence and access tests for the log file, the script file and folders.
#pragma once

#include <cstdint>
#include <string>

// Modes of the file tests; any other mode creates the file or empties it.
inline constexpr std::uint32_t tk_file_exists = 16384;  // exists and is not a folder
inline constexpr std::uint32_t tk_file_writable = 1;    // ...and is not read-only

// Creating a file that cannot be created raises tk_exception_ex (code 1).
bool tk_is_file_exist1(const std::string& name, std::uint32_t mode);
bool tk_is_file_exist2(const std::wstring& name, std::uint32_t mode);

// Whether the name is a folder one can change into; an empty name stands for
// the program's folder. The current directory is not changed.
bool tk_is_path_exist(const std::string& name);
bool tk_is_path_exist(const std::wstring& name);

// Whether the current user holds the generic rights (GENERIC_WRITE, ...) on the
// file or folder.
bool tk_check_access(const std::string& name, std::uint32_t desired_access);
bool tk_check_access(const std::wstring& name, std::uint32_t desired_access);
