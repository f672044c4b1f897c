// What the finish page says of a run: its title and its text, made from how
// the run ended, so that a stopped, failed or partly failed run is never
// shown as a success and a script run names the file it wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class convertor_front_end;

struct run_outcome {
    bool direct = true;
    // The MS SQL database or the script file.
    std::wstring destination;
    // Everything went across and no error was met.
    bool complete = false;
    bool stopped = false;
    // Ended early: a fatal failure or the user's Abort.
    bool aborted = false;
    bool script_written = false;
    // A script that was not written left an earlier file of its name in place.
    bool earlier_script_kept = false;
    // The destination table an early end left with part of its rows.
    std::wstring unfinished_table;
    std::uint32_t tables_skipped = 0;
    std::wstring summary;
};

// The last run of the converter; `errors` is how many errors it met.
run_outcome outcome_of(const convertor_front_end& converter, std::size_t errors);

std::wstring finish_heading(const run_outcome& outcome);
// success_text and errors_text are the page's own texts; each ends with the
// line that tells the user to click Finish, before which the details go.
std::wstring finish_message(const run_outcome& outcome, const std::wstring& success_text,
                            const std::wstring& errors_text);
// The line under the error list when the list could not hold them all.
std::wstring more_errors_line(std::size_t shown, std::size_t met);
