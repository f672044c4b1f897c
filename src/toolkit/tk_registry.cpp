#include "toolkit/tk_registry.h"

#include "platform/last_error.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Reads a string value by asking for its size first. The buffer is one
// character longer than the reported size and zeroed, so the text always ends
// inside it, even when the stored value lacks its terminator.
template <class Char>
bool load_text(tk_reg_key& key, const Char* name, std::basic_string<Char>& value)
{
    std::uint32_t size = 0;
    if (key.get_value(static_cast<Char*>(nullptr), name, &size) != ERROR_SUCCESS || size == 0)
        return false;
    std::vector<Char> buffer((size + sizeof(Char) - 1) / sizeof(Char) + 1, Char(0));
    if (key.get_value(buffer.data(), name, &size) != ERROR_SUCCESS)
        return false;
    value = buffer.data();
    return true;
}

template <class Char>
bool exchange_text(tk_reg_key& key, const Char* name, std::basic_string<Char>& value, bool store)
{
    if (!key.is_open())
        return false;
    if (store)
        return key.set_value(value.c_str(), name) == ERROR_SUCCESS;
    return load_text(key, name, value);
}

}  // namespace

tk_reg_key::~tk_reg_key()
{
    close();
}

std::uint32_t tk_reg_key::create(HKEY root, const char* sub_key, const char* class_name, std::uint32_t options,
                                 std::uint32_t access, const void* security, std::uint32_t* disposition)
{
    if (!root)
        throw tk_mail_assertion("tk_regk", 64);
    HKEY created = nullptr;
    const std::uint32_t error =
        RegCreateKeyExA(root, sub_key, class_name, options, access, security, &created, disposition);
    if (error != ERROR_SUCCESS)
        return error;
    const std::uint32_t closed = m_key ? RegCloseKey(m_key) : ERROR_SUCCESS;
    m_key = created;
    return closed;
}

void tk_reg_key::close()
{
    if (m_key)
        RegCloseKey(m_key);
    m_key = nullptr;
}

std::uint32_t tk_reg_key::get_value(std::uint32_t& value, const char* name)
{
    if (!name)
        throw tk_mail_assertion("tk_regk", 98);
    tk_log(2, "tk_reg_key::get_value(ulong, %s)", name);
    std::uint32_t type = 0;
    std::uint32_t size = sizeof value;
    const std::uint32_t error = RegQueryValueExA(m_key, name, &type, &value, &size);
    tk_log(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(size));
    return error;
}

std::uint32_t tk_reg_key::get_value(char* buffer, const char* name, std::uint32_t* size)
{
    if (!size)
        throw tk_mail_assertion("tk_regk", 115);
    if (!name)
        throw tk_mail_assertion("tk_regk", 116);
    tk_log(2, "tk_reg_key::get_value(LPSTR, %s)", name);
    return RegQueryValueExA(m_key, name, nullptr, buffer, size);
}

std::uint32_t tk_reg_key::get_value(wchar_t* buffer, const wchar_t* name, std::uint32_t* size)
{
    if (!size)
        throw tk_mail_assertion("tk_regk", 132);
    if (!name)
        throw tk_mail_assertion("tk_regk", 133);
    tk_log(2, L"tk_reg_key::get_value(LPWSTR, %ls)", name);
    return RegQueryValueExW(m_key, name, nullptr, buffer, size);
}

std::uint32_t tk_reg_key::set_value(std::uint32_t value, const char* name)
{
    if (!m_key)
        throw tk_mail_assertion("tk_regk", 149);
    return RegSetValueExA(m_key, name, REG_DWORD, &value, sizeof value);
}

std::uint32_t tk_reg_key::set_value(const char* text, const char* name)
{
    if (!text)
        throw tk_mail_assertion("tk_regk", 156);
    if (!m_key)
        throw tk_mail_assertion("tk_regk", 157);
    return RegSetValueExA(m_key, name, REG_SZ, text, static_cast<std::uint32_t>(std::strlen(text) + 1));
}

std::uint32_t tk_reg_key::set_value(const wchar_t* text, const wchar_t* name)
{
    if (!text)
        throw tk_mail_assertion("tk_regk", 164);
    if (!m_key)
        throw tk_mail_assertion("tk_regk", 165);
    return RegSetValueExW(m_key, name, REG_SZ, text,
                          static_cast<std::uint32_t>((std::wcslen(text) + 1) * sizeof(wchar_t)));
}

tk_serializer::tk_serializer(const char* key_path) : m_key_path(key_path ? key_path : "") {}

bool tk_serializer::exchange(const char* name, bool& value, bool store)
{
    if (!is_open())
        return false;
    if (store)
        return set_value(std::uint32_t{value ? 1u : 0u}, name) == ERROR_SUCCESS;
    std::uint32_t stored = 0;
    if (get_value(stored, name) != ERROR_SUCCESS)
        return false;
    value = stored != 0;
    return true;
}

bool tk_serializer::exchange(const char* name, std::string& value, bool store)
{
    return exchange_text(*this, name, value, store);
}

bool tk_serializer::exchange(const wchar_t* name, std::wstring& value, bool store)
{
    return exchange_text(*this, name, value, store);
}
