// The functor base of the conversion job: the job's names, the log file name
// and the silent flag. The window thread polls the finished flag while the job
// runs on a worker thread.
#pragma once

#include "toolkit/tk_thread.h"

#include <atomic>
#include <string>

class tk_converter : public tk_thread_functor {
public:
    tk_converter();

    virtual void set_silent(bool silent);
    bool is_silent() const { return m_silent; }
    bool is_finished() const { return m_finished.load(std::memory_order_acquire); }

    const std::wstring& get_source_name() const { return m_source_name; }
    void set_source_name(const std::wstring& name) { m_source_name = name; }
    const std::wstring& get_destination_name() const { return m_destination_name; }
    void set_destination_name(const std::wstring& name) { m_destination_name = name; }
    const std::string& get_logfile() const { return m_logfile; }

    // Checks the name and switches the log on to it, unless the log is held.
    // An empty name changes nothing; an unusable one raises tk_exception
    // (code 1) naming the cause.
    void set_logfile(const std::string& name);
    // The log's first line empties its file: while the log is held, a name
    // is checked and kept but nothing is written, until start_log switches
    // the log on to the last name accepted.
    void hold_log() { m_log_held = true; }
    void start_log();

protected:
    std::atomic<bool> m_finished = false;
    bool m_silent = false;
    std::wstring m_source_name;
    std::wstring m_destination_name;
    std::string m_logfile;
    bool m_log_held = false;
};
