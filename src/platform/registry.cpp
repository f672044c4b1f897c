#include "platform/registry.h"

#include "platform/code_page.h"
#include "platform/compare_string.h"
#include "platform/last_error.h"
#include "platform/registry_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <vector>

struct registry_key {
    std::string path;
};

namespace {

registry_key current_user_root;

namespace store = platform::registry_file;

// Keeps the read-modify-write of the file whole within the process.
std::mutex store_mutex;

std::string home_folder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    return found && found->pw_dir ? found->pw_dir : "";
}

// Registry names ignore case.
bool same_name(const std::string& left, const std::string& right)
{
    std::wstring wide_left;
    std::wstring wide_right;
    MultiByteToWideChar(CP_UTF8, left, wide_left);
    MultiByteToWideChar(CP_UTF8, right, wide_right);
    return platform::equal_ignoring_case(wide_left, wide_right);
}

store::key* find_key(store::hive& keys, const std::string& path)
{
    auto found =
        std::find_if(keys.begin(), keys.end(), [&](const store::key& key) { return same_name(key.path, path); });
    return found == keys.end() ? nullptr : &*found;
}

const store::value* find_value(const store::hive& keys, const std::string& path, const std::string& name)
{
    for (const store::key& key : keys) {
        if (!same_name(key.path, path))
            continue;
        for (const store::value& item : key.values)
            if (same_name(item.name, name))
                return &item;
    }
    return nullptr;
}

std::string join_key_path(const std::string& parent, std::string sub_key)
{
    std::replace(sub_key.begin(), sub_key.end(), '/', '\\');
    const std::size_t first = sub_key.find_first_not_of('\\');
    const std::size_t last = sub_key.find_last_not_of('\\');
    sub_key = first == std::string::npos ? std::string() : sub_key.substr(first, last - first + 1);
    if (parent.empty())
        return sub_key;
    return sub_key.empty() ? parent : parent + '\\' + sub_key;
}

std::uint32_t query(HKEY key, const std::string& name, bool wide, std::uint32_t* type, void* data, std::uint32_t* size)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    store::hive keys;
    {
        std::lock_guard<std::mutex> lock(store_mutex);
        if (std::uint32_t error = store::load(platform::registry_file_path(), keys))
            return error;
    }
    const store::value* item = find_value(keys, key->path, name);
    if (!item)
        return ERROR_FILE_NOT_FOUND;

    std::vector<unsigned char> bytes;
    if (item->type == REG_DWORD) {
        bytes.resize(sizeof item->number);
        std::memcpy(bytes.data(), &item->number, sizeof item->number);
    } else if (wide) {
        std::wstring text;
        MultiByteToWideChar(CP_UTF8, item->text, text);
        const auto* begin = reinterpret_cast<const unsigned char*>(text.c_str());
        bytes.assign(begin, begin + (text.size() + (item->terminated ? 1 : 0)) * sizeof(wchar_t));
    } else {
        bytes.assign(item->text.begin(), item->text.end());
        if (item->terminated)
            bytes.push_back(0);
    }
    if (type)
        *type = item->type;
    if (!size)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const std::uint32_t available = *size;
    *size = static_cast<std::uint32_t>(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (available < bytes.size())
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

std::uint32_t store_value(HKEY key, store::value item)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    std::lock_guard<std::mutex> lock(store_mutex);
    const std::string file = platform::registry_file_path();
    store::hive keys;
    if (std::uint32_t error = store::load(file, keys))
        return error;
    store::key* section = find_key(keys, key->path);
    if (!section)
        section = &keys.emplace_back(store::key{key->path, {}});
    auto existing = std::find_if(section->values.begin(), section->values.end(),
                                 [&](const store::value& value) { return same_name(value.name, item.name); });
    if (existing == section->values.end())
        section->values.push_back(std::move(item));
    else
        *existing = std::move(item);
    return store::save(file, keys);
}

// The value to store, from the data of RegSetValueEx; false when the type or
// size does not fit.
template <class Char>
bool make_value(std::uint32_t type, const void* data, std::uint32_t size, store::value& item)
{
    item.type = type;
    if (type == REG_DWORD) {
        if (!data || size != sizeof item.number)
            return false;
        std::memcpy(&item.number, data, sizeof item.number);
        return true;
    }
    if (type != REG_SZ || (!data && size != 0))
        return false;
    std::basic_string<Char> text;
    if (data)
        text.assign(static_cast<const Char*>(data), size / sizeof(Char));
    const std::size_t end = text.find(Char(0));
    item.terminated = end != text.npos;
    text.resize(std::min(end, text.size()));
    if constexpr (sizeof(Char) == 1)
        item.text = text;
    else
        WideCharToMultiByte(CP_UTF8, text, item.text);
    return true;
}

template <class Char>
std::uint32_t set_value(HKEY key, const std::string& name, std::uint32_t type, const void* data, std::uint32_t size)
{
    store::value item{name, type, 0, {}, true};
    if (!make_value<Char>(type, data, size, item))
        return ERROR_INVALID_PARAMETER;
    return store_value(key, std::move(item));
}

std::string narrow_name(const wchar_t* name)
{
    std::string narrow;
    if (name)
        WideCharToMultiByte(CP_UTF8, name, narrow);
    return narrow;
}

}  // namespace

HKEY const HKEY_CURRENT_USER = &current_user_root;

std::uint32_t RegCreateKeyExA(HKEY root, const char* sub_key, const char*, std::uint32_t, std::uint32_t, const void*,
                              HKEY* result, std::uint32_t* disposition)
{
    if (!root)
        return ERROR_INVALID_HANDLE;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    const std::string path = join_key_path(root->path, sub_key ? sub_key : "");
    std::lock_guard<std::mutex> lock(store_mutex);
    const std::string file = platform::registry_file_path();
    store::hive keys;
    if (std::uint32_t error = store::load(file, keys))
        return error;
    const bool exists = path.empty() || find_key(keys, path);
    if (!exists) {
        keys.push_back({path, {}});
        if (std::uint32_t error = store::save(file, keys))
            return error;
    }
    if (disposition)
        *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = new registry_key{path};
    return ERROR_SUCCESS;
}

std::uint32_t RegCloseKey(HKEY key)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (key != HKEY_CURRENT_USER)
        delete key;
    return ERROR_SUCCESS;
}

std::uint32_t RegQueryValueExA(HKEY key, const char* name, std::uint32_t* type, void* data, std::uint32_t* size)
{
    return query(key, name ? name : "", false, type, data, size);
}

std::uint32_t RegQueryValueExW(HKEY key, const wchar_t* name, std::uint32_t* type, void* data, std::uint32_t* size)
{
    return query(key, narrow_name(name), true, type, data, size);
}

std::uint32_t RegSetValueExA(HKEY key, const char* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    return set_value<char>(key, name ? name : "", type, data, size);
}

std::uint32_t RegSetValueExW(HKEY key, const wchar_t* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    return set_value<wchar_t>(key, narrow_name(name), type, data, size);
}

namespace platform {

std::string registry_file_path()
{
    if (const char* file = std::getenv(registry_file_variable); file && *file)
        return file;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored.
    const std::string folder = config && config[0] == '/' ? config : home_folder() + "/.config";
    return folder + "/velmora/registry";
}

}  // namespace platform
