// The wizard folder: brantwick, the desktop program and the only code that
// includes Qt. Qt Widgets stand in for the Windows dialogs: a property
// sheet of pages, dialogs built by control id (gui_ids.h keeps the ids of
// the templates), message boxes, the error dialogs and the waiting dialog.
// Pages are templates over convertor_front_end. Widgets are touched on the
// window thread only; the run and the MS SQL connect go on worker threads,
// which hand their calls over (gui_thread.h), and no exception crosses
// Qt's event loop. The wizard alone keeps its settings in the settings
// store between runs.
//
// This file: the wizard's shell: its property sheet and the services through
// which the program reaches the user: title and icon, help by context id,
// error, information and question boxes, the log box of the current page,
// the progress timer and the list of errors met during a run. Worker
// threads may call it: what touches a window runs on the window thread.
#pragma once

#include "converter/shell_services.h"
#include "wizard/property_sheet.h"

#include <QUrl>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class property_page;

class wizard_shell final : public shell_services {
public:
    // Image ids of 0 mean none.
    wizard_shell(std::wstring title, int icon_id, int watermark_id, int header_id);
    ~wizard_shell() override;

    // The process's shell; none is an internal error.
    static wizard_shell& ref();
    // A shell exists and its window got its title and icon.
    static bool is_initialized();

    // Sets title and icon and centres the sheet, once.
    void initialize_if();

    // Boxes owned by the sheet and titled "<title> Error" (" Message",
    // " Question") once the shell is initialized; before, "Error" and no owner.
    // Callable from any thread.
    static void error(const std::wstring& text);
    static void error(const std::string& text);
    static void message(const std::wstring& text);
    // Yes and No; flags may hold gui::default_second_button. True for Yes.
    static bool question(const std::wstring& text, unsigned flags);

    // Opens the help file beside the program at the context, or at its first
    // topic; a missing file is reported in the error box.
    static void display_help(int context_id);
    static void display_help();
    // The contexts asked for so far (0 for the overload without one), and the
    // opener the help file is handed to (the desktop's by default).
    static std::vector<int> help_requests();
    static void set_help_opener(std::function<bool(const QUrl&)> opener);
    // The help file: the program's path with the extension ".html".
    static std::wstring help_file_path();

    // The progress timer; starting it while it runs is an internal error.
    void set_timer(std::uint32_t milliseconds) override;
    void kill_timer();
    bool is_timer_running() const { return m_timer_running.load(); }

    // Appends to the log box (control 1016) of the current page.
    void write_log(const std::wstring& text) override;
    void error_box(const std::wstring& text) override { error(text); }
    // Keeps the first 20 errors of a run for the finish page.
    void add_error(const std::string& text) override;
    std::vector<std::string> get_errors() const;
    // Every error of the run, those past the first 20 included.
    std::size_t error_count() const;
    static constexpr std::size_t max_errors = 20;

    bool is_window_ready() const override { return m_initialized.load(); }

    void set_current_page(property_page* page) { m_current_page = page; }
    property_page* get_current_page() const { return m_current_page; }
    property_sheet& sheet() { return *m_sheet; }
    const std::wstring& get_title() const { return m_title; }

private:
    std::wstring m_title;
    int m_icon_id;
    std::atomic<bool> m_timer_running = false;
    property_page* m_current_page = nullptr;
    std::atomic<bool> m_initialized = false;
    std::unique_ptr<property_sheet> m_sheet;
    mutable std::mutex m_errors_mutex;
    std::vector<std::string> m_errors;
    std::size_t m_error_count = 0;
};
