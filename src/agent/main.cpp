// The agent folder: corvath, the console program. It reads the command
// line (command_line_options.h, the table-list file), builds the logger,
// the console error handler and the converter, and runs the conversion on
// its main thread; the converter prints the progress and the summary. It
// never touches the wizard's settings store, and reaches the converter
// through convertor_front_end.
//
// This file: corvath converts a MySQL database into MS SQL Server or a
// T-SQL script file, as its command line says, on the main thread.
#include "agent/command_line_options.h"
#include "agent/console_exit.h"
#include "agent/console_signals.h"
#include "agent/usage_text.h"
#include "converter/console_error_handler.h"
#include "converter/error_messages.h"
#include "converter/front_end.h"
#include "toolkit/tk_log.h"

#include <exception>
#include <memory>

namespace {

// Connects both ends, prepares the destination and converts; true when the
// run went through to its end and left nothing behind.
bool convert(convertor_front_end& converter, console_error_handler& errors)
{
    // MS SQL first: a script needs no server.
    if (converter.direct)
        converter.connect_mssql_server();
    converter.connect_mysql_server();
    converter.check_dest();
    // A fatal error ends the process inside the run; it still says what the
    // run carried across.
    errors.before_exit = [&converter] { converter.show_outcome(); };
    converter();
    errors.before_exit = nullptr;
    return converter.is_complete();
}

}  // namespace

int main(int argc, char** argv)
{
    tk_logger logger(nullptr, false, 3, false);
    console_error_handler errors(oledb_error_message_count, oledb_error_messages);
    errors.load_err_map(mysql_error_message_count, mysql_error_messages);
    const std::unique_ptr<convertor_front_end> converter = make_convertor(convertor_form::console);
    // Before any other thread starts, so that none of them is ended by a signal.
    const console_signals signals(*converter);

    bool complete = false;
    try {
        if (argc <= 1 || !parse_cmd_line(argc, argv))
            usage_and_exit(format_usage_text());
        complete = convert(*converter, errors);
    } catch (const tk_exception& exception) {
        // Fatal and internal errors end the process in the handler; what
        // returns here still stopped the conversion before it began.
        errors.handle(exception, false);
    } catch (const std::exception& exception) {
        usage_and_exit(exception.what());
    }
    // A log that lost lines is a failure of its own, reported when it happened.
    return complete && !logger.has_failed() ? 0 : -1;
}
