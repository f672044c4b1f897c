// The platform folder: small stand-ins for the Windows interfaces the rest of
// the program was designed against, each file hiding one of them (last error
// and its messages, code pages, locale-independent comparison, module path,
// file access, registry, dynamic libraries, local time, worker threads,
// clipboard). They keep the Windows names and numbers the callers expect and
// the behaviour those callers rely on, no more. This folder includes nothing
// of the project above it; automation/ (COM, VARIANT and the Var* functions)
// and oledb/ (OLE DB over ODBC) build on it, and oledb/ alone talks ODBC.
//
// This file: the calling thread's last error, in the Windows error numbers the
// program reports, and the errno values of the system calls behind them.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr std::uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr std::uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;
inline constexpr std::uint32_t ERROR_DIRECTORY = 267;
inline constexpr std::uint32_t ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr std::uint32_t ERROR_CLIPBOARD_NOT_OPEN = 1418;

// errno values without a Windows counterpart keep their own number in the
// range that Windows leaves to applications (bit 29 set).
inline constexpr std::uint32_t application_error_bit = 0x20000000;

std::uint32_t GetLastError();
void SetLastError(std::uint32_t error);

namespace platform {

std::uint32_t error_from_errno(int error);

// Makes errno, as left by a failed system call, the thread's last error.
void set_last_error_from_errno(int error);

}  // namespace platform
