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

class view_rewriter {
public:
    explicit view_rewriter(const std::wstring& text) : in_(text) {}

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
        // The tables and columns it names were mended as the run created them.
        out_ += mss_bracket_name(mss_client_safe_name(std::move(name)));
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
    std::wstring out_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    // One pending closing text per rewritten call still open, innermost last.
    std::vector<std::pair<int, std::wstring>> pending_;
};

}  // namespace

std::wstring refine_view(const std::wstring& select_text)
{
    tk_log(1, "mss_database::refine_view");
    return view_rewriter(select_text).run();
}
