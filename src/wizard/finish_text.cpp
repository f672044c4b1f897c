#include "wizard/finish_text.h"

#include "converter/front_end.h"
#include "toolkit/tk_file_tests.h"

namespace {

constexpr const wchar_t* finish_line = L"Click 'Finish' to exit the wizard.";

// The text before its last line, which tells the user to click Finish.
std::wstring head_of(const std::wstring& text)
{
    const std::size_t last = text.rfind(finish_line);
    return last == std::wstring::npos ? text + L"\n" : text.substr(0, last);
}

std::wstring skipped_line(std::uint32_t skipped)
{
    return std::to_wstring(skipped) + L" existing tables were skipped and left as they stood.\n";
}

std::wstring script_line(const run_outcome& outcome)
{
    const std::wstring file = L"The script file '" + outcome.destination + L"' was ";
    if (outcome.script_written)
        return file + L"written; it holds what went across.\n";
    if (outcome.earlier_script_kept)
        return file + L"not written; the earlier file of that name was kept.\n";
    return file + L"not written.\n";
}

}  // namespace

run_outcome outcome_of(const convertor_front_end& converter, std::size_t errors)
{
    run_outcome outcome;
    outcome.direct = converter.direct;
    outcome.destination = converter.get_destination_name();
    outcome.complete = converter.is_complete() && errors == 0;
    outcome.stopped = converter.is_stopped();
    outcome.aborted = converter.is_aborted();
    outcome.script_written = converter.is_script_written();
    outcome.earlier_script_kept =
        !outcome.direct && !outcome.script_written && tk_is_file_exist2(outcome.destination, tk_file_exists);
    outcome.unfinished_table = converter.get_unfinished_table();
    outcome.tables_skipped = converter.get_tally().tables_skipped;
    outcome.summary = converter.get_summary();
    return outcome;
}

std::wstring finish_heading(const run_outcome& outcome)
{
    if (outcome.complete)
        return L"Conversion is Completed";
    if (outcome.stopped)
        return L"Conversion is Stopped";
    if (outcome.aborted)
        return L"Conversion is not Completed";
    return L"Conversion is Completed with Errors";
}

std::wstring finish_message(const run_outcome& outcome, const std::wstring& success_text,
                            const std::wstring& errors_text)
{
    if (outcome.complete && outcome.direct && outcome.tables_skipped == 0)
        return success_text;
    if (outcome.complete && outcome.direct)
        return L"Wizard has migrated your MySQL database to\nMS SQL server.\n" + skipped_line(outcome.tables_skipped) +
               L"\n" + finish_line;
    if (outcome.complete)
        return L"Wizard has exported your MySQL database to the T-SQL\nscript file '" + outcome.destination +
               L"' successfully.\n\n" + finish_line;

    std::wstring text =
        outcome.stopped ? std::wstring(L"The conversion was stopped by the user.\n") : head_of(errors_text);
    text += outcome.summary + L".\n";
    if (outcome.tables_skipped != 0)
        text += skipped_line(outcome.tables_skipped);
    if (!outcome.direct)
        text += script_line(outcome);
    else if (!outcome.unfinished_table.empty())
        text += L"Table " + outcome.unfinished_table + L" was left in database '" + outcome.destination +
                L"' with part of its rows.\n";
    return text + finish_line;
}

std::wstring more_errors_line(std::size_t shown, std::size_t met)
{
    if (met <= shown)
        return std::wstring();
    return L"... and " + std::to_wstring(met - shown) + L" more errors not listed here.";
}
