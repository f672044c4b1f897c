#include "mssql/view_rewriter.h"

#include "mssql/client_commands.h"
#include "mssql/quoting.h"
#include "platform/compare_string.h"
#include "toolkit/tk_log.h"

#include <array>
#include <utility>
#include <vector>

icomparer::icomparer(std::wstring word) : word_(std::move(word))
{
    tk_log(1, L"icomparer::ctor(%ls)", word_.c_str());
}

int icomparer::compare(const std::wstring& text, std::size_t pos) const
{
    tk_log(1, L"icomparer::compare('%ls',%d)", text.c_str(), static_cast<int>(pos));
    if (pos > text.size() || text.size() - pos < word_.size())
        return -1;
    const std::wstring_view part(text.data() + pos, word_.size());
    if (tk_log_accepts(1))
        tk_log(1, L"Got substring: '%ls'", std::wstring(part).c_str());
    return CompareStringW(NORM_IGNORECASE, part, word_) - CSTR_EQUAL;
}

namespace {

bool is_word_char(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$' ||
           c > 0x7F;
}

bool is_blank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool is_digits(const std::wstring& text, std::size_t from)
{
    if (from >= text.size())
        return false;
    for (std::size_t i = from; i < text.size(); ++i)
        if (text[i] < L'0' || text[i] > L'9')
            return false;
    return true;
}

// The character-set introducers MySQL writes in front of string literals:
// _cp<n>, _latin<n> and the UTF encodings.
bool is_charset_introducer(const std::wstring& word)
{
    static const std::array<icomparer, 6> utf = {icomparer(L"_utf8"),  icomparer(L"_utf8mb3"), icomparer(L"_utf8mb4"),
                                                 icomparer(L"_utf16"), icomparer(L"_utf16le"), icomparer(L"_utf32")};
    static const icomparer cp(L"_cp");
    static const icomparer latin(L"_latin");
    for (const auto& name : utf)
        if (name.length() == word.size() && name.compare(word, 0) == 0)
            return true;
    if (cp.compare(word, 0) == 0 && is_digits(word, cp.length()))
        return true;
    return latin.compare(word, 0) == 0 && is_digits(word, latin.length());
}

// A MySQL function call and what stands in for its name and for the closing
// parenthesis of the call (an empty suffix keeps the parenthesis).
struct function_rewrite {
    icomparer name;
    const wchar_t* head;
    const wchar_t* suffix;
};

const std::array<function_rewrite, 5>& function_rewrites()
{
    static const std::array<function_rewrite, 5> rewrites = {{
        {icomparer(L"now"), L"getdate", L""},
        {icomparer(L"isnull"), L"", L") is null"},
        {icomparer(L"from_unixtime"), L"DateAdd(ss,", L"),'01-01-1970')"},
        {icomparer(L"curdate"), L"cast", L"getdate() as date)"},
        {icomparer(L"curtime"), L"convert", L"time, getdate())"},
    }};
    return rewrites;
}

// The current date and time as the server writes them back into a view
// (MariaDB stores NOW() as current_timestamp(), with a precision when one
// was given), each as a whole T-SQL call.
struct time_function {
    const wchar_t* name;
    const wchar_t* tsql;
    // Also written without parentheses, as an SQL keyword.
    bool keyword;
    // With empty parentheses, left to function_rewrites.
    bool plain_call_rewritten;
};

const std::array<time_function, 12> time_functions = {{
    {L"now", L"getdate()", false, true},
    {L"current_timestamp", L"getdate()", true, false},
    {L"localtime", L"getdate()", true, false},
    {L"localtimestamp", L"getdate()", true, false},
    {L"sysdate", L"getdate()", false, false},
    {L"utc_timestamp", L"getutcdate()", true, false},
    {L"curdate", L"cast(getdate() as date)", false, true},
    {L"current_date", L"cast(getdate() as date)", true, false},
    {L"utc_date", L"cast(getutcdate() as date)", true, false},
    {L"curtime", L"convert(time, getdate())", false, true},
    {L"current_time", L"convert(time, getdate())", true, false},
    {L"utc_time", L"convert(time, getutcdate())", true, false},
}};

const time_function* find_time_function(const std::wstring& word)
{
    for (const time_function& function : time_functions)
        if (platform::equal_ignoring_case(word, function.name))
            return &function;
    return nullptr;
}

class view_rewriter {
public:
    view_rewriter(const std::wstring& text, const mss_view_table_names& tables) : in_(text), tables_(tables) {}

    std::wstring run()
    {
        while (pos_ < in_.size()) {
            const wchar_t c = in_[pos_];
            if (c == L'\'')
                copy_literal();
            else if (c == L'`')
                copy_quoted_name();
            else if (c == L')')
                close_call();
            else if (is_word_char(c))
                word();
            else {
                if (c == L'(')
                    ++depth_;
                out_ += c;
                ++pos_;
            }
        }
        return std::move(out_);
    }

private:
    // A MySQL string literal, its escapes undone, as a T-SQL literal: N'...'
    // when it holds letters beyond ASCII (or was a national literal).
    void copy_literal()
    {
        bool national = false;
        const bool after_n = pos_ > 0 && (in_[pos_ - 1] == L'N' || in_[pos_ - 1] == L'n') && !out_.empty() &&
                             out_.back() == in_[pos_ - 1] && (pos_ < 2 || !is_word_char(in_[pos_ - 2]));
        if (after_n) {
            out_.pop_back();
            national = true;
        }
        std::wstring value;
        ++pos_;
        while (pos_ < in_.size()) {
            const wchar_t c = in_[pos_++];
            const wchar_t next = pos_ < in_.size() ? in_[pos_] : L'\0';
            if (c == L'\\' && pos_ < in_.size()) {
                value += unescaped(next);
                ++pos_;
            } else if (c == L'\'' && next == L'\'') {
                value += c;
                ++pos_;
            } else if (c == L'\'') {
                break;
            } else {
                value += c;
            }
        }
        for (wchar_t c : value)
            national = national || c > 0x7F;
        out_ += mss_text_literal(value, national);
    }

    // What a backslash sequence of a MySQL string stands for; \% and \_ keep
    // their backslash, as MySQL does for the patterns of LIKE.
    static std::wstring unescaped(wchar_t c)
    {
        switch (c) {
        case L'0': return std::wstring(1, L'\0');
        case L'b': return L"\b";
        case L'n': return L"\n";
        case L'r': return L"\r";
        case L't': return L"\t";
        case L'Z': return L"\x1A";
        case L'%':
        case L'_': return std::wstring(1, L'\\') + c;
        default: return std::wstring(1, c);
        }
    }

    void copy_quoted_name()
    {
        const std::size_t start = pos_;
        std::wstring name;
        ++pos_;
        while (pos_ < in_.size()) {
            if (in_[pos_] == L'`') {
                if (pos_ + 1 < in_.size() && in_[pos_ + 1] == L'`') {
                    name += L'`';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            name += in_[pos_++];
        }
        // A table keeps the name the run gave it, whatever rule changed it;
        // other names were mended as the run created them.
        if (tables_ && names_table(start)) {
            if (const std::optional<std::wstring> table = tables_(name)) {
                out_ += *table;
                return;
            }
        }
        out_ += mss_bracket_name(mss_client_safe_name(std::move(name)));
    }

    // Whether the quoted name that begins at `start` and ends before pos_
    // names a table: a qualifier (`t`.`a`) or what follows FROM or JOIN.
    bool names_table(std::size_t start) const
    {
        std::size_t before = start;
        while (before > 0 && is_blank(in_[before - 1]))
            --before;
        if (before > 0 && in_[before - 1] == L'.')
            return false;
        const std::size_t after = skip_blanks(pos_);
        if (after < in_.size() && in_[after] == L'.')
            return true;
        while (before > 0 && (is_blank(in_[before - 1]) || in_[before - 1] == L'('))
            --before;
        std::size_t word_start = before;
        while (word_start > 0 && is_word_char(in_[word_start - 1]))
            --word_start;
        const std::wstring_view word(in_.data() + word_start, before - word_start);
        return platform::equal_ignoring_case(word, L"from") || platform::equal_ignoring_case(word, L"join");
    }

    void close_call()
    {
        --depth_;
        ++pos_;
        if (!pending_.empty() && pending_.back().first == depth_) {
            out_ += pending_.back().second;
            pending_.pop_back();
            tk_log(1, L"After adding suffix: '%ls'", out_.c_str());
        } else {
            out_ += L')';
        }
    }

    std::size_t skip_blanks(std::size_t from) const
    {
        while (from < in_.size() && is_blank(in_[from]))
            ++from;
        return from;
    }

    void word()
    {
        const std::size_t start = pos_;
        while (pos_ < in_.size() && is_word_char(in_[pos_]))
            ++pos_;
        const std::wstring word = in_.substr(start, pos_ - start);
        const wchar_t before = start > 0 ? in_[start - 1] : L'\0';
        const bool rewritable = before != L'.' && before != L'@' && !(word[0] >= L'0' && word[0] <= L'9');
        if (!rewritable || !rewrite(word))
            out_ += word;
    }

    bool rewrite(const std::wstring& word)
    {
        const std::size_t next = skip_blanks(pos_);
        const wchar_t follower = next < in_.size() ? in_[next] : L'\0';
        if (word[0] == L'_' && follower == L'\'' && is_charset_introducer(word)) {
            pos_ = next;
            return true;
        }
        if (const time_function* function = find_time_function(word)) {
            if (follower != L'(' && function->keyword) {
                out_ += function->tsql;
                return true;
            }
            // A precision in the parentheses has no T-SQL counterpart.
            const std::size_t close = follower == L'(' ? in_.find(L')', next) : std::wstring::npos;
            const bool precision_only =
                close != std::wstring::npos && in_.find_first_not_of(L" \t\r\n0123456789", next + 1) == close;
            const bool has_precision = precision_only && in_.find_first_of(L"0123456789", next + 1) < close;
            if (precision_only && (has_precision || !function->plain_call_rewritten)) {
                out_ += function->tsql;
                pos_ = close + 1;
                return true;
            }
        }
        if (follower != L'(')
            return false;
        static const icomparer ifnull(L"ifnull");
        if (word.size() == ifnull.length() && ifnull.compare(word, 0) == 0) {
            std::wstring isnull = word;
            isnull[1] = word[1] == L'F' ? L'S' : L's';
            out_ += isnull;
            pos_ = next;
            return true;
        }
        for (const auto& f : function_rewrites()) {
            if (word.size() != f.name.length() || f.name.compare(word, 0) != 0)
                continue;
            out_ += f.head;
            if (*f.suffix != L'\0')
                pending_.emplace_back(depth_, f.suffix);
            pos_ = next;
            return true;
        }
        return false;
    }

    const std::wstring& in_;
    const mss_view_table_names& tables_;
    std::wstring out_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    // One pending closing text per rewritten call still open, innermost last.
    std::vector<std::pair<int, std::wstring>> pending_;
};

}  // namespace

std::wstring refine_view(const std::wstring& select_text, const mss_view_table_names& tables)
{
    tk_log(1, "mss_database::refine_view");
    return view_rewriter(select_text, tables).run();
}
