// Registry values of the current user: tk_reg_key holds one open key and reads
// and writes DWORD and string values in it; tk_serializer exchanges settings in
// either direction with one call, so that the same list of calls loads them at
// start-up and stores them at the end. Failures are returned, never thrown.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <string>

class tk_reg_key {
public:
    tk_reg_key() = default;
    ~tk_reg_key();
    tk_reg_key(const tk_reg_key&) = delete;
    tk_reg_key& operator=(const tk_reg_key&) = delete;

    // Opens (creating when missing) the sub-key and holds it instead of the key
    // held before. Returns the Windows error code; on failure the key held
    // before stays open.
    std::uint32_t create(HKEY root, const char* sub_key, const char* class_name, std::uint32_t options,
                         std::uint32_t access, const void* security, std::uint32_t* disposition);
    void close();
    bool is_open() const { return m_key != nullptr; }

    // All return the Windows error code, 0 on success. The buffer forms take
    // and report the size in bytes; a null buffer only reports the size.
    std::uint32_t get_value(std::uint32_t& value, const char* name);
    std::uint32_t get_value(char* buffer, const char* name, std::uint32_t* size);
    std::uint32_t get_value(wchar_t* buffer, const wchar_t* name, std::uint32_t* size);
    std::uint32_t set_value(std::uint32_t value, const char* name);
    std::uint32_t set_value(const char* text, const char* name);
    std::uint32_t set_value(const wchar_t* text, const wchar_t* name);

private:
    HKEY m_key = nullptr;
};

// A named key; its owner opens it through create (under HKEY_CURRENT_USER).
class tk_serializer : public tk_reg_key {
public:
    explicit tk_serializer(const char* key_path);

    const std::string& get_key_path() const { return m_key_path; }

    // store true writes the value, false loads it. False when no key is open,
    // the write fails, or the value is missing or unreadable, which leaves the
    // setting unchanged. Booleans are stored as DWORD 0 or 1.
    bool exchange(const char* name, bool& value, bool store);
    bool exchange(const char* name, std::string& value, bool store);
    bool exchange(const wchar_t* name, std::wstring& value, bool store);

private:
    std::string m_key_path;
};
