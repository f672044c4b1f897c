#pragma once

#include <string>

// A CTest-friendly label for a parameterized case: letters, digits and "_".
inline std::string test_label(const std::wstring& text)
{
    std::string label;
    for (const wchar_t c : text) {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
        label += plain ? static_cast<char>(c) : '_';
    }
    return label.empty() ? "empty" : label;
}
