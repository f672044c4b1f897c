#include "mssql/text_fit.h"

#include "model/column_descriptor.h"
#include "model/custom_conversion.h"
#include "model/field.h"
#include "mssql/column_subtypes.h"
#include "toolkit/tk_exception.h"

#include <algorithm>

namespace {

// The longest SQL Server text column with a length: VARCHAR(8000).
constexpr std::int32_t longest_sized_text = 8000;
// A value shown in a report is cut after this many characters.
constexpr std::size_t shown_characters = 200;

// Most texts are short enough to fit whatever characters they hold.
bool fits(std::wstring_view text, std::uint32_t room)
{
    return room == 0 || 2 * text.size() <= room || mss_utf16_length(text) <= room;
}

// A text held in UTF-8 is measured in its bytes, not decoded: a character
// beyond U+FFFF, the one that takes two UTF-16 units, is four of them.
bool field_fits(const udb_field& field, std::uint32_t room)
{
    if (room == 0 || field.get_type() != VT_BSTR)
        return true;
    const std::size_t characters = field.get_size();
    if (2 * characters <= room)
        return true;
    const std::string* utf8 = field.attached_utf8();
    if (utf8 == nullptr)
        return mss_utf16_length(field.text()) <= room;
    return characters +
               static_cast<std::size_t>(std::count_if(utf8->begin(), utf8->end(),
                                                      [](char c) { return static_cast<unsigned char>(c) >= 0xF0; })) <=
           room;
}

[[noreturn]] void refuse(std::wstring_view text, std::uint32_t room, const std::wstring& column)
{
    std::wstring shown(text.substr(0, shown_characters));
    if (shown.size() < text.size())
        shown += L"...";
    throw tk_exception(L"The value of column '" + column + L"' needs " + std::to_wstring(mss_utf16_length(text)) +
                           L" characters, the column holds " + std::to_wstring(room) + L": '" + shown + L"'",
                       0);
}

}  // namespace

std::size_t mss_utf16_length(std::wstring_view text)
{
    return text.size() + static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) {
               return static_cast<std::uint32_t>(c) > 0xFFFF;
           }));
}

std::uint32_t mss_server_text_room(const t_ftd& column)
{
    if (column.vartype != VT_BSTR || column.dw_reserved == odb_subtype_date_time_or_guid ||
        column.dw_reserved == odb_subtype_xml)
        return 0;
    return column.size >= 1 && column.size <= longest_sized_text ? static_cast<std::uint32_t>(column.size) : 0;
}

void mss_check_text_fits(std::wstring_view text, std::uint32_t room, const std::wstring& column)
{
    if (!fits(text, room))
        refuse(text, room, column);
}

void mss_check_field_fits(const udb_field& field, std::uint32_t room, const std::wstring& column)
{
    if (!field_fits(field, room) && !udb_custom_conversion::is_acceptable2(field))
        refuse(field.text(), room, column);
}
