// DATE values as text and back (VarDateFromStr): the en-US forms of dates
// and times, with names of months and AM/PM.
#include "platform/automation/date_calendar.h"
#include "platform/compare_string.h"

#include <array>
#include <cstdio>
#include <cwctype>
#include <optional>
#include <string_view>
#include <vector>

namespace automation_detail {

namespace {

struct date_token {
    enum class kind { number, word, separator };
    kind type;
    int value = 0;      // number
    int digits = 0;     // number
    std::wstring text;  // word, or the separator character
};

constexpr int max_number_digits = 4;

bool tokenize(std::wstring_view text, std::vector<date_token>* tokens)
{
    for (std::size_t i = 0; i < text.size();) {
        const wchar_t c = text[i];
        if (c == L' ' || c == L'\t') {
            ++i;
        } else if (c >= L'0' && c <= L'9') {
            date_token token{date_token::kind::number, 0, 0, {}};
            for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
                if (++token.digits > max_number_digits)
                    return false;
                token.value = token.value * 10 + (text[i] - L'0');
            }
            tokens->push_back(token);
        } else if (std::iswalpha(c)) {
            date_token token{date_token::kind::word, 0, 0, {}};
            for (; i < text.size() && std::iswalpha(text[i]); ++i)
                token.text.push_back(platform::ascii_lower(text[i]));
            tokens->push_back(token);
        } else if (std::wstring_view(L"/-.,:").find(c) != std::wstring_view::npos) {
            tokens->push_back({date_token::kind::separator, 0, 0, std::wstring(1, c)});
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool is_number(const std::vector<date_token>& tokens, std::size_t i)
{
    return i < tokens.size() && tokens[i].type == date_token::kind::number;
}

bool is_separator(const std::vector<date_token>& tokens, std::size_t i, wchar_t c)
{
    return i < tokens.size() && tokens[i].type == date_token::kind::separator && tokens[i].text[0] == c;
}

// 0 for AM, 12 for PM, nothing for any other token.
std::optional<int> meridiem_of(const std::vector<date_token>& tokens, std::size_t i)
{
    if (i >= tokens.size() || tokens[i].type != date_token::kind::word)
        return std::nullopt;
    const std::wstring& word = tokens[i].text;
    if (word == L"am" || word == L"a")
        return 0;
    if (word == L"pm" || word == L"p")
        return 12;
    return std::nullopt;
}

struct clock_time {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Takes "h:mm[:ss] [AM|PM]" or "h AM|PM" out of the tokens; false when a
// time is malformed, true (with nothing taken) when there is none.
bool take_time(std::vector<date_token>* tokens, std::optional<clock_time>* out)
{
    std::vector<date_token>& t = *tokens;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool with_colon = is_number(t, i) && is_separator(t, i + 1, L':') && is_number(t, i + 2);
        const bool hour_only = is_number(t, i) && meridiem_of(t, i + 1).has_value();
        if (!with_colon && !hour_only)
            continue;
        clock_time time;
        time.hour = t[i].value;
        std::size_t end = i + 1;
        if (with_colon) {
            time.minute = t[i + 2].value;
            end = i + 3;
            if (is_separator(t, end, L':') && is_number(t, end + 1)) {
                time.second = t[end + 1].value;
                end += 2;
            }
        }
        if (const auto meridiem = meridiem_of(t, end)) {
            if (time.hour < 1 || time.hour > 12)
                return false;
            time.hour = time.hour % 12 + *meridiem;
            ++end;
        }
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(end));
        *out = time;
        return true;
    }
    return true;
}

std::optional<int> month_of(const std::wstring& word)
{
    static const std::array<std::wstring_view, 12> names = {L"january",   L"february", L"march",    L"april",
                                                            L"may",       L"june",     L"july",     L"august",
                                                            L"september", L"october",  L"november", L"december"};
    for (std::size_t m = 0; m < names.size(); ++m) {
        if (word == names[m] || (word.size() == 3 && names[m].substr(0, 3) == word))
            return static_cast<int>(m + 1);
    }
    return std::nullopt;
}

bool is_weekday(const std::wstring& word)
{
    static const std::array<std::wstring_view, 7> names = {L"sunday",   L"monday", L"tuesday", L"wednesday",
                                                           L"thursday", L"friday", L"saturday"};
    for (std::wstring_view name : names) {
        if (word == name || (word.size() == 3 && name.substr(0, 3) == word))
            return true;
    }
    return false;
}

bool is_year_like(const date_token& number)
{
    return number.digits >= 3 || number.value > 31;
}

int full_year(const date_token& number)
{
    if (number.digits > 2)
        return number.value;
    return number.value < 30 ? 2000 + number.value : 1900 + number.value;
}

struct calendar_day {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool exists(const calendar_day& d)
{
    return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= days_in_month(d.year, d.month);
}

// The date from its numbers and an optional month name; nothing when they do
// not make one date.
std::optional<calendar_day> date_of(const std::vector<date_token>& numbers, std::optional<int> month)
{
    if (month) {
        if (numbers.size() == 1 && is_year_like(numbers[0]))
            return calendar_day{full_year(numbers[0]), *month, 1};
        if (numbers.size() != 2)
            return std::nullopt;
        const bool year_first = is_year_like(numbers[0]);
        const date_token& day = numbers[year_first ? 1 : 0];
        return calendar_day{full_year(numbers[year_first ? 0 : 1]), *month, day.value};
    }
    if (numbers.size() == 2 && is_year_like(numbers[1]))
        return calendar_day{full_year(numbers[1]), numbers[0].value, 1};
    if (numbers.size() != 3)
        return std::nullopt;
    if (is_year_like(numbers[0]))
        return calendar_day{full_year(numbers[0]), numbers[1].value, numbers[2].value};
    const calendar_day month_first{full_year(numbers[2]), numbers[0].value, numbers[1].value};
    if (exists(month_first))
        return month_first;
    return calendar_day{full_year(numbers[2]), numbers[1].value, numbers[0].value};
}

}  // namespace

HRESULT date_to_text(DATE date, std::wstring* out)
{
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date, &time))
        return DISP_E_OVERFLOW;
    const bool day_zero = time.wYear == 1899 && time.wMonth == 12 && time.wDay == 30;
    const bool midnight = time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0;
    char text[64] = "";
    int length = 0;
    if (!day_zero)
        length = std::snprintf(text, sizeof text, "%d/%d/%d", time.wMonth, time.wDay, time.wYear);
    if (day_zero || !midnight) {
        const int hour = time.wHour % 12 == 0 ? 12 : time.wHour % 12;
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "%s%d:%02d:%02d %s",
                      day_zero ? "" : " ", hour, time.wMinute, time.wSecond, time.wHour < 12 ? "AM" : "PM");
    }
    out->assign(text, text + std::char_traits<char>::length(text));
    return S_OK;
}

}  // namespace automation_detail

using namespace automation_detail;

HRESULT VarDateFromStr(LPCOLESTR text, LCID, ULONG, DATE* out)
{
    if (text == nullptr || out == nullptr)
        return E_INVALIDARG;
    std::vector<date_token> tokens;
    std::optional<clock_time> time;
    if (!tokenize(text, &tokens) || !take_time(&tokens, &time))
        return DISP_E_TYPEMISMATCH;
    std::vector<date_token> numbers;
    std::optional<int> month;
    for (const date_token& token : tokens) {
        if (token.type == date_token::kind::number) {
            numbers.push_back(token);
        } else if (token.type == date_token::kind::word) {
            const auto named = month_of(token.text);
            if (named && !month)
                month = named;
            else if (!is_weekday(token.text))
                return DISP_E_TYPEMISMATCH;
        } else if (token.text == L":") {
            return DISP_E_TYPEMISMATCH;
        }
    }
    std::optional<calendar_day> day;
    if (!numbers.empty() || month) {
        day = date_of(numbers, month);
        if (!day)
            return DISP_E_TYPEMISMATCH;
    } else if (!time) {
        return DISP_E_TYPEMISMATCH;
    }
    const calendar_day d = day.value_or(calendar_day{1899, 12, 30});
    const clock_time t = time.value_or(clock_time{});
    return date_from_parts(d.year, d.month, d.day, t.hour, t.minute, t.second, out) ? S_OK : DISP_E_TYPEMISMATCH;
}
