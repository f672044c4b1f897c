#include "wizard/wizard_entry.h"

#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "platform/clipboard.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"
#include "wizard/bwk_sel_tables_page.h"
#include "wizard/bwk_sel_views_page.h"
#include "wizard/dump_settings_page.h"
#include "wizard/finish_page.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_thread.h"
#include "wizard/mssql_settings_page.h"
#include "wizard/mysql_settings_page.h"
#include "wizard/program_images.h"
#include "wizard/progress_page.h"
#include "wizard/sel_file_page.h"
#include "wizard/welcome_page.h"
#include "wizard/wizard_error_handler.h"
#include "wizard/wizard_shell.h"

#include <QApplication>
#include <QClipboard>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

constexpr const wchar_t* profile_extension = L"bwk";
constexpr const wchar_t* finish_errors_text =
    L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";
constexpr const wchar_t* finish_success_text = L"Wizard has migrated your MySQL database to\nMS SQL server "
                                               L"successfully.\n\nClick 'Finish' to exit the wizard.";

std::wstring window_title()
{
    char title[64];
    std::snprintf(title, sizeof title, "Velmora %d.%d %s", 8, 3, "");
    // Without an edition the format leaves a blank at the end, which the
    // titles of the boxes would double before " Error".
    return tk_ansi_to_unicode(tk_trim(title));
}

// Whether the run of this wizard, if there was one, carried everything across.
bool run_succeeded(const convertor_front_end& converter, const wizard_shell& shell)
{
    return !converter.is_finished() || (converter.is_complete() && shell.get_errors().empty());
}

// A script needs no server: in script mode a server that does not answer
// is logged and the run writes the script as the pages would have it.
void connect_destination_server(convertor_front_end& converter)
{
    if (converter.direct) {
        converter.connect_mssql_server();
        return;
    }
    try {
        converter.connect_mssql_server();
    } catch (const tk_exception& exception) {
        tk_log(3, "No MS SQL server answered; the script is written without one: %s", exception.what());
    }
}

// The sheet from the start to its end; the result is the exit code.
int run_sheet(const std::wstring& profile)
{
    const std::unique_ptr<convertor_front_end> owned = make_convertor(convertor_form::wizard);
    convertor_front_end& converter = *owned;
    const bool quick_launch = !profile.empty();
    if (quick_launch) {
        tk_log(2, L"QUICK LAUNCH: profile=%ls", profile.c_str());
        if (!converter.load_profile_file(profile))
            throw tk_exception(converter.get_profile_error(), 1);
        converter.check_log_file();
        // A quick launch is a run from its start.
        converter.start_log();
    }
    wizard_shell shell(window_title(), gui::image_program_icon, gui::image_watermark, gui::image_header);

    welcome_page welcome(profile_extension);
    mysql_settings_page mysql_settings;
    mssql_settings_page mssql_settings;
    dump_settings_page script_settings;
    sel_file_page database_and_file;
    bwk_sel_tables_page tables;
    bwk_sel_views_page views;
    std::optional<progress_page> progress(std::in_place);
    gui_finish_page_t<convertor_front_end, gui::page_finish> finish(finish_success_text, finish_errors_text,
                                                                    profile_extension);
    if (quick_launch) {
        converter.connect_mysql_server();
        connect_destination_server(converter);
        converter.check_dest();
        for (property_page* page : std::initializer_list<property_page*>{
                 &welcome, &mysql_settings, &mssql_settings, &script_settings, &database_and_file, &tables, &views})
            shell.sheet().make_room_for(*page);
        shell.sheet().add_page(*progress);
        shell.sheet().add_page(finish);
    } else {
        shell.sheet().add_page(welcome);
        shell.sheet().add_page(mysql_settings);
        shell.sheet().add_page(mssql_settings);
        shell.sheet().add_page(script_settings);
        shell.sheet().add_page(database_and_file);
        shell.sheet().add_page(tables);
        shell.sheet().add_page(views);
        shell.sheet().add_page(*progress);
        shell.sheet().add_page(finish);
    }
    shell.sheet().run();
    // A run still going on stops here and its thread ends, before the run is judged.
    progress.reset();
    return run_succeeded(converter, shell) ? 0 : -1;
}

}  // namespace

std::wstring profile_path_of(const std::string& command_line)
{
    std::string path = tk_trim(command_line);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    return tk_ansi_to_unicode(path);
}

void gui_initialize()
{
    tk_log(2, "gui_initialize");
    if (QApplication::instance() == nullptr) {
        wizard_shell::error(L"Failed to initialize GUI library");
        std::exit(-1);
    }
    tk_log(1, "Qt version=%s", qVersion());
    platform::set_clipboard_writer([](const std::wstring& text) {
        return gui::call([&] { QGuiApplication::clipboard()->setText(to_qt(text)); });
    });
    QApplication::setWindowIcon(program_icon());
    tk_log(2, "gui_initialize - end");
}

int run_wizard(const std::string& command_line)
{
    tk_logger logger(nullptr, false, 3, false);
    wizard_error_handler errors(oledb_error_message_count, oledb_error_messages);
    errors.load_err_map(mysql_error_message_count, mysql_error_messages);
    try {
        gui_initialize();
        return run_sheet(profile_path_of(command_line));
    } catch (const tk_exception& exception) {
        errors.handle(exception, true);
    } catch (const std::exception& exception) {
        wizard_shell::error(std::string(exception.what()));
    }
    return -1;
}
