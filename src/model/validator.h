// One destination's identifier rules: maximum length, illegal characters,
// reserved words and names already given out. Derived validators fill the
// lists; the owner deletes a validator as the class it was made as.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class udb_validator {
public:
    explicit udb_validator(std::uint32_t max_length);

    virtual bool is_acceptable(const std::wstring& name);
    virtual bool is_duplicated(const std::wstring& name);
    // An acceptable name that is not used yet; the caller records it.
    virtual std::wstring get_safe_name(const std::wstring& name);

    void add_existing_name(const std::wstring& name);
    void add_mapped_pair(const std::wstring& source, const std::wstring& generated);

    std::uint32_t max_length;
    std::map<std::wstring, std::wstring> mapped_pairs;
    std::vector<wchar_t> illegal_chars;
    std::vector<std::wstring> restricted_words;
    std::vector<std::wstring> used_names;

protected:
    ~udb_validator() = default;

private:
    bool is_free(const std::wstring& name);
};
