#include "variant/ole_date.h"

#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/leading_number.h"
#include "variant/padded_digits.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr std::uint32_t microseconds_per_second = 1000000;

bool is_leap_year(int year)
{
    if (year < 1)
        ++year;
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month)
{
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : lengths[month - 1];
}

// The 12-hour suffix, searched in this order; the text is cut before it.
std::optional<bool> take_meridiem(std::string& text)
{
    for (const char* suffix : {"AM", "PM", "am", "pm"}) {
        const std::size_t found = text.find(suffix);
        if (found != std::string::npos) {
            text = tk_trim(text.substr(0, found));
            return suffix[0] == 'P' || suffix[0] == 'p';
        }
    }
    return std::nullopt;
}

// The forms the servers print dates in, '9' standing for a digit; the
// seconds may go on with a fraction of up to nine digits.
constexpr std::string_view iso_date = "9999-99-99";
constexpr std::string_view iso_date_time = "9999-99-99 99:99:99";
constexpr std::size_t iso_seconds_at = 17;

bool is_digit(char character)
{
    return character >= '0' && character <= '9';
}

// The second that the text's first two digits give, if it is a valid one
// (0 to 60, a leap second included); -1 otherwise.
int leading_second(const char* seconds)
{
    if (!is_digit(seconds[0]) || !is_digit(seconds[1]))
        return -1;
    const int value = (seconds[0] - '0') * 10 + (seconds[1] - '0');
    return value < 61 ? value : -1;
}

// Eight bytes of a shape from its byte `at`: the bytes other than '9' (all
// ones in the mask) and their values; the '9' bytes must be digits. Bytes
// are read in memory order into the low end first.
struct shape_window {
    std::size_t at = 0;
    std::uint64_t literal_mask = 0;
    std::uint64_t literal_bytes = 0;
};

static_assert(std::endian::native == std::endian::little, "shape windows read bytes low end first");

constexpr shape_window window_of(std::string_view shape, std::size_t at)
{
    shape_window window;
    window.at = at;
    for (std::size_t i = 0; i < 8; ++i) {
        if (shape[at + i] == '9')
            continue;
        window.literal_mask |= std::uint64_t{0xFF} << (8 * i);
        window.literal_bytes |= std::uint64_t{static_cast<unsigned char>(shape[at + i])} << (8 * i);
    }
    return window;
}

// Whether the window's eight bytes of text fit it: its literals in place,
// digits elsewhere. Every date read is tested, so eight bytes at a time.
bool fits(const char* text, const shape_window& window)
{
    constexpr std::uint64_t high_nibbles = 0xF0F0F0F0F0F0F0F0u;
    constexpr std::uint64_t zeros = 0x3030303030303030u;
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, text + window.at, sizeof bytes);
    if ((bytes & window.literal_mask) != window.literal_bytes)
        return false;
    // The literals become '0' so that one test covers all eight bytes.
    const std::uint64_t digits = (bytes & ~window.literal_mask) | (zeros & window.literal_mask);
    return (digits & high_nibbles) == zeros && ((digits + 0x0606060606060606u) & high_nibbles) == zeros;
}

// The shapes in windows of eight bytes; the last window of each overlaps the one before.
constexpr shape_window date_windows[] = {window_of(iso_date, 0), window_of(iso_date, 2)};
constexpr shape_window date_time_windows[] = {window_of(iso_date_time, 0), window_of(iso_date_time, 8),
                                              window_of(iso_date_time, 11)};

// Whether text, at least as long as the windows reach, fits every one of them.
template <std::size_t count>
bool fits_all(const char* text, const shape_window (&windows)[count])
{
    return std::all_of(windows, windows + count, [text](const shape_window& window) { return fits(text, window); });
}

// 3 for an ISO date, 6 for an ISO date-time, else 0. For these texts the
// first separated form's sscanf reads exactly these fields, at many times
// the cost; every date of a conversion run is read this way, twice.
int iso_fields(std::string_view text)
{
    if (text.size() == iso_date.size())
        return fits_all(text.data(), date_windows) ? 3 : 0;
    if (text.size() < iso_date_time.size() || !fits_all(text.data(), date_time_windows))
        return 0;
    const std::string_view fraction = text.substr(iso_date_time.size());
    if (fraction.empty())
        return 6;
    if (fraction.size() < 2 || fraction.size() > 10 || fraction[0] != '.')
        return 0;
    for (char character : fraction.substr(1)) {
        if (!is_digit(character))
            return 0;
    }
    return 6;
}

short iso_number(std::string_view text, std::size_t at, std::size_t digits)
{
    short value = 0;
    for (std::size_t i = at; i < at + digits; ++i)
        value = static_cast<short>(value * 10 + (text[i] - '0'));
    return value;
}

}  // namespace

ole_date::ole_date()
{
    tk_log(1, "ole_date::ole_date()");
}

ole_date::ole_date(const SYSTEMTIME& time) : m_kind(kind_date_time), m_time(time)
{
    refine_type();
}

ole_date::ole_date(const VARIANT& value)
{
    if (value.vt == VT_DATE) {
        if (VariantTimeToSystemTime(value.date, &m_time)) {
            m_kind = kind_date_time;
            refine_type();
        } else {
            m_time = SYSTEMTIME{};
            tk_log(2, "Failed to convert VARIANT->SYSTEMTIME");
        }
    } else if (value.vt != VT_EMPTY && value.vt != VT_NULL) {
        throw tk_mail_assertion("ole_date", 90);
    }
}

ole_date::ole_date(const std::string& text)
{
    parse(text);
}

ole_date::ole_date(const std::wstring& text)
{
    std::string narrow;
    tk_unicode_to_ansi3(text.c_str(), narrow);
    parse(narrow);
}

void ole_date::parse(const std::string& original)
{
    tk_log(1, "ole_date::ole_date('%s')", original.c_str());
    // The servers' ISO forms have no blanks to trim and no 12-hour suffix:
    // they are read as they stand, without a copy.
    const int original_iso_fields = iso_fields(original);
    const bool as_it_stands = original_iso_fields != 0;
    std::string trimmed = as_it_stands ? std::string() : tk_trim(original);
    const std::string& text = as_it_stands ? original : trimmed;
    tk_log(1, "After tk_trim: %s", text.c_str());
    const std::optional<bool> afternoon = as_it_stands ? std::nullopt : take_meridiem(trimmed);
    tk_log(1, "Again buf1=%s", text.c_str());
    if (text.size() < 5) {
        tk_log(2, "Invalid date/time format: '%s'", text.c_str());
        return;
    }
    if (!import_text(text, as_it_stands ? original_iso_fields : iso_fields(text)) || !afternoon || m_kind == kind_date)
        return;
    // 12 AM is the first hour of the day, 12 PM the thirteenth.
    const bool is_afternoon = afternoon.value_or(false);
    if (is_afternoon && m_time.wHour < 12)
        m_time.wHour += 12;
    else if (!is_afternoon && m_time.wHour == 12)
        m_time.wHour = 0;
}

void ole_date::clear()
{
    m_kind = kind_empty;
    m_microseconds = 0;
    m_time = SYSTEMTIME{};
}

bool ole_date::has_date() const
{
    return m_time.wYear != 0 || m_time.wMonth != 0 || m_time.wDay != 0;
}

void ole_date::refine_type()
{
    tk_log(1, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", m_time.wYear, m_time.wMonth, m_time.wDay, m_time.wHour,
           m_time.wMinute, m_time.wSecond);
    if (!has_date()) {
        m_kind = kind_time;
        tk_log(1, "Switch to 'pure' time");
    } else if (m_time.wHour == 0 && m_time.wMinute == 0 && m_time.wSecond == 0 && m_time.wMilliseconds == 0 &&
               m_microseconds == 0 && m_time.wYear != 0 && m_time.wMonth != 0 && m_time.wDay != 0) {
        m_kind = kind_date;
        tk_log(1, "Switch to 'pure' date");
    }
}

bool ole_date::is_valid() const
{
    tk_log(1, "ole_date::is_valid");
    if (m_kind == kind_empty)
        return false;
    if (!has_date()) {
        tk_log(1, "DATETIME is a pute time");
    } else if (m_time.wMonth < 1 || m_time.wMonth > 12) {
        tk_log(1, "Invalid month");
        return false;
    } else if (m_time.wDay > 31) {
        tk_log(1, "Invalid day (1)");
        return false;
    } else if (m_time.wDay > days_in_month(m_time.wYear, m_time.wMonth)) {
        tk_log(1, "Invalid day (2)");
        return false;
    } else if (m_time.wYear == 0 || m_time.wDay == 0) {
        tk_log(1, "Got zero day/month/year");
        return false;
    }
    if (m_time.wHour >= 24 || m_time.wMinute > 60 || m_time.wSecond > 60) {
        tk_log(2, "Invalid time");
        return false;
    }
    return true;
}

bool ole_date::import_from_string(const std::string& text)
{
    return import_text(text, iso_fields(text));
}

bool ole_date::import_text(const std::string& text, int text_iso_fields)
{
    tk_log(1, "ole_date::import_from_string(%s)", text.c_str());
    clear();
    if (text.size() == 14 && try_compact_date_time(text))
        return true;
    clear();
    if (text.size() == 8 && try_compact_date(text))
        return true;
    clear();
    // A time alone never starts with an ISO date.
    if (text_iso_fields == 0 && try_pure_time(text))
        return true;
    for (int form = 0; form < 3; ++form) {
        clear();
        if (try_separated_date_time(text, form, text_iso_fields))
            return true;
    }
    clear();
    if (try_system_parser(text))
        return true;
    clear();
    tk_log(2, "Invalid date/time format: '%s'", text.c_str());
    return false;
}

void ole_date::set_date_parts(int year, int month, int day)
{
    if (day > 31 && year < 32) {
        tk_log(2, "Swap day and year: day=%d, year=%d", day, year);
        std::swap(day, year);
    }
    // Negative numbers become large ones, which the validity test refuses.
    m_time.wYear = static_cast<WORD>(year);
    m_time.wMonth = static_cast<WORD>(month);
    m_time.wDay = static_cast<WORD>(day);
}

bool ole_date::try_compact_date_time(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const int items =
        std::sscanf(text.c_str(), "%4d%02d%02d%02d%02d%02d", &year, &month, &day, &hour, &minute, &second);
    set_date_parts(year, month, day);
    if (items != 6)
        return false;
    m_time.wHour = static_cast<WORD>(hour);
    m_time.wMinute = static_cast<WORD>(minute);
    m_time.wSecond = static_cast<WORD>(second);
    m_kind = kind_date_time;
    return is_valid();
}

bool ole_date::try_compact_date(const std::string& text)
{
    int year = 0, month = 0, day = 0;
    if (std::sscanf(text.c_str(), "%4d%02d%02d", &year, &month, &day) != 3)
        return false;
    set_date_parts(year, month, day);
    m_kind = kind_date;
    return is_valid();
}

bool ole_date::try_pure_time(const std::string& text)
{
    short hour = 0, minute = 0;
    char seconds[64] = "";
    const int items = std::sscanf(text.c_str(), "%4hd:%4hd:%63s", &hour, &minute, seconds);
    if (items != 2 && items != 3)
        return false;
    m_kind = kind_time;
    m_time.wHour = static_cast<WORD>(hour);
    m_time.wMinute = static_cast<WORD>(minute);
    return (items == 2 || process_milliseconds(seconds)) && is_valid();
}

bool ole_date::try_separated_date_time(const std::string& text, int form, int text_iso_fields)
{
    static const char* const formats[] = {"%4hd-%4hd-%4hd %4hd:%4hd:%63s", "%4hd/%4hd/%4hd %4hd:%4hd:%63s",
                                          "%4hd.%4hd.%4hd %4hd:%4hd:%63s"};
    tk_log(1, "Trying datetime format #%d", form);
    short year = 0, month = 0, day = 0, hour = 0, minute = 0;
    char seconds[64] = "";
    int items = form == 0 ? text_iso_fields : 0;
    if (items != 0) {
        year = iso_number(text, 0, 4);
        month = iso_number(text, 5, 2);
        day = iso_number(text, 8, 2);
        if (items == 6) {
            hour = iso_number(text, 11, 2);
            minute = iso_number(text, 14, 2);
            seconds[text.copy(seconds, sizeof seconds - 1, iso_seconds_at)] = '\0';
        }
    } else {
        items = std::sscanf(text.c_str(), formats[form], &year, &month, &day, &hour, &minute, seconds);
    }
    if (items != 3 && items != 6)
        return false;
    set_date_parts(year, month, day);
    if (items == 3) {
        tk_log(1, "Format #%d succeeded (3 items)", form);
        m_kind = kind_date;
        return is_valid();
    }
    tk_log(1, "Format #%d succeeded (6 items)", form);
    m_kind = kind_date_time;
    m_time.wHour = static_cast<WORD>(hour);
    m_time.wMinute = static_cast<WORD>(minute);
    if (!process_milliseconds(seconds) || !is_valid())
        return false;
    refine_type();
    return true;
}

bool ole_date::try_system_parser(const std::string& text)
{
    DATE date = 0;
    if (FAILED(VarDateFromStr(tk_ansi_to_unicode(text).c_str(), 1033, 0, &date)) ||
        !VariantTimeToSystemTime(date, &m_time))
        return false;
    m_kind = kind_date_time;
    refine_type();
    tk_log(1, "Got datetime using Microsoft API");
    return true;
}

// The microseconds come from the seconds text; the milliseconds are derived
// from them, so that both always tell the same time. A fraction that rounds up
// to a whole second moves the time on by that second.
bool ole_date::process_milliseconds(const char* seconds)
{
    tk_log(1, "ole_date::process_milliseconds");
    if (whole_seconds(seconds) || microsecond_seconds(seconds))
        return true;
    const double value = leading_double(seconds);
    if (!(value >= 0 && value < 61))
        return false;
    const double whole = std::floor(value);
    m_time.wSecond = static_cast<WORD>(whole);
    m_microseconds = static_cast<std::uint32_t>(std::lround((value - whole) * microseconds_per_second));
    if (m_microseconds >= microseconds_per_second)
        m_microseconds = advance_one_second() ? 0 : microseconds_per_second - 1;
    m_time.wMilliseconds = static_cast<WORD>(m_microseconds / 1000);
    return true;
}

// Two digits of a valid second and nothing else, as the servers print
// seconds without a fraction: they need no floating-point reading. False
// leaves the text to the general reading.
bool ole_date::whole_seconds(const char* seconds)
{
    const int value = leading_second(seconds);
    if (value < 0 || seconds[2] != '\0')
        return false;
    m_time.wSecond = static_cast<WORD>(value);
    m_microseconds = 0;
    m_time.wMilliseconds = 0;
    return true;
}

// Two digits, a point and one to six digits, as the servers print seconds
// with a fraction: read exactly, as the floating-point reading would give
// them, which only a seventh digit could round up.
bool ole_date::microsecond_seconds(const char* seconds)
{
    const int value = leading_second(seconds);
    if (value < 0 || seconds[2] != '.')
        return false;
    std::uint32_t fraction = 0;
    int digits = 0;
    const char* digit = seconds + 3;
    for (; digits < 6 && is_digit(*digit); ++digit, ++digits)
        fraction = fraction * 10 + static_cast<std::uint32_t>(*digit - '0');
    if (digits == 0 || *digit != '\0')
        return false;
    for (; digits < 6; ++digits)
        fraction *= 10;
    m_time.wSecond = static_cast<WORD>(value);
    m_microseconds = fraction;
    m_time.wMilliseconds = static_cast<WORD>(fraction / 1000);
    return true;
}

// False when there is no next second to move to: the last second of a pure
// time, or of 9999-12-31. The value then keeps its greatest fraction instead.
bool ole_date::advance_one_second()
{
    SYSTEMTIME& t = m_time;
    const bool last_second_of_day = t.wHour == 23 && t.wMinute == 59 && t.wSecond >= 59;
    const bool last_day = t.wYear == 9999 && t.wMonth == 12 && t.wDay == 31;
    if (last_second_of_day && (!has_date() || last_day))
        return false;
    if (++t.wSecond < 60)
        return true;
    t.wSecond = 0;
    if (++t.wMinute < 60)
        return true;
    t.wMinute = 0;
    if (++t.wHour < 24)
        return true;
    t.wHour = 0;
    if (t.wMonth < 1 || t.wMonth > 12 || ++t.wDay <= days_in_month(t.wYear, t.wMonth))
        return true;
    t.wDay = 1;
    if (++t.wMonth <= 12)
        return true;
    t.wMonth = 1;
    ++t.wYear;
    return true;
}

// Built field by field in a buffer that holds the longest text (every field
// at its widest is 43 characters): every date of a conversion run is printed here.
std::string ole_date::format(std::uint32_t precision, bool time_alone) const
{
    char text[format_room];
    return std::string(text, format_to(text, precision, time_alone));
}

char* ole_date::format_to(char* out, std::uint32_t precision, bool time_alone) const
{
    const SYSTEMTIME& t = m_time;
    const bool whole_seconds = m_microseconds == 0 && t.wMilliseconds == 0;
    const bool midnight = whole_seconds && t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0;
    const auto append_date = [&] {
        out = put_padded(out, t.wYear, 4);
        *out++ = '-';
        out = put_padded(out, t.wMonth, 2);
        *out++ = '-';
        out = put_padded(out, t.wDay, 2);
    };
    if (m_kind == kind_date || (m_kind == kind_date_time && midnight)) {
        append_date();
        return out;
    }
    if (m_kind != kind_time) {
        append_date();
        *out++ = ' ';
    } else if (!time_alone) {
        constexpr std::string_view zero_date = "0000-00-00 ";
        out = std::copy(zero_date.begin(), zero_date.end(), out);
    }
    out = put_padded(out, t.wHour % 24, 2);
    *out++ = ':';
    out = put_padded(out, t.wMinute, 2);
    *out++ = ':';
    out = put_padded(out, t.wSecond, 2);
    if (precision == 6 && m_microseconds != 0) {
        *out++ = '.';
        out = put_padded(out, m_microseconds, 6);
    } else if (precision != 0 && !whole_seconds) {
        *out++ = '.';
        out = put_padded(out, t.wMilliseconds, 3);
    }
    return out;
}

std::string ole_date::to_string(std::uint32_t precision) const
{
    tk_log(1, "ole_date::to_string(%d)", static_cast<int>(precision));
    const std::string text = m_kind == kind_empty ? std::string() : format(precision, false);
    tk_log(1, "buf=%s", text.c_str());
    return text;
}

std::wstring ole_date::to_wstring(std::uint32_t precision) const
{
    const std::string text = to_script_text(precision);
    return std::wstring(text.begin(), text.end());
}

std::string ole_date::to_script_text(std::uint32_t precision) const
{
    std::string text;
    append_script_text(text, precision);
    return text;
}

void ole_date::append_script_text(std::string& out, std::uint32_t precision) const
{
    tk_log(1, "ole_date::to_wstring(%d)", static_cast<int>(precision));
    if (m_kind == kind_empty)
        return;
    char text[format_room];
    const char* end = format_to(text, precision, true);
    tk_log(1, "buf=%.*s", static_cast<int>(end - text), text);
    out.append(static_cast<const char*>(text), end);
}
