// The wizard's identifiers: the dialogs and pages keep their numbers, so a
// page that returns a dialog id moves the sheet to that page, and the tests
// find controls by the numbers the templates give them.
#pragma once

namespace gui {

// Dialogs; a page is known by the id of its dialog.
enum dialog_id : int {
    dlg_animation_id = 101,
    page_welcome = 103,
    page_database_and_file = 106,
    page_progress = 107,
    page_script_settings = 109,
    dlg_internal_error = 114,
    dlg_continue_or_abort = 115,
    page_finish = 116,
    page_mssql_settings = 118,
    page_mysql_settings = 123,
    page_tables_and_views = 127,
    dlg_query = 128,
    dlg_existing_database = 133,
    dlg_column_types = 135,
};

// The help file's topics, by the context number each page or dialog asks for.
enum help_topic : int {
    help_mssql_settings = 1010,
    help_mysql_settings = 1011,
    help_existing_database = 1013,
    help_database_and_file = 1014,
    help_tables = 1015,
    help_mysql_authentication = 1016,
    help_query = 1019,
    help_views = 1020,
    help_welcome = 1021,
    help_script_settings = 1022,
    help_column_types = 1024,
};

// Results of a page's on_next and on_back besides a dialog id.
inline constexpr int neighbour_page = 0;
inline constexpr int stay_on_page = -1;

// The navigation buttons a page shows when it becomes active.
enum wizard_buttons : unsigned {
    button_back = 1,
    button_next = 2,
    button_finish = 4,
};

// Page flags added to the framework's own.
enum page_flags : unsigned {
    page_has_help = 32,
    page_hide_header = 2048,
};

// Buttons every dialog shares.
enum common_control : int {
    id_ok = 1,
    id_cancel = 2,
    id_help = 9,
    id_static = -1,
};

// The sheet's own buttons.
enum sheet_button : int {
    sheet_back = 0x3023,
    sheet_next = 0x3024,
    sheet_finish = 0x3025,
    sheet_cancel = 2,
    sheet_help = 9,
};

// A question whose second button (No) is the default one.
inline constexpr unsigned default_second_button = 0x100;

// What happened to a control, handed to a page's or dialog's on_command.
enum notification : int {
    clicked = 0,
    double_clicked = 2,
    selection_changed = 1,
    dropped_down = 7,
    focus_gained = 0x100,
};

// The waiting dialog's icon control and the number of its frames.
inline constexpr int animation_icon = 1301;
inline constexpr int animation_frame_count = 8;

// The images the program draws: its icon, the watermark of the pages without
// a header, the header picture and the eight frames of the waiting animation.
enum image_id : int {
    image_watermark = 311,
    image_header = 312,
    image_program_icon = 501,
    image_first_animation_frame = 502,
};

}  // namespace gui
