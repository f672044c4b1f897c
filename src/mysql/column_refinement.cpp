#include "mysql/column_refinement.h"

#include <cwchar>

#include "mysql/column_types.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

namespace {

bool same_text_no_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(NORM_IGNORECASE, a, b) == CSTR_EQUAL;
}

// "0000-00-00", "0000-00-00 00:00:00.000000", "00000000000000" and the like.
bool is_zero_date(const std::wstring& text) {
    return !text.empty() && text.find(L'0') != std::wstring::npos &&
           text.find_first_not_of(L"0-: .") == std::wstring::npos;
}

// MySQL writes CURRENT_TIMESTAMP, MariaDB current_timestamp() or current_timestamp(6).
bool is_current_timestamp(const std::wstring& text) {
    static const std::wstring keyword = L"current_timestamp";
    if (text.size() < keyword.size() || !same_text_no_case(text.substr(0, keyword.size()), keyword))
        return false;
    std::wstring rest = text.substr(keyword.size());
    return rest.empty() || (rest.front() == L'(' && rest.back() == L')' &&
                            rest.find_first_not_of(L"0123456789", 1) == rest.size() - 1);
}

// b'101' as a number; none when the text is no bit literal.
bool bit_literal(const std::wstring& text, std::uint64_t& value) {
    if (text.size() < 3 || (text[0] != L'b' && text[0] != L'B') || text[1] != L'\'' || text.back() != L'\'')
        return false;
    value = 0;
    for (std::size_t i = 2; i + 1 < text.size(); ++i) {
        if (text[i] != L'0' && text[i] != L'1') return false;
        value = value << 1 | static_cast<std::uint64_t>(text[i] - L'0');
    }
    return true;
}

void refine_date_default(t_ftd& column, const std::wstring& text) {
    if (text.empty() || is_zero_date(text)) {
        tk_log(2, "Skip empty def.values for date column");
        column.b_not_null = false;
    } else if (is_current_timestamp(text)) {
        tk_log(2, "Special processing for CURRENT_TIMESTAMP");
        column.dw_reserved = 9;
    }
}

}  // namespace

void sql_refine_type(t_ftd& column, const std::wstring& type_text) {
    int size = 0, precision = 0, scale = 0;
    if (std::swscanf(type_text.c_str(), L"varchar(%d)", &size) == 1) {
        tk_log(2, "Refining type/size for varchar(%d)", size);
        column.vartype = VT_BSTR;
        column.size = size;
    } else if (std::swscanf(type_text.c_str(), L"float(%d,%d)", &precision, &scale) == 2) {
        tk_log(2, "Refining type for FLOAT(%d,%d)", precision, scale);
        if (precision != 0 && scale != 0 && precision > scale) {
            column.vartype = VT_DECIMAL;
            column.precision = precision;
            column.scale = scale;
        }
    } else if (tk_ends_with(type_text, L"text", true) || tk_ends_with(type_text, L"TEXT", true)) {
        tk_log(2, "Change type from BLOB to TEXT");
        column.vartype = VT_BSTR;
    }
}

void sql_refine_default(t_ftd& column, const std::wstring& text) {
    tk_log(2, L"Got default value: %ls", text.c_str());
    if (!column.b_not_null && text.empty()) return;
    tk_log(2, "Default value's type: %08X", static_cast<unsigned>(column.vartype));
    std::uint64_t bits = 0;
    switch (column.vartype) {
    case VT_DATE:
        refine_date_default(column, text);
        break;
    case VT_BOOL:
        tk_log(2, "Special processing for boolean");
        if (same_text_no_case(text, L"b'0'")) column.default_value = ole_variant(false);
        else if (same_text_no_case(text, L"b'1'")) column.default_value = ole_variant(true);
        break;
    case VT_BSTR:
        column.default_value = ole_variant(text);
        break;
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case ole_vt_bytes: {
        // The default of a binary column is its bytes, not hexadecimal digits.
        std::string bytes = tk_unicode_to_utf8(text);
        column.default_value = ole_variant(static_cast<std::uint32_t>(bytes.size()),
                                           reinterpret_cast<const std::uint8_t*>(bytes.data()));
        break;
    }
    default:
        if (bit_literal(text, bits)) column.default_value = ole_variant(bits);
        else column.default_value = ole_variant::from_wstring(text, column.vartype);
        break;
    }
}
