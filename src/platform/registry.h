// The current user's registry (RegCreateKeyExA, RegQueryValueEx*, RegSetValueEx*,
// RegCloseKey), kept in one text file: $XDG_CONFIG_HOME/velmora/registry (by
// default ~/.config/velmora/registry), or the file that VELMORA_REGISTRY_FILE
// names. Each change rewrites the file atomically (temporary file, then
// rename), readable by its owner only, since it holds passwords. Every call
// reads the file afresh, so values written by one process are seen by the next.
//
// Values are DWORDs or strings. A string value is returned by the narrow
// functions as UTF-8 bytes and by the wide ones as wchar_t, both with their
// terminating zero (when stored with one) counted in the size, in bytes.
#pragma once

#include <cstdint>
#include <string>

struct registry_key;
using HKEY = registry_key*;

// The root of all keys.
extern HKEY const HKEY_CURRENT_USER;

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// Opens the sub-key of root ("Software\\Maker\\Product"), creating it when
// missing. Class, options, access and security are accepted and not used.
std::uint32_t RegCreateKeyExA(HKEY root, const char* sub_key, const char* class_name, std::uint32_t options,
                              std::uint32_t access, const void* security, HKEY* result, std::uint32_t* disposition);
std::uint32_t RegCloseKey(HKEY key);

// With null data only the size is reported. A buffer smaller than the value
// gives ERROR_MORE_DATA and the size needed; a missing value ERROR_FILE_NOT_FOUND.
std::uint32_t RegQueryValueExA(HKEY key, const char* name, std::uint32_t* type, void* data, std::uint32_t* size);
std::uint32_t RegQueryValueExW(HKEY key, const wchar_t* name, std::uint32_t* type, void* data, std::uint32_t* size);

// REG_DWORD takes 4 bytes; REG_SZ the text up to its first zero within size,
// or all of it, which is then kept and returned without a terminating zero.
std::uint32_t RegSetValueExA(HKEY key, const char* name, std::uint32_t type, const void* data, std::uint32_t size);
std::uint32_t RegSetValueExW(HKEY key, const wchar_t* name, std::uint32_t type, const void* data, std::uint32_t size);

namespace platform {

inline constexpr const char* registry_file_variable = "VELMORA_REGISTRY_FILE";

std::string registry_file_path();

}  // namespace platform
