// brantwick: the desktop wizard that leads a user through a conversion, or
// runs one at once from the profile its command line names.
#include "wizard/wizard_entry.h"

#include <QApplication>
#include <string>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // What Qt did not take of the command line names the profile.
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            command_line += ' ';
        command_line += argv[i];
    }
    return run_wizard(command_line);
}
