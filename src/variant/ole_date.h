// A date, a time or a date-time with fractions of a second down to
// microseconds, parsed from the many forms in which MySQL and users write
// them and printed in the ISO-like forms that MS SQL reads.
#pragma once

#include "platform/automation/date_time.h"

#include <cstdint>
#include <string>

class ole_date {
public:
    // What the value holds.
    static constexpr std::uint32_t kind_empty = 0;  // not a valid date
    static constexpr std::uint32_t kind_date_time = 1;
    static constexpr std::uint32_t kind_date = 2;
    static constexpr std::uint32_t kind_time = 3;

    ole_date();
    explicit ole_date(const SYSTEMTIME& time);
    // VT_DATE, VT_EMPTY or VT_NULL; any other type is an internal error.
    explicit ole_date(const VARIANT& value);
    // Parsing never throws: a text that no form matches leaves kind_empty.
    explicit ole_date(const std::string& text);
    explicit ole_date(const std::wstring& text);

    // A value without a date becomes a pure time, one without a time of day a pure date.
    void refine_type();
    bool is_valid() const;
    // precision 0: no fraction; 6: microseconds when there are any; else milliseconds.
    std::string to_string(std::uint32_t precision) const;
    // As to_string, except that a pure time prints without the zero date.
    std::wstring to_wstring(std::uint32_t precision) const;
    // The text of to_wstring, which is ASCII, in a narrow string.
    std::string to_script_text(std::uint32_t precision) const;
    // The text of to_script_text, added to the end of out.
    void append_script_text(std::string& out, std::uint32_t precision) const;
    // Tries the known forms in turn; false (and kind_empty) when none gives a valid value.
    bool import_from_string(const std::string& text);

    std::uint32_t get_kind() const { return m_kind; }
    void set_kind(std::uint32_t kind) { m_kind = kind; }
    std::uint32_t get_microseconds() const { return m_microseconds; }
    const SYSTEMTIME& get_time() const { return m_time; }

private:
    void parse(const std::string& text);
    void clear();
    bool has_date() const;
    bool try_compact_date_time(const std::string& text);
    bool try_compact_date(const std::string& text);
    bool try_pure_time(const std::string& text);
    // text_iso_fields: what iso_fields tells of the text, worked out once.
    bool import_text(const std::string& text, int text_iso_fields);
    bool try_separated_date_time(const std::string& text, int form, int text_iso_fields);
    bool try_system_parser(const std::string& text);
    void set_date_parts(int year, int month, int day);
    bool process_milliseconds(const char* seconds);
    bool whole_seconds(const char* seconds);
    bool microsecond_seconds(const char* seconds);
    bool advance_one_second();
    std::string format(std::uint32_t precision, bool time_alone) const;
    // The text of format, written at out (room for format_room); returns its end.
    char* format_to(char* out, std::uint32_t precision, bool time_alone) const;
    static constexpr std::size_t format_room = 64;

    std::uint32_t m_kind = kind_empty;
    std::uint32_t m_microseconds = 0;
    SYSTEMTIME m_time{};
};
