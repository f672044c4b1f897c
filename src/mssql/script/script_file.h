// The output file of a T-SQL script. The statements go into a temporary file
// of its own in the destination's folder; only commit() puts it in the
// destination's place, in one rename, so that an earlier file of that name
// stays whole until the script is complete and two writers never mix their
// statements. The bytes reach the file on a thread of their own, so a failed
// write is raised by the write or the commit that follows it. Every failure
// (open, write, close, rename) raises a tk_exception of level 1 that names the
// destination and the system's reason.
#pragma once

#include "mssql/script/file_writer.h"

#include <memory>
#include <string>
#include <string_view>

// Whether a script could be written at the destination: the temporary file
// a run makes beside it is made and removed at once. A folder that its
// permissions seem to open may still refuse files (a system folder, a
// read-only mount seen by the administrator), which only this shows.
// Gives 0, or the system's error number (ENAMETOOLONG, EACCES...) when the
// file cannot be made.
int mss_script_write_error(const std::wstring& path);

class mss_script_file {
public:
    explicit mss_script_file(const std::wstring& path);
    // A script that was not committed is removed.
    ~mss_script_file();
    mss_script_file(const mss_script_file&) = delete;
    mss_script_file& operator=(const mss_script_file&) = delete;

    void write(std::string_view bytes);
    void write_utf8(const std::wstring& text);
    // Flushes and closes the file, gives it the mode of an earlier file of
    // the destination's name and renames it into the destination's place.
    // Without `replace`, an earlier file stays and the script is removed:
    // false. A file that met a write failure is never committed. Later
    // writes are refused.
    bool commit(bool replace);
    // Closes and removes the temporary file, leaving the destination as it was.
    void discard();

    const std::wstring& path() const { return m_path; }
    bool is_committed() const { return m_committed; }
    // A write, flush or close failed; the file will not be committed.
    bool has_failed() const { return !m_failure.empty(); }

private:
    [[noreturn]] void fail(const char* what, int error);
    // Renames the file to the destination; false with errno (EEXIST: an
    // earlier file that is not to be replaced).
    bool put_in_place(bool replace) const;
    void take_earlier_mode() const;
    // Ends the writing thread without writing what waits, and closes the file.
    void close_abandoned();

    std::wstring m_path;
    std::string m_temporary_path;
    int m_descriptor = -1;
    std::unique_ptr<mss_file_writer> m_writer;
    std::string m_failure;
    bool m_committed = false;
};

class tk_exception;

// For a failure met where nothing can be raised (a destructor): reported
// through the error handler, or logged when there is none.
void mss_report_script_failure(const tk_exception& failure);

// Removes the temporary file of every script not yet committed, for a
// process that must end at once while its run cannot stop.
void mss_remove_unfinished_scripts();
